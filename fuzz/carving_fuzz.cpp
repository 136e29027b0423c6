// Bytes as a device database and its write-ahead log: the first four bytes
// (big-endian) give the database's length, the rest after it is the log.
// The same pair stands in for all six databases of a backup folder, and the
// six carvers run over it as a scan runs them.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "carving/deleted_records_step.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"
#include "ios/backup_file_name.h"

namespace {

void writeFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const orvane::TempFolder backup("orvane-carving-fuzz-");
  static const char* const kDatabases[] = {"HomeDomain-Library/AddressBook/AddressBook.sqlitedb",
                                           "HomeDomain-Library/SMS/sms.db",
                                           "HomeDomain-Library/Notes/notes.sqlite",
                                           "WirelessDomain-Library/CallHistory/call_history.db",
                                           "HomeDomain-Library/Safari/Bookmarks.db",
                                           "HomeDomain-Library/Calendar/Calendar.sqlitedb"};
  if (size < 4) return 0;
  std::size_t databaseSize =
      std::size_t{data[0]} << 24 | std::size_t{data[1]} << 16 | std::size_t{data[2]} << 8 | data[3];
  data += 4;
  size -= 4;
  if (databaseSize > size) databaseSize = size;
  for (const char* domainPath : kDatabases) {
    writeFile(backup.path() / *orvane::hashedNameOf(domainPath), data, databaseSize);
    writeFile(backup.path() / *orvane::hashedNameOf(std::string(domainPath) + "-wal"),
              data + databaseSize, size - databaseSize);
  }
  orvane::NotificationCenter nc;
  orvane::PerScanLists lists;
  const orvane::TempFolder scan("orvane-carving-fuzz-scan-");
  orvane::ScanContext ctx(nc, lists, scan.path());
  orvane::runDeletedRecordsStep(backup.path(), ctx);
  return 0;
}
