// Exports that cannot write everything: the report counts what was written,
// names the first failure, and a stop ends the run after the record in hand.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "core/event_names.h"
#include "export/export_folder.h"
#include "export/recovery_run.h"
#include "export_test_support.h"
#include "fixtures/scratch_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::readFileText;
using testing::Names;
using testing::namesIn;

// Writes a found file as its name, except names holding "bad", which fail;
// raises `stopAfter` calls' worth of the stop flag when asked.
class FakeCopier final : public FoundFileCopier {
 public:
  bool copyFoundFile(const PRScanListNode& node, const fs::path& target,
                     std::string& problem) const override {
    ++calls;
    if (stop != nullptr && calls == stopAfter) stop->store(true);
    if (node.nodeName.find("bad") != std::string::npos) {
      problem = "could not write " + target.string() + ": No space left on device";
      return false;
    }
    std::ofstream(target) << node.nodeName;
    return true;
  }
  mutable int calls = 0;
  std::atomic<bool>* stop = nullptr;
  int stopAfter = 0;
};

using FailingExportTest = testing::ExportTest;

TEST(FailingRawExport, FoundFilesCountOnlyWhenWrittenAndAStopEndsTheRun) {
  struct Case {
    const char* name;
    Names found;    // "name:Type"
    int stopAfter;  // copier calls before the stop flag goes up; 0: never
    int written;
    int ticked;
    const char* firstFailure;  // "" when complete
    Names images;
  };
  const Case cases[] = {
      {"all written", {"a.jpg", "b.jpg"}, 0, 2, 2, "", {"a.jpg", "b.jpg"}},
      {"one fails",
       {"a.jpg", "bad.jpg", "c.jpg"},
       0,
       2,
       3,
       "could not write {out}/Image/bad.jpg: No space left on device",
       {"a.jpg", "c.jpg"}},
      // the file in hand is finished, nothing after it is started
      {"stopped",
       {"a.jpg", "b.jpg", "c.jpg"},
       2,
       2,
       3,
       "the export was stopped",
       {"a.jpg", "b.jpg"}},
      {"stopped at the last", {"a.jpg", "b.jpg"}, 2, 2, 2, "", {"a.jpg", "b.jpg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::ScratchFolder scratch;
    const fs::path out = scratch / "out";
    DirectDispatcher dispatcher;
    CorvelAppDelegate app{dispatcher};
    PRResultViewController results{app};
    results.showView(BrowseSource::memoryCard);
    for (const std::string& name : c.found) {
      auto node = std::make_shared<PRScanListNode>();
      node->nodeName = name;
      node->fileType = "Image";
      node->setfile(0, 10, name);
      app.nc.postNotificationName(events::BlackBerryRawRecoveryFileInfo, RecordPtr(node));
    }
    results.selectAllCategories();
    std::atomic<bool> stop{false};
    FakeCopier copier;
    copier.stop = &stop;
    copier.stopAfter = c.stopAfter;
    RecoveryRun recovery(results, &copier);
    recovery.setStopFlag(&stop);

    const RecoveryReport report = recovery.recoverFilesThread(out);

    EXPECT_EQ(report.recordsWritten, c.written);
    EXPECT_EQ(report.recordsTicked, c.ticked);
    std::string expected = c.firstFailure;
    if (const auto at = expected.find("{out}"); at != std::string::npos) {
      expected.replace(at, 5, out.string());
    }
    EXPECT_EQ(report.firstFailure, expected);
    EXPECT_EQ(report.complete(), expected.empty());
    EXPECT_EQ(namesIn(out / "Image"), c.images);
    EXPECT_EQ(copier.calls, c.stopAfter == 0 ? static_cast<int>(c.found.size()) : c.stopAfter);
  }
}

// How the stand-in engine copies: its result, and how much it writes first.
int engineResult = 0;
const char* engineWrites = nullptr;  // nullptr: writes no file
int fakeRecoverFile(const char* targetPath, list_disk_struct*, _rec_file_ele*) {
  if (engineWrites != nullptr) std::ofstream(targetPath) << engineWrites;
  return engineResult;
}

TEST_F(FailingExportTest, AFoundFileTakesItsNameOnlyWhenTheEngineCopiedItWhole) {
  bb_export_table engine{};
  engine.recoverFile = &fakeRecoverFile;
  rawEngine.useEngineTable(&engine);
  results.showView(BrowseSource::memoryCard);
  auto node = std::make_shared<PRScanListNode>();
  node->nodeName = "f0.bmp";
  node->fileType = "Image";
  node->setfile(0, 10, "f0.bmp");
  post(events::BlackBerryRawRecoveryFileInfo, node);
  results.selectAllCategories();
  struct Case {
    int result;
    const char* writes;
    Names images;
    const char* problemStart;
  };
  const Case cases[] = {
      {0, "whole file", {"f0.bmp"}, nullptr},
      {-1, "half", {}, "the engine could not copy "},
      {0, nullptr, {}, "the engine did not write "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writes == nullptr ? "nothing" : c.writes);
    engineResult = c.result;
    engineWrites = c.writes;
    fs::remove_all(out());
    const RecoveryReport report = run();
    EXPECT_EQ(namesIn(out() / "Image"), c.images);  // no temporary left either
    EXPECT_EQ(report.recordsWritten, c.problemStart == nullptr ? 1 : 0);
    if (c.problemStart != nullptr) {
      EXPECT_EQ(report.firstFailure, c.problemStart + (out() / "Image/f0.bmp").string());
    } else {
      EXPECT_EQ(readFileText(out() / "Image/f0.bmp"), "whole file");
    }
  }
}

TEST(ExportFolder, IsMadeOnceAndNeverTakenOver) {
  fixtures::ScratchFolder scratch;
  fixtures::writeFileText(scratch / "file", "x");
  struct Case {
    fs::path folder;
    std::error_code expected;
  };
  const Case cases[] = {
      {scratch / "a/b/new", {}},
      {scratch / "slash/", {}},
      {scratch / "a/b/new", std::make_error_code(std::errc::file_exists)},
      {scratch / "file", std::make_error_code(std::errc::file_exists)},
      {scratch / "file/under", std::make_error_code(std::errc::not_a_directory)},
      {"/proc/orvane-export", std::make_error_code(std::errc::no_such_file_or_directory)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.string());
    EXPECT_EQ(makeExportFolder(c.folder), c.expected);
  }
  EXPECT_TRUE(fs::is_directory(scratch / "slash"));
  EXPECT_TRUE(fs::is_empty(scratch / "a/b/new"));
}

}  // namespace
}  // namespace orvane
