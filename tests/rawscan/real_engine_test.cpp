// The whole memory-card road with the real engine (bblib.so, built beside
// orvane-cli): a card image made of known files is added, listed, chosen,
// scanned, previewed and exported.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "export/recovery_run.h"
#include "fixtures/card_image.h"
#include "fixtures/media_files.h"
#include "fixtures/scratch_folder.h"
#include "rawscan/disk_file_controller.h"
#include "rawscan/found_file_preview.h"
#include "rawscan/raw_scan.h"
#include "results/result_view_controller.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

const fs::path kEngine = fs::path(ORVANE_CLI_PATH).parent_path() / "bblib.so";

class RealEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kEngine)) << kEngine << " is missing: build the target bblib";
    ::setenv("ORVANE_ENGINE", kEngine.c_str(), 1);
    ASSERT_TRUE(rawEngine.initDll());
    ::unsetenv("ORVANE_ENGINE");
    fixtures::CardImageWriter(512 * 1024)
        .file(4096, png)
        .file(65536, jpeg)
        .file(131072, wav)
        .writeTo(image());
  }

  fs::path image() const { return scratch / "card.img"; }

  std::vector<std::uint8_t> png = fixtures::tinyPngBytes();
  std::vector<std::uint8_t> jpeg = fixtures::tinyJpegBytes();
  std::vector<std::uint8_t> wav = fixtures::tinyWavBytes();
  fixtures::ScratchFolder scratch;
  DirectDispatcher dispatcher;
  CorvelAppDelegate app{dispatcher};
  RawEngine rawEngine;
  PRResultViewController results{app};
};

TEST_F(RealEngineTest, ACardImageIsListedScannedPreviewedAndExportedByteForByte) {
  PRDiskFileController chooser(rawEngine);
  ASSERT_EQ(chooser.addDiskImage(image().string()), 0);
  EXPECT_EQ(chooser.addDiskImage((scratch / "missing.img").string()), -1);
  chooser.reload();
  DiskRow card;
  for (const DiskRow& row : chooser.content()) {
    if (row->diskdev == image().string()) card = row;
  }
  ASSERT_TRUE(card) << "the image is not offered";
  EXPECT_EQ(card->partitionName, image().string() + " (524.29K)");
  chooser.outlineViewSelectionDidChange(card);

  results.showView(BrowseSource::memoryCard);
  PRRawScan scan(app, rawEngine);
  ASSERT_TRUE(scan.QuickScanStart(card));
  scan.waitForScan();
  EXPECT_EQ(scan.lastResult(), RawScanResult::finished);

  const auto images = results.snapshotAs<PRScanListNode>(ResultList::bbImageArray);
  const auto sounds = results.snapshotAs<PRScanListNode>(ResultList::bbAudioArray);
  ASSERT_EQ(images.size(), 2u);
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(images[0]->nodeName, "f8.png");
  EXPECT_EQ(images[0]->fileSizeNumber, png.size());
  EXPECT_EQ(images[1]->nodeName, "f128.jpg");
  EXPECT_EQ(sounds[0]->nodeName, "f256.wav");

  const auto preview = readFoundFileBytes(rawEngine, scan.scannedDisk(), *images[1]);
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->size(), jpeg.size());
  EXPECT_TRUE(
      std::equal(jpeg.begin(), jpeg.end(), reinterpret_cast<const std::uint8_t*>(preview->data())));

  results.selectAllCategories();
  const fs::path out = scratch / "out";
  const EngineFileCopier copier = scan.copier();
  RecoveryReport report = RecoveryRun(results, &copier).recoverFilesThread(out);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_EQ(fixtures::readFileBytes(out / "Image" / "f8.png"), png);
  EXPECT_EQ(fixtures::readFileBytes(out / "Image" / "f128.jpg"), jpeg);
  EXPECT_EQ(fixtures::readFileBytes(out / "Audio" / "f256.wav"), wav);

  // a second export into the same folder adds copies beside the first
  report = RecoveryRun(results, &copier).recoverFilesThread(out);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_EQ(fixtures::readFileBytes(out / "Image" / "f8 (2).png"), png);
  EXPECT_EQ(fixtures::readFileBytes(out / "Image" / "f8.png"), png);
  EXPECT_EQ(fixtures::readFileBytes(out / "Audio" / "f256 (2).wav"), wav);
}

}  // namespace
}  // namespace orvane
