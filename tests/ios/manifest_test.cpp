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

std::vector<MbdbReader::RawRecord> walk(const std::vector<std::uint8_t>& bytes) {
  std::vector<MbdbReader::RawRecord> records;
  walkMbdbBytes(bytes,
                [&](const MbdbReader::RawRecord& r, std::uint64_t) { records.push_back(r); });
  return records;
}

TEST(BackupFileName, AddressBookIsNamedByTheDigestOfDomainDashPath) {
  EXPECT_EQ(backupFileName("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"),
            "31bb7ba8914766d4ba40d6dfb6113c8b614be442");
  EXPECT_EQ(backupFileName("HomeDomain", "Library/SMS/sms.db"), backup_names::kMessages);
  EXPECT_EQ(backupFileName("HomeDomain", "Library/Calendar/Calendar.sqlitedb"),
            backup_names::kCalendar);
  // an absent path hashes the domain followed by "-"
  EXPECT_EQ(backupFileName("HomeDomain", ""), "70765829101933f25994c71bbee6dfd685535bff");
}

TEST(MbdbReader, WalksRecordsPastPropertiesAndAbsentStrings) {
  const auto bytes = IosBackupWriter::mbdbBytes({
      {"CameraRollDomain",
       "Media/DCIM/100APPLE/IMG_0001.JPG",
       {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
      {"HomeDomain", std::nullopt, {}},
      {std::nullopt, "Library/x", {{"", ""}}},
      {"MediaDomain", "Media/Recordings/1.m4a", {}},
  });
  std::vector<std::string> places;
  for (const auto& r : walk(bytes)) places.push_back(r.domain + "|" + r.path);
  EXPECT_EQ(places, (std::vector<std::string>{"CameraRollDomain|Media/DCIM/100APPLE/IMG_0001.JPG",
                                              "HomeDomain|", "|Library/x",
                                              "MediaDomain|Media/Recordings/1.m4a"}));
}

TEST(MbdbReader, WrongOrShortMagicYieldsNothing) {
  auto bytes = IosBackupWriter::mbdbBytes({{"HomeDomain", "a.jpg", {}}});
  EXPECT_TRUE(walk({bytes.begin(), bytes.begin() + 5}).empty());
  bytes[3] = 'x';  // "mbdx"
  EXPECT_TRUE(walk(bytes).empty());
  EXPECT_TRUE(walk({}).empty());
}

TEST(MbdbReader, CutRecordKeepsEarlierRecordsAndAWholeDomainAndPath) {
  const auto bytes =
      IosBackupWriter::mbdbBytes({{"HomeDomain", "one.jpg", {}}, {"HomeDomain", "two.jpg", {}}});
  const std::size_t oneRecord = (bytes.size() - 6) / 2;
  // cut inside the second record's fixed fields: its domain and path are whole
  auto records = walk({bytes.begin(), bytes.end() - 10});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].path, "two.jpg");
  // cut inside the second record's path: only the first is handed over
  records = walk({bytes.begin(), bytes.begin() + static_cast<long>(6 + oneRecord + 15)});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].path, "one.jpg");
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
