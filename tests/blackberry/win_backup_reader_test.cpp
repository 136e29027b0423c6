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

// Files are read in number order, each with its database's decoder and a
// progress through the folder's bytes after each record; hidden entries, files without the header,
// folders and databases that are not decoded give nothing.
TEST(WinBackupReader, ReadsEachFileInNumberOrderSkippingWhatIsNoDatabase) {
  const fixtures::ScratchFolder folder;
  fixtures::writeFileBytes(folder / "10.dat", databaseFile("Memos", {{Field(1, "ten")}}));
  fixtures::writeFileBytes(
      folder / "1.dat",
      databaseFile("Address Book - All", {{Field(32, "Ann")}, {Field(32, "Bob")}}));
  fixtures::writeFileBytes(folder / "2.dat", databaseFile("SMS Messages", {{Field(4, "hello")}}));
  fixtures::writeFileBytes(folder / ".DS_Store", databaseFile("Memos", {{Field(1, "hidden")}}));
  fixtures::writeFileBytes(
      folder / "3.dat",
      IpdWriter(IpdWriter().withoutHeader()).database("Memos").record(0, {Field(1, "no header")}));
  fixtures::writeFileBytes(folder / "4.dat", databaseFile("Tasks", {{Field(1, "task")}}));
  fixtures::writeFileBytes(folder / "5.dat", Bytes{});
  std::filesystem::create_directory(folder / "6.dat");
  WinScan scan;
  // the task file is a database file, only not one that is decoded
  EXPECT_EQ(scan.reader.scanBlackBerryWinBackUpThread(folder.path()), 4u);
  EXPECT_EQ(scan.collector.names(),
            (std::vector<std::string>{"BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                      "BlacBerryContactInfo", "BlackBerryRawRecoveryProgress",
                                      "BlackBerrySMSMessageInfo", "BlackBerryRawRecoveryProgress",
                                      "BlackBerryNoteInfo", "BlackBerryRawRecoveryProgress"}));
  const auto progress = scan.collector.progress();
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_LT(progress.front(), 100);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(scan.collector.records<PRBlackBerryNoteNode>().at(0)->noteTittle, "ten");
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
