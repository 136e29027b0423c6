#include <gtest/gtest.h>

#include <map>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "fixtures/media_files.h"
#include "ios/backup_file_name.h"
#include "ios/ios_device_controller.h"
#include "ios_test_support.h"
#include "results/result_view_controller.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using testing::IosScanBench;
using testing::row;

TEST(MediaStep, ClassifiesByExtensionAndListsAppFilesThatExist) {
  IosScanBench bench;
  auto scanner = bench.scanner();
  fixtures::ScratchFolder scratch;
  fixtures::writeFileBytes(scratch / "present", {1, 2, 3, 4});
  const std::string present = (scratch / "present").string();
  for (const auto& [domain, path] : std::vector<std::pair<std::string, std::string>>{
           {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG"},
           {"MediaDomain", "a/b.MOV"},
           {"MediaDomain", "a/voice.m4a"},
           {"HomeDomain", "x.3dm"},
           {"HomeDomain", "x.3g2"},
           {"HomeDomain", "x.ram"},
           {"HomeDomain", "Library/Preferences/x.plist"},
           {"AppDomain-com.atebits.Tweetie2", "Library/Caches/avatar.png"},
           {"AppDomain-com.atebits.Tweetie2", "Library/x.plist"}}) {
    scanner.GetMediaFileByNode({domain, path, present});
  }
  scanner.GetMediaFileByNode(
      {"AppDomain-com.facebook.Facebook", "Library/gone.png", (scratch / "missing").string()});

  // pictures and movies (name, movie, path, size), then the app files
  std::vector<std::string> seen;
  for (const auto& m : bench.posted.all<PRPhotoAndVideoNode>("ScanPhotoAndVideo"))
    seen.push_back(row(m->fileNodeName, int{m->bmov}, m->filePath == present, m->fileNodeSize));
  for (const auto& a : bench.posted.all<PRFaceTwitterNode>("scanFaceTwitterInfo"))
    seen.push_back(row(a->faceTwitterFileName, a->faceTwitterFilePath == present, a->fileSize));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "IMG_0001.JPG|0|1|4.00B", "b.MOV|1|1|4.00B", "voice.m4a|1|1|4.00B",
                      "x.3dm|0|1|4.00B", "x.3g2|1|1|4.00B", "x.ram|1|1|4.00B",
                      "avatar.png|0|1|4.00B", "avatar.png|1|4.00B", "x.plist|1|4.00B"}));
}

TEST(IosBackupSource, AcceptsBackupFoldersOnlyAndTellsWhy) {
  fixtures::ScratchFolder scratch;
  auto source = makeIosBackupSource();
  EXPECT_FALSE(source->accepts(scratch.path()));
  fixtures::writeFileText(scratch / "file.ipd", "x");
  EXPECT_FALSE(source->accepts(scratch / "file.ipd"));
  IosScanBench bench;
  const auto outcome = source->scan(scratch.path(), bench.context());
  EXPECT_EQ(row(outcome.status == ScanOutcome::Status::kNotABackup, outcome.reason),
            "1|not a device backup folder (no Info.plist, Manifest.plist, Manifest.mbdb or "
            "Manifest.db): " +
                scratch.path().string());
  std::filesystem::create_directories(scratch / "b");
  fixtures::writeFileText(scratch / "b" / "Manifest.db", "");
  EXPECT_TRUE(source->accepts(scratch / "b"));
}

TEST(WholeScan, ThroughTheControllerAndResultsModel) {
  testing::Backup backup(IosLayout::ios17);
  backup.writer.person({.first = "Ann", .phones = {"555"}})
      .call({.address = "555", .duration = 0, .originated = true})
      .rawFile("00aa00aa00aa00aa00aa00aa00aa00aa00aa00aa", std::vector<std::uint8_t>(60000, 1));
  // a picture of 50000 bytes or more, found by content only in its
  // two-digit subfolder
  auto picture = fixtures::tinyPngBytes();
  picture.resize(60000, 0);
  backup.writer.rawFile("ffeeddccbbaa99887766554433221100ffeeddcc", picture);
  backup.writer.write();
  const auto& folder = backup.folder;
  std::filesystem::remove(folder / "Manifest.db");

  DirectDispatcher dispatcher;
  CorvelAppDelegate app(dispatcher);
  PRResultViewController results(app);
  app.addBackupSource(makeIosBackupSource());
  results.showView(BrowseSource::ios);
  ASSERT_TRUE(app.ScanIOSBackFile(folder.string()));
  app.waitForScanWorker();
  EXPECT_TRUE(app.lastScanOutcome().scanned());
  const auto calls = results.snapshotAs<PRCallHistoryNode>(ResultList::callHistoryArray);
  const auto photos = results.snapshotAs<PRPhotoAndVideoNode>(ResultList::photoAndVideoArray);
  // without a Safari database not even the fixed bookmarks are listed
  const auto bookmarks = results.snapshotAs<PRBookMarkNode>(ResultList::bookMarkArray);
  ASSERT_EQ(row(calls.size(), photos.size(), bookmarks.size()), "1|1|0");
  EXPECT_EQ(row(calls[0]->callName, calls[0]->callDuration, photos[0]->fileNodeName),
            "Ann|Cancelled|00000001.jpg");
}

TEST(BundledSample, ScansToEveryCategory) {
  const std::filesystem::path samples =
      std::filesystem::path(ORVANE_SOURCE_DIR) / "samples" / "ios-backup";
  fixtures::ScratchFolder scratch;
  std::filesystem::copy(samples, scratch.path(), std::filesystem::copy_options::recursive);
  PRIOSDeviceController catalogue;
  catalogue.showIphoneDisk(scratch.path());
  ASSERT_EQ(catalogue.content().size(), 1u);
  EXPECT_EQ(catalogue.content()[0]->strDeviceName, "Sample iPhone");

  IosScanBench bench;
  ASSERT_TRUE(bench.scanWhole(catalogue.content()[0]->backUpFilePath).scanned());
  // with pictures in the manifest there is no photo pass
  EXPECT_TRUE(bench.posted.paths.empty());
  EXPECT_EQ(bench.posted.counts(),
            (std::map<std::string, std::size_t>{{"ScanContactInfo", 3},
                                                {"ScanMessageInfo", 4},
                                                {"ScanCallHistoryInfo", 3},
                                                {"ScanNoteInfo", 2},
                                                {"scanBookMarkInfo", 7},
                                                {"scanCalenderInfo", 2},
                                                {"ScanPhotoAndVideo", 3},
                                                {"scanFaceTwitterInfo", 1}}));
}

}  // namespace
}  // namespace orvane
