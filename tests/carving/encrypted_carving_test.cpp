// Deleted rows of an encrypted backup: carved from the decrypted copies,
// the same records as from the plain twin of the same databases.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"
#include "legacy_backup_writer.h"

namespace orvane::carving {
namespace {

using fixtures::Journal;
using fixtures::LegacyIos;
using fixtures::Store;

std::string withoutFolder(std::string text, const std::string& folder) {
  for (std::size_t at; (at = text.find(folder)) != std::string::npos;) {
    text.replace(at, folder.size(), "BACKUP");
  }
  return text;
}

TEST(EncryptedCarving, DeletedRowsReadAsInThePlainTwin) {
  fixtures::ScratchFolder scratch;
  const auto plain = scratch / "plain";
  {
    fixtures::LegacyBackupWriter backup(plain, LegacyIos::ios6, Journal::writeAheadLog);
    backup.person({.first = "Ann", .last = "Lee", .phones = {"555-0101"}});
    backup.person({.first = "Bob", .last = "Roe", .phones = {"555-0202"}});
    backup.message({.text = "see you at 8", .address = "555-0101", .date = 370000000});
    backup.message({.text = "running late", .address = "555-0202", .date = 370000100});
    backup.call("555-0101", 1340000100, 65, 5);
    backup.call("555-0202", 1340000200, 0, 4);
    backup.deleteRows(Store::addressBook,
                      "delete from ABMultiValue where record_id = 2;"
                      "delete from ABPerson where ROWID = 2;");
    backup.deleteRows(Store::messages, "delete from message where ROWID = 1;");
    backup.deleteRows(Store::calls, "delete from call where ROWID = 2;");
    backup.write();
  }

  // the same database files, each encrypted under a key of its own
  const auto encrypted = scratch / "encrypted";
  {
    fixtures::IosBackupWriter backup(encrypted, fixtures::IosLayout::ios6);
    backup.encrypted({.password = "open sesame"})
        .info("Product Version", "6.1.6")
        .manifest(fixtures::ManifestForm::mbdb);
    for (const char* domainPath :
         {"HomeDomain-Library/AddressBook/AddressBook.sqlitedb", "HomeDomain-Library/SMS/sms.db",
          "WirelessDomain-Library/CallHistory/call_history.db"}) {
      const std::string text = domainPath;
      const auto dash = text.find('-');
      for (const char* suffix : {"", "-wal"}) {
        const auto name = hashedNameOf(text + suffix);
        ASSERT_TRUE(name);
        if (!std::filesystem::exists(plain / *name)) continue;
        backup.file(text.substr(0, dash), text.substr(dash + 1) + suffix,
                    fixtures::readFileBytes(plain / *name));
      }
    }
    backup.write();
  }
  fixtures::writeFileText(scratch / "password", "open sesame\n");

  const auto expected = testing::runCli({"scan", plain.string(), "--json"});
  ASSERT_EQ(expected.status, 0) << expected.err;
  std::size_t deleted = 0;
  for (std::size_t at = 0; (at = expected.out.find("\"bDeleted\":1", at)) != std::string::npos;
       ++at) {
    ++deleted;
  }
  ASSERT_EQ(deleted, 3u) << expected.out;

  const auto result = testing::runCli(
      {"scan", encrypted.string(), "--json", "--password-file", (scratch / "password").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(withoutFolder(result.out, encrypted.string()),
            withoutFolder(expected.out, plain.string()));
}

}  // namespace
}  // namespace orvane::carving
