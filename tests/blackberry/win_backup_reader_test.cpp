// The per-database form of Windows backups: one IPD-style file per database.

#include "blackberry/win_backup_reader.h"

#include <gtest/gtest.h>

#include "bb_test_support.h"
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

TEST(WinBackupReader, RecordsBelongToTheFilesDatabaseWhateverTheirIndex) {
  WinScan scan;
  // "Phone History" holds calls
  EXPECT_TRUE(scan.reader.scanDatabaseBytes(IpdWriter()
                                                .database("Phone History")
                                                .record(7, {Field(12, "+1555"), Field::raw(2, {1})})
                                                .record(0, {Field(12, "+1666")})
                                                .bytes()));
  const auto calls = scan.collector.records<PRBlackBerryCallNode>();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]->CallNumber, "+1555");
  EXPECT_EQ(calls[0]->CallType, "Send");
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

}  // namespace
}  // namespace orvane::testing
