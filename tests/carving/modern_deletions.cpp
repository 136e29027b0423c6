#include "carving/modern_deletions.h"

#include <sqlite3.h>

#include <stdexcept>

#include "ios/backup_file_name.h"

namespace orvane::fixtures {

namespace {

void run(sqlite3* db, const std::string& sql) {
  char* problem = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &problem) != SQLITE_OK) {
    const std::string text = problem != nullptr ? problem : "?";
    sqlite3_free(problem);
    throw std::runtime_error(text + " in " + sql);
  }
}

}  // namespace

void deleteModernRows(const std::filesystem::path& folder, std::string_view domainPath,
                      const std::string& sql, Journal journal) {
  const std::string name = hashedNameOf(domainPath).value();
  const std::filesystem::path where = folder / name.substr(0, 2) / name;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(where.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + where.string());
  }
  // the library of the build machine deletes securely unless told not to
  run(db, "PRAGMA secure_delete=OFF;");
  if (journal == Journal::writeAheadLog) {
    run(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    int unused = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &unused);
  }
  run(db, sql);
  sqlite3_close(db);
  std::error_code error;
  std::filesystem::remove(where.string() + "-shm", error);
}

}  // namespace orvane::fixtures
