#include <gtest/gtest.h>
#include <sqlite3.h>

#include "fixtures/media_files.h"
#include "ios/backup_file_name.h"
#include "ios/ios_device_controller.h"
#include "ios/mbdb_reader.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using testing::IosScanBench;

TEST(BackupFileName, AddressBookIsNamedByTheDigestOfDomainDashPath) {
  EXPECT_EQ(backupFileName("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"),
            "31bb7ba8914766d4ba40d6dfb6113c8b614be442");
  // an absent path hashes the domain followed by "-"
  EXPECT_EQ(backupFileName("HomeDomain", ""), "70765829101933f25994c71bbee6dfd685535bff");
}

// The domain and path of each record walked; a cut record is handed over
// only when its domain and path are whole.
TEST(MbdbReader, WalksWholeRecordsPastPropertiesAbsentStringsAndCuts) {
  const auto two =
      IosBackupWriter::mbdbBytes({{"HomeDomain", "one.jpg", {}}, {"HomeDomain", "two.jpg", {}}});
  const long oneRecord = static_cast<long>(two.size() - 6) / 2;
  auto wrongMagic = IosBackupWriter::mbdbBytes({{"HomeDomain", "a.jpg", {}}});
  wrongMagic[3] = 'x';  // "mbdx"
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> places;
  } cases[] = {
      {"properties and absent strings",
       IosBackupWriter::mbdbBytes({
           {"CameraRollDomain",
            "Media/DCIM/100APPLE/IMG_0001.JPG",
            {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
           {"HomeDomain", std::nullopt, {}},
           {std::nullopt, "Library/x", {{"", ""}}},
           {"MediaDomain", "Media/Recordings/1.m4a", {}},
       }),
       {"CameraRollDomain|Media/DCIM/100APPLE/IMG_0001.JPG", "HomeDomain|", "|Library/x",
        "MediaDomain|Media/Recordings/1.m4a"}},
      {"cut in the fixed fields",
       {two.begin(), two.end() - 10},
       {"HomeDomain|one.jpg", "HomeDomain|two.jpg"}},
      {"cut in the path", {two.begin(), two.begin() + 6 + oneRecord + 15}, {"HomeDomain|one.jpg"}},
      {"short magic", {two.begin(), two.begin() + 5}, {}},
      {"wrong magic", wrongMagic, {}},
      {"empty", {}, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> places;
    walkMbdbBytes(c.bytes, [&](const MbdbReader::RawRecord& r, std::uint64_t) {
      places.push_back(r.domain + "|" + r.path);
    });
    EXPECT_EQ(places, c.places) << c.what;
  }
}

// "Manifest.mbdb" with files at the top, or "Manifest.db" with files in
// two-digit subfolders.
class ManifestPass : public ::testing::TestWithParam<IosLayout> {};

TEST_P(ManifestPass, MediaDomainsReachTheMediaStepWithTheirBackupFiles) {
  testing::Backup backup(GetParam());
  backup.writer
      .file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::tinyJpegBytes())
      .file("AppDomain-com.example.Other", "Documents/a.png", fixtures::tinyPngBytes())
      .listedOnly("MediaDomain", "Media/Recordings/memo.m4a");
  backup.writer.write();

  IosScanBench bench;
  auto scanner = bench.scanner();
  EXPECT_EQ(scanner.scanDirAnalyThread(backup.folder), 1u);
  EXPECT_EQ(scanner.missingFiles(), 1u);  // the memo: listed, not backed up
  const auto media = bench.posted.all<PRPhotoAndVideoNode>("ScanPhotoAndVideo");
  ASSERT_EQ(media.size(), 1u);
  const std::string name = *backupFileName("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG");
  EXPECT_EQ(testing::row(media[0]->fileNodeName, media[0]->filePath, int{media[0]->bmov}),
            "IMG_0001.JPG|" + backup.writer.pathOf(name).string() + "|0");
  ASSERT_FALSE(bench.posted.progress.empty());
  for (auto p : bench.posted.progress) EXPECT_LE(p, 20);
}

INSTANTIATE_TEST_SUITE_P(BothManifestForms, ManifestPass,
                         ::testing::Values(IosLayout::ios5, IosLayout::ios17));

TEST(ManifestPass, ManifestDbRowsThatCouldLeaveTheFolderAreIgnored) {
  testing::Backup backup(IosLayout::ios17);
  backup.writer.write();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((backup.folder / "Manifest.db").c_str(), &db), SQLITE_OK);
  sqlite3_exec(
      db,
      "INSERT INTO Files VALUES ('../../etc/passwd', 'CameraRollDomain', 'a.jpg', 1, NULL);"
      "INSERT INTO Files VALUES ('0123456789012345678901234567890123456789', "
      "'CameraRollDomain', 'Media/DCIM', 2, NULL);",
      nullptr, nullptr, nullptr);
  sqlite3_close(db);
  IosScanBench bench;
  EXPECT_EQ(bench.scanner().scanDirAnalyThread(backup.folder), 0u);
  EXPECT_TRUE(bench.posted.records.empty());
}

TEST(DeviceType, KeysAreSearchedInOrderWithoutRegardToCase) {
  const auto type = [](const char* product) {
    return PRIOSDeviceController::GetDevcieType(std::string_view(product)).value_or("<none>");
  };
  // later identifiers are matched whole; unknown ones are shown as they are
  for (const auto& [product, expected] : std::vector<std::pair<const char*, const char*>>{
           {"iPhone3,1", "Iphone 4"},
           {"IPHONE4,1", "Iphone 4S"},
           {"iPhone14,2", "iPhone 13 Pro"},
           {"iPad7,1", "iPad Pro (12.9-inch) (2nd generation)"},
           {"iPad7,11", "iPad (7th generation)"},
           {"iPhone99,1", "iPhone99,1"},
           {"", "Iphone"}}) {
    EXPECT_EQ(type(product), expected) << product;
  }
  EXPECT_EQ(PRIOSDeviceController::GetDevcieType(std::nullopt), "Iphone");
}

TEST(BackupTime, UtcTextIsCutToTheMinuteInLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  // 2013-01-02 03:04:05 UTC
  EXPECT_EQ(PRIOSDeviceController::backUpTimeText(1357095845, {10, 8, 0}), "2013-01-02 03:04");
  EXPECT_EQ(PRIOSDeviceController::convertCurrentTimeZone2("nonsense"), std::nullopt);
}

}  // namespace
}  // namespace orvane
