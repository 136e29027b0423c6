// orvane-cli on encrypted device backups: read exactly as their plain twin,
// deleted rows too, the backup left as it was, and one line when the
// password is missing or wrong.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "fixtures/ios_backup_writer.h"

namespace orvane {
namespace {

using fixtures::BackupEncryption;
using fixtures::IosBackupWriter;
using testing::runCli;

constexpr const char* kBackupId = "0123456789abcdef0123456789abcdef01234567";

// a picture that ends inside a cipher block and spans many of them
std::vector<std::uint8_t> pictureBytes() {
  std::vector<std::uint8_t> bytes(70001);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

enum class Layout { manifestDb, manifestDbOldKeybag, manifestMbdb };

// A first message deleted, its row carved from the log (before iOS 7) or
// the main file (today).
void writeBackup(Layout layout, const std::filesystem::path& folder,
                 std::optional<BackupEncryption> encryption = std::nullopt) {
  const bool mbdb = layout == Layout::manifestMbdb;
  IosBackupWriter backup(folder, mbdb ? fixtures::IosLayout::ios6 : fixtures::IosLayout::ios17,
                         mbdb ? fixtures::Journal::writeAheadLog : fixtures::Journal::rollback);
  if (encryption) backup.encrypted(*encryption);
  backup
      .person({.first = "Ann",
               .last = "Lee",
               .phones = {"555-1234"},
               .addresses = {{.street = "1 Main St", .city = "Springfield"}}})
      .message({.text = "running late", .date = 399999000, .address = "5551234"})
      .message({.text = "see you at 8", .date = 400000000, .address = "5551234", .fromMe = true})
      .message({.date = 400000060,
                .address = "5551234",
                .attributedBody = IosBackupWriter::attributedBody("from the body")})
      .call({.address = "5551234", .date = 720000000, .duration = 61})
      .note({.title = "Groceries", .body = "milk"})
      .bookmark("News", "https://example.org/")
      .historyEntry("https://example.org/", "Example")
      .file("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", pictureBytes())
      .deleteRows(fixtures::Store::messages, "delete from message where ROWID = 1;");
  backup.write();
}

std::string withoutFolder(std::string text, const std::string& folder) {
  for (std::size_t at; (at = text.find(folder)) != std::string::npos;) {
    text.replace(at, folder.size(), "BACKUP");
  }
  return text;
}

class CliEncryptedBackup : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    writeBackup(GetParam(), plain);
    writeBackup(
        GetParam(), encrypted,
        BackupEncryption{.password = "correct horse",
                         .doubleProtectionRounds = GetParam() == Layout::manifestDb ? 10u : 0u});
    fixtures::writeFileText(root / "password", "correct horse\n");
    fixtures::writeFileText(root / "wrong", "correct horse \n");
  }

  fixtures::ScratchFolder root;
  std::filesystem::path plain = root / "plain" / kBackupId;
  std::filesystem::path encrypted = root / "encrypted" / kBackupId;
};

TEST_P(CliEncryptedBackup, ReadsAsThePlainBackupOnlyWithItsPasswordAndLeavesTheFolderAsItWas) {
  const auto before = fixtures::filesUnder(encrypted);
  const auto expected = runCli({"scan", plain.string(), "--json"});
  ASSERT_EQ(expected.status, 0) << expected.err;
  // the deleted row among them, read through the decrypted copies
  const auto deleted = expected.out.find("\"bDeleted\":1");
  ASSERT_NE(deleted, std::string::npos) << expected.out;
  EXPECT_EQ(expected.out.find("\"bDeleted\":1", deleted + 1), std::string::npos);

  const auto result = runCli(
      {"scan", encrypted.string(), "--json", "--password-file", (root / "password").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(withoutFolder(result.out, encrypted.string()),
            withoutFolder(expected.out, plain.string()));
  EXPECT_EQ(fixtures::filesUnder(encrypted), before);

  // the picture is exported decrypted, whole and without its padding
  const auto target = root / "Rescued";
  const auto exported = runCli({"scan", encrypted.string(), "--export", target.string(),
                                "--password-file", (root / "password").string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const auto picture = pictureBytes();
  EXPECT_EQ(fixtures::readFileText(target / "Photo&Video" / "IMG_0001.JPG"),
            std::string(picture.begin(), picture.end()));
  EXPECT_EQ(fixtures::filesUnder(encrypted), before);

  // without the right password: one line and no record
  struct Case {
    std::vector<std::string> extra;
    const char* line;
  };
  for (const Case& c : std::vector<Case>{
           {{}, "the backup is encrypted: give its password with --password-file FILE"},
           {{"--password-file", (root / "wrong").string()},
            "the password is wrong for this encrypted backup"},
           {{"--password-file", (root / "absent").string()}, "the password file cannot be read"}}) {
    std::vector<std::string> arguments = {"scan", encrypted.string(), "--json"};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const auto refused = runCli(arguments);
    EXPECT_EQ(refused.status, 2) << c.line;
    EXPECT_EQ(refused.out, "") << c.line;
    EXPECT_EQ(testing::lineCount(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find(c.line), std::string::npos) << refused.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CliEncryptedBackup,
                         ::testing::Values(Layout::manifestDb, Layout::manifestDbOldKeybag,
                                           Layout::manifestMbdb));

TEST(CliDeviceBackups, BackupsMarksTheEncryptedOneAndScanCountsEachCategory) {
  fixtures::ScratchFolder root;
  writeBackup(Layout::manifestDb, root / "a-plain");
  writeBackup(Layout::manifestDb, root / "b-encrypted", BackupEncryption{.password = "x"});
  const auto result = runCli({"backups", "--root", root.path().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(testing::lineCount(result.out), 2) << result.out;
  // only the last line, the encrypted backup's, is marked
  EXPECT_TRUE(result.out.ends_with("b-encrypted\tencrypted\n")) << result.out;
  EXPECT_EQ(result.out.find("\tencrypted"), result.out.size() - 11) << result.out;

  const auto scan = runCli({"scan", (root / "a-plain").string()});
  ASSERT_EQ(scan.status, 0) << scan.err;
  // the deleted message counts with the live ones; default bookmarks come with every scan
  EXPECT_EQ(scan.out,
            "Photo&Video    1\n"
            "Contacts       1\n"
            "Messages       3\n"
            "Notes          1\n"
            "Call History   1\n"
            "Bookmarks      7\n"
            "Calendar       0\n"
            "App Media      0\n"
            "Total          14\n");
}

}  // namespace
}  // namespace orvane
