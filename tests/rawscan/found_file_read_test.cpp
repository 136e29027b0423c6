// Reading a found file for the preview and copying it out go to the disk
// chosen in the chooser.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "export/recovery_run.h"
#include "fake_engine.h"
#include "fixtures/scratch_folder.h"
#include "rawscan/disk_file_controller.h"
#include "rawscan/engine_file_copier.h"
#include "rawscan/found_file_preview.h"
#include "results/result_view_controller.h"

namespace orvane {
namespace {

using testing::FakeEngine;

std::shared_ptr<PRScanListNode> foundFile(std::string name, std::uint64_t start,
                                          std::uint32_t length) {
  auto node = std::make_shared<PRScanListNode>();
  node->nodeName = name;
  node->fileType = "Image";
  node->fileSizeNumber = length;
  node->setfile(start, length, name);
  return node;
}

class FoundFileReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4096; ++i) engine.deviceBytes.push_back(static_cast<std::uint8_t>(i * 7));
    engine.addDisk("/dev/vda", 1);
    engine.addDisk("/dev/sdb", 4096);
    rawEngine.useEngineTable(&engine.table);
    chooser.reload();
    chooser.outlineViewSelectionDidChange(chooser.content().at(0));
  }

  std::vector<std::byte> deviceSlice(std::size_t start, std::size_t length) const {
    std::vector<std::byte> slice;
    for (std::size_t i = start; i < start + length; ++i) {
      slice.push_back(static_cast<std::byte>(engine.deviceBytes[i]));
    }
    return slice;
  }

  DirectDispatcher dispatcher;
  CorvelAppDelegate app{dispatcher};
  RawEngine rawEngine;
  FakeEngine engine;
  PRDiskFileController chooser{rawEngine, nullptr};
};

// A disk the table does not know (by its whole name) leaves the choice to
// the engine; nothing
// too large, empty or past the device's end is read.
TEST_F(FoundFileReadTest, ThePreviewReadsTheFileFromTheChosenDiskWithinBounds) {
  const auto node = foundFile("f2.jpg", 1000, 300);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *node), deviceSlice(1000, 300));
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/gone", *node), deviceSlice(1000, 300));
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sd", *node), deviceSlice(1000, 300));
  EXPECT_EQ(engine.readDisks, (std::vector<list_disk_struct*>{engine.disk(1), nullptr, nullptr}));

  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("big.jpg", 0, 4000), 3999),
            std::nullopt);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("empty.jpg", 0, 0)), std::nullopt);
  EXPECT_EQ(engine.readDisks.size(), 3u);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("past-the-end.jpg", 4000, 200)),
            std::nullopt);
}

// The names a copy takes are the export's own (tested with it); the bytes
// come from the disk chosen for the scan.
TEST_F(FoundFileReadTest, RecoveryCopiesFromTheChosenDisk) {
  PRResultViewController results(app);
  results.showView(BrowseSource::memoryCard);
  app.nc.postNotificationName("BlackBerryRawRecoveryFileInfo",
                              RecordPtr(foundFile("f8.jpg", 200, 100)));
  results.selectAllCategories();
  fixtures::ScratchFolder scratch;
  const EngineFileCopier copier(rawEngine, "/dev/sdb");
  const RecoveryReport report = RecoveryRun(results, &copier).recoverFilesThread(scratch / "out");
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(engine.recoverDisks, std::vector<list_disk_struct*>{engine.disk(1)});
  EXPECT_EQ(fixtures::readFileBytes(scratch / "out" / "Image" / "f8.jpg"),
            std::vector<std::uint8_t>(engine.deviceBytes.begin() + 200,
                                      engine.deviceBytes.begin() + 300));
}

}  // namespace
}  // namespace orvane
