#include "ios/ios_backup_scanner.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "ios/backup_file_name.h"
#include "ios/backup_folder.h"
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

namespace {

// The backup folder of a located file: its own folder, or the one above
// the two-digit subfolder that newer backups keep files in.
std::filesystem::path backupRootOf(const std::filesystem::path& file) {
  const std::filesystem::path parent = file.parent_path();
  const std::string sub = parent.filename().string();
  const std::string name = file.filename().string();
  if (sub.size() == 2 && name.compare(0, 2, sub) == 0) return parent.parent_path();
  return parent;
}

}  // namespace

std::optional<std::filesystem::path> PRIOSBackupScanner::locateBackupFile(
    const std::filesystem::path& folder, std::string_view hashedName) {
  if (folder.empty() || hashedName.empty()) return std::nullopt;
  const HashedBackupFile found = openHashedBackupFile(folder, hashedName);
  if (!found.file.opened()) return std::nullopt;
  return folder / found.relative;
}

const EncryptedFileKey* PRIOSBackupScanner::encryptedFileKey(
    const std::filesystem::path& backupFile) const {
  std::string name = backupFile.filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto found = encryptedFiles_.find(name);
  return found == encryptedFiles_.end() ? nullptr : &found->second;
}

bool PRIOSBackupScanner::copyPlain(const BackupFile& source, const std::filesystem::path& shown,
                                   const std::filesystem::path& target,
                                   std::string& problem) const {
  if (decryptor_ == nullptr) return source.copyTo(target, problem);
  const EncryptedFileKey* entry = encryptedFileKey(shown);
  const auto key = entry ? decryptor_->fileKey(*entry) : std::nullopt;
  if (!key) {
    problem = entry ? "its key does not unwrap" : "the manifest gives no key for it";
    return false;
  }
  return BackupDecryptor::decryptTo(source, *key, entry->plainSize, target, problem);
}

std::optional<std::filesystem::path> PRIOSBackupScanner::plainCopyOf(
    const std::filesystem::path& backupFile) {
  const BackupFile source = BackupFile::open(backupFile);
  if (!source.opened()) return std::nullopt;
  if (decryptor_ == nullptr) return backupFile;
  const std::filesystem::path copy =
      ctx_.tempFolder / (backupFile.filename().string() + "." + std::to_string(++copies_));
  std::string problem;
  if (!copyPlain(source, backupFile, copy, problem)) {
    std::fprintf(stderr, "%s: cannot decrypt: %s\n", backupFile.c_str(), problem.c_str());
    return std::nullopt;
  }
  return copy;
}

std::optional<std::filesystem::path> PRIOSBackupScanner::commitDB(
    const std::filesystem::path& database) {
  const BackupFile source = BackupFile::open(database);
  if (!source.opened()) return std::nullopt;
  static constexpr char kSqliteHeader[16] = "SQLite format 3";  // with its NUL
  const auto isSqlite = [](const BackupFile& file) {
    return file.readAt(0, sizeof kSqliteHeader) ==
           std::string_view(kSqliteHeader, sizeof kSqliteHeader);
  };
  // an encrypted file is known for a database only once decrypted
  if (decryptor_ == nullptr && !isSqlite(source)) {
    std::fprintf(stderr, "%s: not an SQLite database, skipped\n", database.c_str());
    return std::nullopt;
  }

  const std::filesystem::path copy =
      ctx_.tempFolder / (database.filename().string() + "." + std::to_string(++copies_));
  std::string problem;
  if (!copyPlain(source, database, copy, problem)) {
    std::fprintf(stderr, "%s: cannot %s for reading: %s\n", database.c_str(),
                 decryptor_ ? "decrypt" : "copy", problem.c_str());
    return std::nullopt;
  }
  if (decryptor_ != nullptr && !isSqlite(BackupFile::open(copy))) {
    std::fprintf(stderr, "%s: not an SQLite database once decrypted, skipped\n", database.c_str());
    return std::nullopt;
  }
  // A database's log is a backup file of its own, named by the hash of
  // the database's domain and path with "-wal" (and "-shm"); a log kept
  // beside the hashed file under "<hash>-wal" is taken too.
  const std::optional<std::string> domainPath = knownDomainPathOf(database.filename().string());
  bool hasLog = false;
  for (const char* suffix : {"-wal", "-shm"}) {
    std::optional<std::filesystem::path> companionPath = database.string() + suffix;
    if (domainPath) {
      if (const auto logName = hashedNameOf(*domainPath + suffix)) {
        if (auto found = locateBackupFile(backupRootOf(database), *logName)) {
          companionPath = std::move(found);
        }
      }
    }
    const BackupFile companion = BackupFile::open(*companionPath);
    if (!companion.opened() ||
        !copyPlain(companion, *companionPath, copy.string() + suffix, problem)) {
      continue;
    }
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
