#include "ios/ios_backup_scanner.h"

#include <sqlite3.h>

#include <cstdio>

#include "ios/phone_name_index.h"
#include "ios/sqlite_access.h"

namespace orvane {

PRIOSBackupScanner::PRIOSBackupScanner(ScanContext& ctx, std::uint8_t iOS6Version)
    : ctx_(ctx), iOS6Version_(iOS6Version) {}

PRIOSBackupScanner::~PRIOSBackupScanner() = default;

void PRIOSBackupScanner::post(const char* eventName, RecordPtr record) {
  ctx_.nc.postNotificationName(eventName, EventObject(std::move(record)));
}

void PRIOSBackupScanner::postProgress(std::int64_t value) {
  ctx_.nc.postNotificationName("ScanProgressInfo", EventObject(value));
}

std::optional<std::filesystem::path> PRIOSBackupScanner::locateBackupFile(
    const std::filesystem::path& folder, std::string_view hashedName) {
  std::error_code error;
  if (folder.empty() || hashedName.empty()) return std::nullopt;
  std::filesystem::path flat = folder / hashedName;
  if (std::filesystem::is_regular_file(flat, error)) return flat;
  if (hashedName.size() > 2) {
    std::filesystem::path nested = folder / hashedName.substr(0, 2) / hashedName;
    if (std::filesystem::is_regular_file(nested, error)) return nested;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> PRIOSBackupScanner::commitDB(
    const std::filesystem::path& database) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(database, error)) return std::nullopt;
  if (!looksLikeSqlite(database)) {
    std::fprintf(stderr, "%s: not an SQLite database, skipped\n", database.c_str());
    return std::nullopt;
  }

  const std::filesystem::path copy =
      ctx_.tempFolder / (database.filename().string() + "." + std::to_string(++copies_));
  const auto copyOptions = std::filesystem::copy_options::overwrite_existing;
  if (!std::filesystem::copy_file(database, copy, copyOptions, error)) {
    std::fprintf(stderr, "%s: cannot copy for reading: %s\n", database.c_str(),
                 error.message().c_str());
    return std::nullopt;
  }
  bool hasLog = false;
  for (const char* suffix : {"-wal", "-shm"}) {
    const std::filesystem::path companion = database.string() + suffix;
    if (!std::filesystem::is_regular_file(companion, error)) continue;
    std::filesystem::copy_file(companion, copy.string() + suffix, copyOptions, error);
    hasLog = hasLog || std::string_view(suffix) == "-wal";
  }
  if (!hasLog) return copy;

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    const bool folded =
        sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr) == SQLITE_OK &&
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) ==
            SQLITE_OK;
    if (!folded) std::fprintf(stderr, "Failed to commit\n");
    // a plain file from here on, so read-only openings need no log files
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
  } else {
    std::fprintf(stderr, "Failed to commit\n");
  }
  sqlite3_close(db);
  return copy;
}

std::optional<std::string_view> PRIOSBackupScanner::contactNameOf(std::string_view phoneNumber) {
  const auto& contacts = ctx_.lists.contactArray;
  if (!names_ || namesIndexed_ != contacts.size()) {
    names_ = std::make_unique<PhoneNameIndex>(contacts);
    namesIndexed_ = contacts.size();
  }
  return names_->nameOf(phoneNumber);
}

std::optional<std::string> PRIOSBackupScanner::getNameByPhoneNumber(std::string_view phoneNumber) {
  if (const auto name = contactNameOf(phoneNumber)) return std::string(*name);
  return std::nullopt;
}

}  // namespace orvane
