// orvane-cli on device backup folders: the catalogue listing and the scan.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "fixtures/ios_backup_writer.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using testing::runCli;

constexpr const char* kBackupId = "0123456789abcdef0123456789abcdef01234567";

class CliDeviceBackup : public ::testing::Test {
 protected:
  void SetUp() override {
    IosBackupWriter backup(folder(), IosLayout::ios17);
    backup.info("Device Name", "Ann's iPhone")
        .info("Product Type", "iPhone4,1")
        .info("Serial Number", "C39XYZ");
    backup.person({.first = "Ann", .last = "Lee", .phones = {"555-1234"}})
        .message({.text = "see you at 8", .date = 400000000, .address = "5551234", .fromMe = true})
        .call({.address = "5551234", .date = 1300000000, .duration = 75})
        .note({.title = "Groceries", .body = "milk"})
        .bookmark("News", "https://example.org/");
    backup.write();
  }
  std::filesystem::path folder() const { return root / kBackupId; }

  fixtures::ScratchFolder root;
};

TEST_F(CliDeviceBackup, BackupsListsOneLinePerBackupUnderTheRoot) {
  std::filesystem::create_directory(root / ".hidden");
  const auto result = runCli({"backups", "--root", root.path().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(testing::lineCount(result.out), 1) << result.out;
  for (const char* part : {"Ann's iPhone", "Iphone 4S", "C39XYZ", kBackupId}) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part << " in " << result.out;
  }
}

// The summary counts each category; the export writes every device folder.
TEST_F(CliDeviceBackup, ScanCountsAndExportsEachCategory) {
  const auto result = runCli({"scan", folder().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  // the five default bookmarks come with every scan
  EXPECT_EQ(result.out,
            "Photo&Video    0\n"
            "Contacts       1\n"
            "Messages       1\n"
            "Notes          1\n"
            "Call History   1\n"
            "Bookmarks      6\n"
            "Calendar       0\n"
            "App Media      0\n"
            "Total          10\n");

  const auto target = root / "Rescued";
  const auto exported = runCli({"scan", folder().string(), "--export", target.string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  for (const char* name : {"Contact", "Message", "Note", "Calendar&Reminder", "CallHistory",
                           "BookMark", "Photo&Video", "App Media"}) {
    EXPECT_TRUE(std::filesystem::is_directory(target / name)) << name;
  }
  EXPECT_TRUE(std::filesystem::exists(target / "Contact" / "Ann Lee.vcf"));
  EXPECT_NE(fixtures::readFileText(target / "Note" / "Notes.txt").find("milk"), std::string::npos);
}

}  // namespace
}  // namespace orvane
