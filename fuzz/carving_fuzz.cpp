// Bytes as a device database and its write-ahead log: the first four bytes
// (big-endian) give the database's length, the rest after it is the log.
// The same pair stands in for all six databases of a backup folder, and the
// six carvers run over it as a scan runs them. The same bytes then choose
// a table's schema (odd declared types, up to 300 columns, WITHOUT ROWID
// tables, which are skipped) and are searched as that table's pages.

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "carving/deleted_records_step.h"
#include "carving/schema_carver.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"
#include "ios/backup_file_name.h"

namespace {

void writeFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// A database with one table "t" whose columns the first bytes choose; its
// bytes as the library wrote them, or nothing when the statement failed.
std::vector<std::uint8_t> databaseWithSchema(const std::uint8_t* data, std::size_t size) {
  static const char* const kTypes[] = {
      "INTEGER", "INT",    "TEXT NOT NULL",     "VARCHAR(255)",     "BLOB",      "",
      "REAL",    "DOUB",   "FLOATING POINT",    "NUMERIC",          "TIMESTAMP", "CHARINT",
      "CLOB",    "STRING", "BOOLEAN DEFAULT 1", "INTEGER NOT NULL", "DATETIME",  "BIGINT"};
  const std::size_t columns = 1 + (data[0] | (data[1] & 1) << 8) % 300;
  const bool key = (data[1] & 2) != 0;
  const bool withoutRowid = (data[1] & 4) != 0;
  std::string sql = "CREATE TABLE t (";
  for (std::size_t i = 0; i < columns; ++i) {
    sql += (i == 0 ? "c" : ", c") + std::to_string(i) + " " +
           kTypes[data[(2 + i) % size] % std::size(kTypes)];
    if (i == 0 && key) sql += " PRIMARY KEY";
  }
  if (withoutRowid && !key) sql += ", PRIMARY KEY (c0)";
  sql += withoutRowid ? ") WITHOUT ROWID" : ")";
  sqlite3* db = nullptr;
  std::vector<std::uint8_t> bytes;
  if (sqlite3_open(":memory:", &db) == SQLITE_OK &&
      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
    sqlite3_int64 length = 0;
    if (unsigned char* image = sqlite3_serialize(db, "main", &length, 0)) {
      bytes.assign(image, image + length);
      sqlite3_free(image);
    }
  }
  sqlite3_close(db);
  return bytes;
}

void carveWithFuzzedSchema(const std::uint8_t* data, std::size_t size,
                           const std::filesystem::path& folder) {
  using namespace orvane::carving;
  if (size < 2) return;
  auto copy = PrivateCopy::fromBytes(databaseWithSchema(data, size), {}, folder);
  if (!copy) return;
  auto shape = shapeOf(*copy, "t");
  if (!shape) return;
  const TableLayout layout = shape->layout();
  SchemaSearch search(std::move(*shape), layout, copy->db(), nullptr);
  // the input cut into pages of 512 bytes, each in a buffer of its own
  constexpr std::size_t kPageSize = 512;
  for (std::size_t at = 0; at < size; at += kPageSize) {
    const std::vector<std::uint8_t> page(data + at, data + std::min(size, at + kPageSize));
    search.run(page, at, false, [](CarvedRow row) { (void)row.text("c1"); });
  }
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
  carveWithFuzzedSchema(data, size, scan.path());
  return 0;
}
