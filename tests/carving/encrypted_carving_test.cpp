// Deleted rows of an encrypted backup: carved from the decrypted copies,
// the same records as from the plain twin of the same databases, of the
// older layouts and of today's.

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/modern_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"
#include "legacy_backup_writer.h"
#include "modern_deletions.h"

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

// The stores a device backup may hold, by domain and path.
constexpr const char* kStores[] = {
    "HomeDomain-Library/AddressBook/AddressBook.sqlitedb",
    "HomeDomain-Library/SMS/sms.db",
    "WirelessDomain-Library/CallHistory/call_history.db",
    "HomeDomain-Library/CallHistoryDB/CallHistory.storedata",
    "AppDomainGroup-group.com.apple.notes-NoteStore.sqlite",
    "HomeDomain-Library/Notes/notes.sqlite",
    "HomeDomain-Library/Safari/Bookmarks.db",
    "HomeDomain-Library/Calendar/Calendar.sqlitedb",
};

// An iOS 6 backup in log mode and an iOS 17 one, each with rows deleted.
void writeLegacy(const std::filesystem::path& folder) {
  fixtures::LegacyBackupWriter backup(folder, LegacyIos::ios6, Journal::writeAheadLog);
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

void writeModern(const std::filesystem::path& folder) {
  fixtures::ModernBackupWriter backup;
  backup.calls = {{.address = "+15550100", .date = 720000000, .duration = 61},
                  {.address = "+15550199", .date = 720000500, .duration = 0}};
  backup.notes = {{.title = "Plans", .text = "paint the fence", .created = 7e8, .modified = 7e8},
                  {.title = "Gifts", .text = "a red scarf", .created = 7e8, .modified = 7.1e8}};
  backup.write(folder);
  fixtures::deleteModernRows(folder, kStores[3], "delete from ZCALLRECORD where Z_PK = 2;",
                             Journal::rollback);
}

struct Twin {
  void (*writePlain)(const std::filesystem::path&);
  fixtures::IosLayout layout;
  const char* version;
  std::size_t deleted;
};

class EncryptedCarving : public ::testing::TestWithParam<Twin> {};

TEST_P(EncryptedCarving, DeletedRowsReadAsInThePlainTwin) {
  fixtures::ScratchFolder scratch;
  const auto plain = scratch / "plain";
  GetParam().writePlain(plain);

  // the same database files, each encrypted under a key of its own
  const auto encrypted = scratch / "encrypted";
  {
    fixtures::IosBackupWriter backup(encrypted, GetParam().layout);
    backup.encrypted({.password = "open sesame"}).info("Product Version", GetParam().version);
    for (const std::string domainPath : kStores) {
      const auto dash = domainPath.find('-');
      for (const char* suffix : {"", "-wal"}) {
        const auto name = hashedNameOf(domainPath + suffix);
        ASSERT_TRUE(name);
        for (const auto& at : {plain / *name, plain / name->substr(0, 2) / *name}) {
          if (!std::filesystem::exists(at)) continue;
          backup.file(domainPath.substr(0, dash), domainPath.substr(dash + 1) + suffix,
                      fixtures::readFileBytes(at));
        }
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
  ASSERT_EQ(deleted, GetParam().deleted) << expected.out;

  const auto result = testing::runCli(
      {"scan", encrypted.string(), "--json", "--password-file", (scratch / "password").string()});
  ASSERT_EQ(result.status, 0) << result.err;
  // the deleted rows among the records, read through the decrypted copies
  EXPECT_EQ(withoutFolder(result.out, encrypted.string()),
            withoutFolder(expected.out, plain.string()));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, EncryptedCarving,
    ::testing::Values(Twin{&writeLegacy, fixtures::IosLayout::ios6, "6.1.6", 3},
                      Twin{&writeModern, fixtures::IosLayout::current, "17.1", 1}));

}  // namespace
}  // namespace orvane::carving
