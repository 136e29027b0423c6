#include "carving/private_copy.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "ios/backup_file_name.h"
#include "ios/backup_folder.h"

namespace orvane::carving {

namespace {

std::atomic<unsigned> copyNumber{0};

// The whole file through the descriptor the backup opened, read-only.
std::optional<std::vector<std::uint8_t>> readWhole(const BackupFile& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got =
        ::pread(file.fd(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0) return std::nullopt;
    if (got == 0) break;  // the file shrank while it was read
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

bool writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool isSqlite(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kMagic[16] = "SQLite format 3";
  return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

}  // namespace

std::optional<PrivateCopy> PrivateCopy::make(const std::filesystem::path& folder,
                                             std::initializer_list<std::string_view> hashedNames,
                                             const std::filesystem::path& privateFolder,
                                             const PlainFile& plainFile) {
  // the bytes of a backup file found under `found`, decrypted when the
  // backup is
  const auto plainBytes = [&](const HashedBackupFile& found) {
    if (!plainFile) return readWhole(found.file);
    const auto plain = plainFile(folder / found.relative);
    if (!plain) return std::optional<std::vector<std::uint8_t>>();
    return readWhole(BackupFile::open(*plain));
  };
  for (const std::string_view name : hashedNames) {
    const HashedBackupFile database = openHashedBackupFile(folder, name);
    if (!database.file.opened()) continue;
    auto main = plainBytes(database);
    if (!main || !isSqlite(*main)) {
      std::fprintf(stderr, "%s: not an SQLite database, not carved\n", std::string(name).c_str());
      return std::nullopt;
    }
    // The log is a backup file of its own, named by the hash of the
    // database's domain and path with "-wal"; one kept beside the hashed
    // file as "<hash>-wal" is taken too.
    std::vector<std::uint8_t> log;
    std::optional<std::string> logName;
    if (const auto domainPath = knownDomainPathOf(name))
      logName = hashedNameOf(*domainPath + "-wal");
    for (const std::string& candidate :
         {logName.value_or(std::string()), std::string(name) + "-wal"}) {
      if (candidate.empty()) continue;
      const HashedBackupFile found = openHashedBackupFile(folder, candidate);
      if (!found.file.opened()) continue;
      if (auto bytes = plainBytes(found)) log = std::move(*bytes);
      break;
    }
    return fromBytes(std::move(*main), std::move(log), privateFolder);
  }
  return std::nullopt;
}

std::optional<PrivateCopy> PrivateCopy::fromBytes(std::vector<std::uint8_t> database,
                                                  std::vector<std::uint8_t> log,
                                                  const std::filesystem::path& privateFolder) {
  // Without a log to fold in, SQLite reads the bytes already in memory
  // (read-only, no file written); a file in log mode, or with its log, is
  // written to the private folder and folded there.
  const bool logMode = database.size() > 19 && (database[18] == 2 || database[19] == 2);
  if (log.empty() && !logMode) {
    PrivateCopy copy({}, std::move(database), {});
    copy.openInMemory();
    return copy;
  }
  const std::filesystem::path path =
      privateFolder / ("carved-" + std::to_string(++copyNumber) + ".sqlite");
  if (!writeWhole(path, database) || (!log.empty() && !writeWhole(path.string() + "-wal", log))) {
    std::fprintf(stderr, "%s: cannot copy for carving\n", path.c_str());
    std::error_code error;
    std::filesystem::remove(path, error);
    std::filesystem::remove(path.string() + "-wal", error);
    return std::nullopt;
  }
  PrivateCopy copy(path, std::move(database), std::move(log));
  copy.fold();
  return copy;
}

void PrivateCopy::openInMemory() {
  if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_deserialize(db_, "main", main_.data(), static_cast<sqlite3_int64>(main_.size()),
                          static_cast<sqlite3_int64>(main_.size()),
                          SQLITE_DESERIALIZE_READONLY) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  // pages read where they lie in memory rather than copied into the cache
  const std::string mmap = "PRAGMA mmap_size=" + std::to_string(main_.size()) + ";";
  sqlite3_exec(db_, mmap.c_str(), nullptr, nullptr, nullptr);
}

PrivateCopy::PrivateCopy(std::filesystem::path path, std::vector<std::uint8_t> main,
                         std::vector<std::uint8_t> log)
    : path_(std::move(path)), main_(std::move(main)), log_(std::move(log)) {}

PrivateCopy::PrivateCopy(PrivateCopy&& other) noexcept
    : path_(std::move(other.path_)),
      main_(std::move(other.main_)),
      log_(std::move(other.log_)),
      db_(other.db_) {
  other.db_ = nullptr;
  other.path_.clear();
}

PrivateCopy::~PrivateCopy() {
  if (db_ != nullptr) sqlite3_close(db_);
  if (path_.empty()) return;
  std::error_code error;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(path_.string() + suffix, error);
  }
}

void PrivateCopy::fold() {
  if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  // the copy is thrown away after the scan: nothing needs to reach the disk
  sqlite3_exec(db_, "PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
  if (!log_.empty()) {
    if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) !=
            SQLITE_OK) {
      std::fprintf(stderr, "Failed to commit\n");
    }
    sqlite3_exec(db_, "PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db_, "PRAGMA query_only=1;", nullptr, nullptr, nullptr);
}

std::vector<PrivateCopy::DeclaredColumn> PrivateCopy::columnsOf(std::string_view table) const {
  std::vector<DeclaredColumn> columns;
  if (db_ == nullptr) return columns;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, "select name, type from pragma_table_info(?1)", -1, &stmt, nullptr) !=
      SQLITE_OK) {
    return columns;
  }
  sqlite3_bind_text(stmt, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  const auto textOf = [&](int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return std::string(text != nullptr ? text : "");
  };
  while (sqlite3_step(stmt) == SQLITE_ROW) columns.push_back({textOf(0), textOf(1)});
  sqlite3_finalize(stmt);
  return columns;
}

}  // namespace orvane::carving
