#include "core/app_delegate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/main_thread_dispatcher.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

// A backup kind that runs a given body on the scan worker.
class ScriptedSource : public BackupSource {
 public:
  explicit ScriptedSource(std::function<ScanOutcome(ScanContext&)> body) : body_(std::move(body)) {}
  bool accepts(const std::filesystem::path& path) const override {
    return path.extension() == ".scripted";
  }
  ScanOutcome scan(const std::filesystem::path&, ScanContext& ctx) override { return body_(ctx); }

 private:
  std::function<ScanOutcome(ScanContext&)> body_;
};

class CountingEnd : public ScanEndListener {
 public:
  void ScanThreadFinish() override { ++finishes; }
  std::atomic<int> finishes{0};
};

std::shared_ptr<PRContactNode> contact(std::string name, std::string phones) {
  auto c = std::make_shared<PRContactNode>();
  c->contactName = std::move(name);
  c->contactPhone = std::move(phones);
  return c;
}

class ControllerTest : public ::testing::Test {
 protected:
  // Runs `body` as the scan of one file and waits for the scan to end.
  void scanWith(std::function<ScanOutcome(ScanContext&)> body) {
    controller.addBackupSource(std::make_unique<ScriptedSource>(std::move(body)));
    ASSERT_TRUE(controller.ScanIOSBackFile((scratch / "backup.scripted").string()));
    controller.waitForScanWorker();
  }

  DirectDispatcher mainThread;
  CorvelAppDelegate controller{mainThread};
  fixtures::ScratchFolder scratch;
};

// The number is read without punctuation or case; a message or call without
// a number must not take the first contact's name. The contacts and the
// scan's private folder last as long as the scan.
TEST_F(ControllerTest, NameByPhoneNumberIgnoresPunctuationAndCase) {
  CountingEnd end;
  controller.setScanEndListener(&end);
  std::vector<std::optional<std::string>> names;
  std::filesystem::path seen;
  scanWith([&](ScanContext& ctx) {
    seen = ctx.tempFolder;
    fixtures::writeFileText(ctx.tempFolder / "piece.dat", "x");
    ctx.lists.contactArray = {contact("No Phone", ""), contact("Anna", " 5551234567 5559876543"),
                              contact("Also Anna's number", " 555-123-4567"),
                              contact("Florist", " 1-800-FLOWERS")};
    // the scanners reach the controller through its process-wide pointer
    auto* app = CorvelAppDelegate::GetAppControllor();
    for (const char* number : {"(555) 123-4567", "555 987 6543", "9876543", "1800flowers",
                               "55512345678", "111", "", " (-) "}) {
      names.push_back(app->getNameByPhoneNumber(number));
    }
    return ScanOutcome{};
  });
  EXPECT_EQ(names, (std::vector<std::optional<std::string>>{"Anna", "Anna", "Anna", "Florist",
                                                            std::nullopt, std::nullopt,
                                                            std::nullopt, std::nullopt}));
  EXPECT_EQ(controller.getNameByPhoneNumber("5551234567"), std::nullopt);
  ASSERT_FALSE(seen.empty());
  EXPECT_FALSE(std::filesystem::exists(seen));
  EXPECT_EQ(end.finishes, 1);
  EXPECT_TRUE(controller.lastScanOutcome().scanned());
}

}  // namespace
}  // namespace orvane
