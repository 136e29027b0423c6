// The raw scan: what the engine reports becomes found-file records in the
// results lists, progress becomes percentages, and the scan always ends.

#include "rawscan/raw_scan.h"

#include <gtest/gtest.h>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "core/scan_list_node.h"
#include "fake_engine.h"
#include "fixtures/scratch_folder.h"
#include "rawscan/disk_file_controller.h"
#include "rawscan/engine_file_copier.h"
#include "rawscan/found_file_preview.h"
#include "results/result_view_controller.h"

namespace orvane {
namespace {

using testing::FakeEngine;
using testing::FoundReport;
using testing::ProgressReport;

class ScanWatcher final : public ResultViewObserver {
 public:
  void progressChanged(int percent, const std::vector<std::string>&) override {
    percents.push_back(percent);
  }
  void scanFinished() override { ++finished; }
  std::vector<int> percents;
  int finished = 0;
};

DiskRow row(std::string device, std::int32_t index) {
  auto node = std::make_shared<PRDiskInfoNode>();
  node->diskdev = std::move(device);
  node->deviceIndex = index;
  return node;
}

class RawScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rawEngine.useEngineTable(&engine.table);
    results.setObserver(&watcher);
    results.showView(BrowseSource::memoryCard);
  }

  RawScanResult scanOnce(DiskRow node) {
    PRRawScan scan(app, rawEngine);
    EXPECT_TRUE(scan.QuickScanStart(std::move(node)));
    scan.waitForScan();
    return scan.lastResult();
  }

  DirectDispatcher dispatcher;
  CorvelAppDelegate app{dispatcher};
  RawEngine rawEngine;
  PRResultViewController results{app};
  ScanWatcher watcher;
  FakeEngine engine;
};

TEST_F(RawScanTest, ReportsAreFiledByTheTypeOfTheirName) {
  engine.reports = {
      FoundReport{4096, 1536, "DCIM/100/IMG_0001.JPG"},
      FoundReport{8192, 10, "archive.7z"},
      FoundReport{9216, 20, "notes.eml"},
      FoundReport{10240, 30, "dir.d/file"},
      FoundReport{11264, 40, "clip.MOV"},
      FoundReport{12288, 50, "song.mp3"},
      FoundReport{13312, 60, "model.3dm"},
      FoundReport{14336, 70, "f28.heic"},
      FoundReport{15360, 80, "P1000001.RW2"},
      FoundReport{16384, 90, "00001.MTS"},
      // files of no bytes or over 200 MiB are dropped
      FoundReport{0, 209715200, "largest.jpg"},
      FoundReport{0, 209715201, "too-large.jpg"},
      FoundReport{0, 0, "empty.jpg"},
  };
  EXPECT_EQ(scanOnce(row("/dev/sdb", BB_WHOLE_DISK)), RawScanResult::finished);

  std::string filed;  // the names in each list
  for (const ResultList list :
       {ResultList::bbImageArray, ResultList::bbVedioArray, ResultList::bbAudioArray,
        ResultList::bbDocumentArray, ResultList::bbArchiveArray}) {
    for (const auto& node : results.snapshotAs<PRScanListNode>(list)) filed += node->nodeName + " ";
    filed += "| ";
  }
  EXPECT_EQ(filed,
            "DCIM/100/IMG_0001.JPG model.3dm f28.heic P1000001.RW2 largest.jpg | clip.MOV "
            "00001.MTS | song.mp3 | notes.eml dir.d/file | archive.7z | ");
  EXPECT_EQ(results.allRecordsInPostingOrder().size(), 11u);
  // the engine scribbled over its record after the call; the copy stands
  const auto image = results.snapshotAs<PRScanListNode>(ResultList::bbImageArray)[0];
  const auto& file = image->getfile();
  EXPECT_EQ(
      std::to_string(file.file_start) + "+" + std::to_string(file.file_len) + " " + file.pFileName,
      "4096+1536 DCIM/100/IMG_0001.JPG");
}

TEST_F(RawScanTest, ProgressIsThePercentageOfWorkDone) {
  engine.reports = {
      ProgressReport{50, 200},
      ProgressReport{10, 0},  // no total: nothing to show
      ProgressReport{1ull << 62, 1ull << 63},
      ProgressReport{300, 200},
  };
  scanOnce(row("/dev/sdb", BB_WHOLE_DISK));
  EXPECT_EQ(watcher.percents, (std::vector<int>{25, 50, 100}));
}

// A file joined from fragments keeps its runs from the engine's report to
// the record handed back for copying; runs that do not add up are dropped.
TEST(FoundFileNode, JoinedFileKeepsItsRunsAndTheNameIsBounded) {
  char name[] = "f128.jpg";
  const bb_file_run pieces[] = {{65536, 10240}, {81920, 18000}};
  _RecordList list{2, 0, pieces};
  const auto joined = PRRawScan::foundFileNode({65536, 28240, 8, name, &list});
  const auto uneven = PRRawScan::foundFileNode({65536, 28241, 8, name, &list});
  EXPECT_TRUE(uneven->getfile().runs.empty());
  EngineFileRecord record(*joined);
  const _RecordList* back = record.get()->journal_file;
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->run_count, 2u);
  EXPECT_EQ(std::make_pair(back->runs[1].start, back->runs[1].length),
            std::make_pair(std::uint64_t{81920}, std::uint64_t{18000}));
  // the name is bounded by its length and its end
  char longer[] = "photo.jpgGARBAGE";
  char shortName[] = "a.png\0hidden";
  EXPECT_EQ(PRRawScan::foundFileNode({0, 10, 9, longer, nullptr})->nodeName, "photo.jpg");
  EXPECT_EQ(PRRawScan::foundFileNode({0, 10, 12, shortName, nullptr})->nodeName, "a.png");
  const auto unnamed = PRRawScan::foundFileNode({0, 10, 5, nullptr, nullptr});
  EXPECT_EQ(unnamed->nodeName, "");
  EXPECT_EQ(unnamed->fileType, "Document");
}

// The chosen partition, or 255 for the whole disk, reaches the engine.
TEST_F(RawScanTest, EveryWayOfEndingEndsTheScan) {
  EXPECT_EQ(scanOnce(row("/dev/sdc", BB_WHOLE_DISK)), RawScanResult::finished);
  engine.scanAnswer = -1;
  EXPECT_EQ(scanOnce(row("/dev/sdb", 2)), RawScanResult::unreadable);
  engine.scanAnswer = 1;
  EXPECT_EQ(scanOnce(row("/dev/sdb", 1)), RawScanResult::stopped);
  EXPECT_EQ(scanOnce(nullptr), RawScanResult::nothingChosen);
  EXPECT_EQ(engine.scans, (std::vector<std::string>{"/dev/sdc 255", "/dev/sdb 2", "/dev/sdb 1"}));
  bb_export_table noScan = engine.table;
  noScan.scan = nullptr;
  rawEngine.useEngineTable(&noScan);
  EXPECT_EQ(scanOnce(row("/dev/sdb", 1)), RawScanResult::noEngine);
  rawEngine.useEngineTable(nullptr);
  EXPECT_EQ(scanOnce(row("/dev/sdb", 1)), RawScanResult::noEngine);
  EXPECT_EQ(watcher.finished, 6);
}

TEST_F(RawScanTest, OneScanAtATimeAndOneThatGoesStopsTheEngineFirst) {
  engine.holdScan = true;
  {
    PRRawScan first(app, rawEngine);
    PRRawScan second(app, rawEngine);
    ASSERT_TRUE(first.QuickScanStart(row("/dev/sdb", 1)));
    engine.waitUntilScanning();
    EXPECT_FALSE(second.QuickScanStart(row("/dev/sdc", 1)));
    EXPECT_FALSE(first.QuickScanStart(row("/dev/sdc", 1)));
  }
  EXPECT_EQ(engine.scans.size(), 1u);
  EXPECT_EQ(engine.stopCalls, 1);
  EXPECT_EQ(watcher.finished, 1);
}

// Reading a found file for the preview and copying it out go to the disk
// chosen in the chooser.
std::shared_ptr<PRScanListNode> foundFile(std::string name, std::uint64_t start,
                                          std::uint32_t length) {
  auto node = std::make_shared<PRScanListNode>();
  node->nodeName = name;
  node->fileType = "Image";
  node->fileSizeNumber = length;
  node->setfile(start, length, name);
  return node;
}

class FoundFileReadTest : public RawScanTest {
 protected:
  void SetUp() override {
    RawScanTest::SetUp();
    for (int i = 0; i < 4096; ++i) engine.deviceBytes.push_back(static_cast<std::uint8_t>(i * 7));
    engine.addDisk("/dev/vda", 1);
    engine.addDisk("/dev/sdb", 4096);
    chooser.reload();
    chooser.outlineViewSelectionDidChange(chooser.content().at(0));
  }

  std::vector<std::byte> deviceSlice(std::size_t start, std::size_t length) const {
    const auto* begin = reinterpret_cast<const std::byte*>(engine.deviceBytes.data()) + start;
    return {begin, begin + length};
  }

  PRDiskFileController chooser{rawEngine, nullptr};
};

// A disk the table does not know (by its whole name) leaves the choice to
// the engine; nothing too large, empty or past the device's end is read.
TEST_F(FoundFileReadTest, ThePreviewReadsTheFileFromTheChosenDiskWithinBounds) {
  const auto node = foundFile("f2.jpg", 1000, 300);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *node), deviceSlice(1000, 300));
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sd", *node), deviceSlice(1000, 300));
  EXPECT_EQ(engine.readDisks, (std::vector<list_disk_struct*>{engine.disk(1), nullptr}));

  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("big.jpg", 0, 4000), 3999),
            std::nullopt);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("empty.jpg", 0, 0)), std::nullopt);
  EXPECT_EQ(engine.readDisks.size(), 2u);
  EXPECT_EQ(readFoundFileBytes(rawEngine, "/dev/sdb", *foundFile("past-the-end.jpg", 4000, 200)),
            std::nullopt);
}

// The names and folders a copy takes are the export's own (tested with
// it); the bytes come from the disk chosen for the scan.
TEST_F(FoundFileReadTest, RecoveryCopiesFromTheChosenDisk) {
  fixtures::ScratchFolder scratch;
  std::string problem;
  ASSERT_TRUE(EngineFileCopier(rawEngine, "/dev/sdb")
                  .copyFoundFile(*foundFile("f8.jpg", 200, 100), scratch / "f8.jpg", problem))
      << problem;
  EXPECT_EQ(engine.recoverDisks, std::vector<list_disk_struct*>{engine.disk(1)});
  EXPECT_EQ(fixtures::readFileBytes(scratch / "f8.jpg"),
            std::vector<std::uint8_t>(engine.deviceBytes.begin() + 200,
                                      engine.deviceBytes.begin() + 300));
}

}  // namespace
}  // namespace orvane
