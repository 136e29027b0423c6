#include <gtest/gtest.h>

#include <filesystem>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using fixtures::IosLayout;

// In a real backup a database's write-ahead log is a backup file of its
// own, named by the hash of "HomeDomain-Library/SMS/sms.db-wal"; rows
// added since the last checkpoint live only there.
class DatabaseLog : public ::testing::TestWithParam<IosLayout> {};

TEST_P(DatabaseLog, TheLogStoredUnderItsOwnHashIsFoldedIn) {
  testing::Backup backup(GetParam());
  backup.writer.writeAheadLog()
      .message({.text = "only in the log", .address = "555"})
      .call({.address = "555", .duration = 3});
  backup.writer.write();
  for (const auto& [hash, domainPath] :
       {std::pair{backup_names::kMessages, "HomeDomain-Library/SMS/sms.db"},
        {backup_names::kCallHistory, "WirelessDomain-Library/CallHistory/call_history.db"}}) {
    for (const char* suffix : {"-wal", "-shm"}) {
      const fs::path beside = backup.writer.pathOf(hash).string() + suffix;
      ASSERT_TRUE(fs::exists(beside)) << beside;
      const fs::path own = backup.writer.pathOf(*hashedNameOf(std::string(domainPath) + suffix));
      fs::create_directories(own.parent_path());
      fs::rename(beside, own);
    }
  }

  testing::IosScanBench bench;
  bench.scanWhole(backup.folder);
  const auto messages = bench.posted.all<PRMessageNode>("ScanMessageInfo");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]->messageContent, "only in the log");
  EXPECT_EQ(bench.posted.all<PRCallHistoryNode>("ScanCallHistoryInfo").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(FlatAndNested, DatabaseLog,
                         ::testing::Values(IosLayout::ios5, IosLayout::current));

TEST(DatabaseLog, KnownDatabasesAreNamedByTheirDomainAndPath) {
  EXPECT_EQ(knownDomainPathOf(backup_names::kMessages), "HomeDomain-Library/SMS/sms.db");
  EXPECT_EQ(knownDomainPathOf(backup_names::kCalendar),
            "HomeDomain-Library/Calendar/Calendar.sqlitedb");
  EXPECT_EQ(knownDomainPathOf("0000000000000000000000000000000000000000"), std::nullopt);
}

}  // namespace
}  // namespace orvane
