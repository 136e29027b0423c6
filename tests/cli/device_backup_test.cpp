// orvane-cli on device backup folders: the catalogue listing and the scan.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_runner.h"
#include "fixtures/ios_backup_writer.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using testing::runCli;

constexpr const char* kBackupId = "0123456789abcdef0123456789abcdef01234567";

void writeSmallBackup(const std::filesystem::path& folder) {
  IosBackupWriter backup(folder, IosLayout::current);
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

TEST(CliDeviceBackup, BackupsListsOneLinePerBackupUnderTheRoot) {
  fixtures::ScratchFolder root;
  writeSmallBackup(root / kBackupId);
  std::filesystem::create_directory(root / ".hidden");
  const auto result = runCli({"backups", "--root", root.path().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
  for (const char* part : {"Ann's iPhone", "Iphone 4S", "C39XYZ", kBackupId}) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part << " in " << result.out;
  }
}

TEST(CliDeviceBackup, MissingRootIsAnErrorNamingIt) {
  const auto result = runCli({"backups", "--root", "/nonexistent/Backup"});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("/nonexistent/Backup"), std::string::npos);
}

TEST(CliDeviceBackup, ScanCountsEachCategory) {
  fixtures::ScratchFolder root;
  writeSmallBackup(root / kBackupId);
  const auto result = runCli({"scan", (root / kBackupId).string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Contacts       1\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Messages       1\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Call History   1\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Notes          1\n"), std::string::npos) << result.out;
  // the five default bookmarks come with every scan
  EXPECT_NE(result.out.find("Bookmarks      6\n"), std::string::npos) << result.out;
}

TEST(CliDeviceBackup, JsonNamesTheMessageSenderFromTheContacts) {
  fixtures::ScratchFolder root;
  writeSmallBackup(root / kBackupId);
  const auto result = runCli({"scan", (root / kBackupId).string(), "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  bool sawMessage = false;
  for (std::string line; std::getline(lines, line);) {
    const auto record = nlohmann::json::parse(line);
    if (record["class"] != "PRMessageNode") continue;
    sawMessage = true;
    EXPECT_EQ(record["messageContent"], "see you at 8");
    EXPECT_EQ(record["messageName"], "Ann Lee");
    EXPECT_EQ(record["messageType"], "Send");
  }
  EXPECT_TRUE(sawMessage) << result.out;
}

TEST(CliDeviceBackup, ExportWritesTheDeviceFolders) {
  fixtures::ScratchFolder root;
  writeSmallBackup(root / kBackupId);
  const auto target = root / "Rescued";
  const auto result = runCli({"scan", (root / kBackupId).string(), "--export", target.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* folder : {"Contact", "Message", "Note", "Calendar&Reminder", "CallHistory",
                             "BookMark", "Photo&Video", "App Media"}) {
    EXPECT_TRUE(std::filesystem::is_directory(target / folder)) << folder;
  }
  EXPECT_TRUE(std::filesystem::exists(target / "Contact" / "Ann Lee.vcf"));
  EXPECT_NE(fixtures::readFileText(target / "Note" / "Notes.txt").find("milk"), std::string::npos);
}

TEST(CliDeviceBackup, FolderThatIsNoBackupExitsTwoWithOneLine) {
  fixtures::ScratchFolder root;
  fixtures::writeFileText(root / "readme.txt", "hello");
  const auto result = runCli({"scan", root.path().string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_NE(result.err.find("not a device backup"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace orvane
