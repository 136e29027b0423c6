#include <gtest/gtest.h>
#include <sqlite3.h>

#include "fixtures/media_files.h"
#include "ios/backup_file_name.h"
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
  EXPECT_EQ(backupFileName("HomeDomain", "Library/SMS/sms.db"), backup_names::kMessages);
  EXPECT_EQ(backupFileName("HomeDomain", "Library/Calendar/Calendar.sqlitedb"),
            backup_names::kCalendar);
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
  fixtures::ScratchFolder scratch;
  const auto folder = testing::backupIn(scratch);
  IosBackupWriter backup(folder, GetParam());
  backup.file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", fixtures::tinyJpegBytes())
      .file("AppDomain-com.example.Other", "Documents/a.png", fixtures::tinyPngBytes())
      .listedOnly("MediaDomain", "Media/Recordings/memo.m4a");
  backup.write();

  IosScanBench bench;
  auto scanner = bench.scanner();
  EXPECT_EQ(scanner.scanDirAnalyThread(folder), 1u);
  EXPECT_EQ(scanner.missingFiles(), 1u);  // the memo: listed, not backed up
  const auto media = bench.posted.all<PRPhotoAndVideoNode>("ScanPhotoAndVideo");
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media[0]->fileNodeName, "IMG_0001.JPG");
  EXPECT_EQ(media[0]->filePath,
            backup.pathOf(*backupFileName("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG"))
                .string());
  EXPECT_EQ(media[0]->bmov, 0);
  EXPECT_NE(media[0]->fileNodeSize, "0.00B");
  ASSERT_FALSE(bench.posted.progress.empty());
  for (auto p : bench.posted.progress) EXPECT_LE(p, 20);
}

INSTANTIATE_TEST_SUITE_P(BothManifestForms, ManifestPass,
                         ::testing::Values(IosLayout::ios5, IosLayout::ios17));

TEST(ManifestPass, ManifestDbRowsThatCouldLeaveTheFolderAreIgnored) {
  fixtures::ScratchFolder scratch;
  const auto folder = testing::backupIn(scratch);
  IosBackupWriter(folder, IosLayout::ios17).write();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder / "Manifest.db").c_str(), &db), SQLITE_OK);
  sqlite3_exec(
      db,
      "INSERT INTO Files VALUES ('../../etc/passwd', 'CameraRollDomain', 'a.jpg', 1, NULL);"
      "INSERT INTO Files VALUES ('0123456789012345678901234567890123456789', "
      "'CameraRollDomain', 'Media/DCIM', 2, NULL);",
      nullptr, nullptr, nullptr);
  sqlite3_close(db);
  IosScanBench bench;
  EXPECT_EQ(bench.scanner().scanDirAnalyThread(folder), 0u);
  EXPECT_TRUE(bench.posted.records.empty());
}

}  // namespace
}  // namespace orvane
