#pragma once

// A database of a device backup read into memory and, when it has a
// write-ahead log, copied with its log into the scan's private folder. The
// carvers read the bytes as they were found (the main file and the log);
// the SQLite library reads only the bytes in memory or the copy, folds the
// log into the copy there, and answers what a live table answers best (the
// schema, the rows still present). The backup's own files are opened
// read-only, never through a link, and never by SQLite.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::carving {

class PrivateCopy {
 public:
  // Where a backup file's plain bytes lie (a decrypted copy in an
  // encrypted backup); nothing when they cannot be had.
  using PlainFile =
      std::function<std::optional<std::filesystem::path>(const std::filesystem::path& backupFile)>;

  // The first of `hashedNames` present in `folder`; nothing (and no file
  // left behind) when none is there or it is not an SQLite database. The
  // files are read where `plainFile` says, when it is given.
  static std::optional<PrivateCopy> make(const std::filesystem::path& folder,
                                         std::initializer_list<std::string_view> hashedNames,
                                         const std::filesystem::path& privateFolder,
                                         const PlainFile& plainFile = {});
  // A copy of bytes already in memory (the fuzz target's input).
  static std::optional<PrivateCopy> fromBytes(std::vector<std::uint8_t> database,
                                              std::vector<std::uint8_t> log,
                                              const std::filesystem::path& privateFolder);

  ~PrivateCopy();
  PrivateCopy(PrivateCopy&& other) noexcept;
  PrivateCopy& operator=(PrivateCopy&&) = delete;
  PrivateCopy(const PrivateCopy&) = delete;
  PrivateCopy& operator=(const PrivateCopy&) = delete;

  const std::vector<std::uint8_t>& mainBytes() const { return main_; }
  const std::vector<std::uint8_t>& logBytes() const { return log_; }
  // The folded copy, open read-only; null when SQLite could not open it.
  sqlite3* db() const { return db_; }

  struct DeclaredColumn {
    std::string name;
    std::string type;  // as declared ("INTEGER", "VARCHAR", "")
  };
  // The columns of a table in order, from the copy's schema; empty when the
  // table is not there.
  std::vector<DeclaredColumn> columnsOf(std::string_view table) const;

 private:
  PrivateCopy(std::filesystem::path path, std::vector<std::uint8_t> main,
              std::vector<std::uint8_t> log);
  void fold();
  void openInMemory();

  std::filesystem::path path_;
  std::vector<std::uint8_t> main_;
  std::vector<std::uint8_t> log_;
  sqlite3* db_ = nullptr;
};

}  // namespace orvane::carving
