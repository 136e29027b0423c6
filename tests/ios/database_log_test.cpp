#include <gtest/gtest.h>

#include <filesystem>

#include "ios_test_support.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::IosLayout;

// In a real backup a database's write-ahead log is a backup file of its
// own, named by the hash of "HomeDomain-Library/SMS/sms.db-wal"; some tools
// keep it as "<hash>-wal" beside the database. Rows added since the last
// checkpoint live only there; reading them never writes to the backup.
class DatabaseLog : public ::testing::TestWithParam<std::tuple<IosLayout, bool>> {};

TEST_P(DatabaseLog, RowsOnlyInTheLogAreReadAndTheBackupStaysAsItWas) {
  const auto [layout, beside] = GetParam();
  testing::Backup backup(layout, fixtures::Journal::writeAheadLog);
  backup.writer.person({.first = "Ann", .phones = {"555"}})
      .message({.text = "only in the log", .address = "555"})
      .call({.address = "555", .duration = 3})
      .note({.title = "n", .body = "b"})
      .bookmark("b", "http://b")
      .event({.title = "e", .start = 378000000});
  backup.writer.write();
  for (const auto store :
       {fixtures::Store::addressBook, fixtures::Store::messages, fixtures::Store::calls,
        fixtures::Store::notes, fixtures::Store::bookmarks, fixtures::Store::calendar}) {
    const fs::path own = backup.writer.logPathOf(store);
    ASSERT_TRUE(fs::exists(own)) << own;
    if (beside) fs::rename(own, backup.writer.pathOf(store).string() + "-wal");
  }
  const auto before = fixtures::filesUnder(backup.folder);

  testing::IosScanBench bench;
  bench.scanWhole(backup.folder);
  for (const auto& [event, count] : {std::pair{"ScanContactInfo", 1u},
                                     {"ScanMessageInfo", 1u},
                                     {"ScanCallHistoryInfo", 1u},
                                     {"ScanNoteInfo", 1u},
                                     {"scanBookMarkInfo", 6u},
                                     {"scanCalenderInfo", 1u}}) {
    EXPECT_EQ(bench.posted.records[event].size(), count) << event;
  }
  EXPECT_EQ(bench.posted.all<PRMessageNode>("ScanMessageInfo").at(0)->messageContent,
            "only in the log");
  EXPECT_EQ(fixtures::filesUnder(backup.folder), before);
}

INSTANTIATE_TEST_SUITE_P(FlatAndNested, DatabaseLog,
                         ::testing::Combine(::testing::Values(IosLayout::ios5, IosLayout::ios17),
                                            ::testing::Bool()));

}  // namespace
}  // namespace orvane
