// The per-database form of Windows backups: one IPD-style file per database.

#include "blackberry/win_backup_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "bb_test_support.h"
#include "blackberry/file_window.h"
#include "fixtures/scratch_folder.h"

namespace orvane::testing {
namespace {

// A per-database file: the IPD layout with one database.
Bytes databaseFile(const std::string& name, const std::vector<std::vector<Field>>& records) {
  IpdWriter file;
  file.database(name);
  for (const auto& fields : records) file.record(0, fields);
  return file;
}

struct WinScan {
  NotificationCenter nc;
  EventCollector collector{nc};
  WinBackupReader reader{nc};
};

TEST(WinBackupReader, ReadsEachFileWithItsDatabasesDecoderAndProgressSixty) {
  const fixtures::ScratchFolder folder;
  fixtures::writeFileBytes(
      folder / "1.dat",
      databaseFile("Address Book - All", {{Field(32, "Ann")}, {Field(32, "Bob")}}));
  fixtures::writeFileBytes(folder / "2.dat", databaseFile("SMS Messages", {{Field(4, "hello")}}));
  WinScan scan;
  EXPECT_EQ(scan.reader.scanBlackBerryWinBackUpThread(folder.path()), 2u);
  EXPECT_EQ(
      scan.collector.names(),
      (std::vector<std::string>{"BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                "BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                "BlackBerrySMSMessageInfo", "BlackBerryRawRecoveryProgress"}));
  EXPECT_EQ(scan.collector.progress(), (std::vector<std::int64_t>{60, 60, 60}));
}

TEST(WinBackupReader, PhoneHistoryHoldsCalls) {
  WinScan scan;
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(
      databaseFile("Phone History", {{Field(12, "+1555"), Field::raw(2, {1})}})));
  const auto calls = scan.collector.records<PRBlackBerryCallNode>();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]->CallNumber, "+1555");
  EXPECT_EQ(calls[0]->CallType, "Send");
}

TEST(WinBackupReader, RecordsBelongToTheFilesDatabaseWhateverTheirIndex) {
  WinScan scan;
  scan.reader.scanDatabaseBytes(
      IpdWriter().database("Memos").record(7, {Field(1, "a")}).record(0, {Field(1, "b")}).bytes());
  EXPECT_EQ(scan.collector.records<PRBlackBerryNoteNode>().size(), 2u);
}

TEST(WinBackupReader, SkipsHiddenEntriesFilesWithoutHeaderAndUnknownDatabases) {
  const fixtures::ScratchFolder folder;
  const Bytes memo = databaseFile("Memos", {{Field(1, "visible")}});
  fixtures::writeFileBytes(folder / ".DS_Store", databaseFile("Memos", {{Field(1, "hidden")}}));
  fixtures::writeFileBytes(folder / "1.dat", memo);
  fixtures::writeFileBytes(
      folder / "2.dat",
      IpdWriter(IpdWriter().withoutHeader()).database("Memos").record(0, {Field(1, "no header")}));
  fixtures::writeFileBytes(folder / "3.dat", databaseFile("Tasks", {{Field(1, "task")}}));
  fixtures::writeFileBytes(folder / "4.dat", Bytes{});
  std::filesystem::create_directory(folder / "5.dat");
  WinScan scan;
  // the task file is a database file, only not one that is decoded
  EXPECT_EQ(scan.reader.scanBlackBerryWinBackUpThread(folder.path()), 2u);
  const auto memos = scan.collector.records<PRBlackBerryNoteNode>();
  ASSERT_EQ(memos.size(), 1u);
  EXPECT_EQ(memos[0]->noteTittle, "visible");
}

TEST(WinBackupReader, FilesAreReadInNumberOrder) {
  const fixtures::ScratchFolder folder;
  for (int i : {10, 2, 1}) {
    fixtures::writeFileBytes(folder / (std::to_string(i) + ".dat"),
                             databaseFile("Memos", {{Field(1, std::to_string(i))}}));
  }
  WinScan scan;
  scan.reader.scanBlackBerryWinBackUpThread(folder.path());
  const auto memos = scan.collector.records<PRBlackBerryNoteNode>();
  ASSERT_EQ(memos.size(), 3u);
  EXPECT_EQ(memos[0]->noteTittle, "1");
  EXPECT_EQ(memos[1]->noteTittle, "2");
  EXPECT_EQ(memos[2]->noteTittle, "10");
}

TEST(WinBackupReader, DamagedFileKeepsItsEarlierRecords) {
  WinScan scan;
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(IpdWriter()
                                                .database("Memos")
                                                .record(0, {Field(1, "kept")})
                                                .recordWithLength(0, 2, {Field(1, "bad")})
                                                .bytes()));
  EXPECT_EQ(scan.collector.records<PRBlackBerryNoteNode>().size(), 1u);
  ASSERT_EQ(scan.reader.damageNotes().size(), 1u);
  // a name that runs past the end of the file
  Bytes cut = IpdWriter().database("Memos").bytes();
  cut.resize(46);
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(cut));
  EXPECT_EQ(scan.reader.damageNotes().size(), 2u);
}

TEST(WinBackupReader, FileShortenedWhileBeingReadKeepsItsEarlierRecords) {
  const fixtures::ScratchFolder folder;
  const auto path = folder / "1.dat";
  const Bytes bytes = databaseFile(
      "Memos", {{Field(1, "one")}, {Field(1, std::string(40, 'x'))}, {Field(1, "three")}});
  fixtures::writeFileBytes(path, bytes);
  std::string problem;
  // a window smaller than the header and than every record
  const auto window = FileWindow::open(path, problem, 8);
  ASSERT_NE(window, nullptr) << problem;
  const std::size_t cut = bytes.size() - 4;
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(cut)), 0);

  WinScan scan;
  EXPECT_TRUE(scan.reader.scanDatabaseFile(*window));
  const auto memos = scan.collector.records<PRBlackBerryNoteNode>();
  ASSERT_EQ(memos.size(), 3u);
  EXPECT_EQ(memos[1]->noteTittle, std::string(40, 'x'));
  EXPECT_EQ(memos[2]->noteTittle, "th");
  EXPECT_EQ(scan.reader.damageNotes(),
            std::vector<std::string>{"the file ended at offset " + std::to_string(cut) +
                                     " while being read"});
}

}  // namespace
}  // namespace orvane::testing
