#include "ios/backup_file_name.h"

#include <openssl/evp.h>

#include <cstdio>

namespace orvane {

std::optional<std::string> backupFileName(std::string_view domain, std::string_view devicePath) {
  std::string text;
  text.reserve(domain.size() + 1 + devicePath.size());
  text.append(domain).append("-").append(devicePath);
  return hashedNameOf(text);
}

std::optional<std::string> knownDomainPathOf(std::string_view hashedName) {
  // Every database a reader or carver opens, on every system version.
  static constexpr std::string_view kDatabases[] = {
      "HomeDomain-Library/AddressBook/AddressBook.sqlitedb",
      "HomeDomain-Library/AddressBook/AddressBookImages.sqlitedb",
      "HomeDomain-Library/SMS/sms.db",
      "WirelessDomain-Library/CallHistory/call_history.db",
      "HomeDomain-Library/CallHistory/call_history.db",
      "HomeDomain-Library/CallHistoryDB/CallHistory.storedata",
      "HomeDomain-Library/Notes/notes.sqlite",
      "HomeDomain-Library/Notes/notes.db",
      "AppDomainGroup-group.com.apple.notes-NoteStore.sqlite",
      "HomeDomain-Library/Safari/Bookmarks.db",
      "HomeDomain-Library/Calendar/Calendar.sqlitedb",
  };
  for (std::string_view domainPath : kDatabases) {
    if (hashedNameOf(domainPath) == hashedName) return std::string(domainPath);
  }
  return std::nullopt;
}

std::optional<std::string> hashedNameOf(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &digestLength, EVP_sha1(), nullptr) != 1 ||
      digestLength != 20) {
    std::fprintf(stderr, "AnalyzerFile hash1 could not compute message digest.\n");
    return std::nullopt;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string name;
  name.reserve(40);
  for (unsigned int i = 0; i < digestLength; ++i) {
    name.push_back(kDigits[digest[i] >> 4]);
    name.push_back(kDigits[digest[i] & 0x0F]);
  }
  return name;
}

}  // namespace orvane
