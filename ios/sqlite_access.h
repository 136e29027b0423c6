#pragma once

// Thin owners of SQLite handles, and the column readings the live steps
// share: texts decoded as UTF-8, numbers read as the leading decimal digits.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class SqliteDatabase {
 public:
  SqliteDatabase() = default;
  ~SqliteDatabase();
  SqliteDatabase(SqliteDatabase&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
  SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Read-only, for use on the opening thread only; nothing when the file
  // cannot be opened.
  static std::optional<SqliteDatabase> openReadOnly(const std::filesystem::path& path);

  sqlite3* handle() const { return db_; }

 private:
  explicit SqliteDatabase(sqlite3* db) : db_(db) {}
  sqlite3* db_ = nullptr;
};

// Holds one read transaction over several statements: without it every
// statement that starts afresh (a lookup per contact) takes and drops the
// file lock and checks the file for changes, a few system calls each time.
class SqliteReadTransaction {
 public:
  explicit SqliteReadTransaction(const SqliteDatabase& db);
  ~SqliteReadTransaction();
  SqliteReadTransaction(const SqliteReadTransaction&) = delete;
  SqliteReadTransaction& operator=(const SqliteReadTransaction&) = delete;

 private:
  sqlite3* db_ = nullptr;  // set while the transaction is open
};

class SqliteStatement {
 public:
  SqliteStatement(const SqliteDatabase& db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool prepared() const { return stmt_ != nullptr; }
  // true while a row is there; a damaged page ends the rows early.
  bool step();
  void reset();
  void bindInt64(int parameter, std::int64_t value);

  // A text cell decoded as UTF-8; nothing for a null or empty cell.
  std::optional<std::string> text(int column) const;
  // The cell's leading decimal number (a fraction is cut off); nothing for
  // a null or empty cell.
  std::optional<std::int64_t> decimal(int column) const;
  std::span<const std::uint8_t> blob(int column) const;
  // The position of the result column of that name (without regard to
  // case), or -1.
  int columnIndex(std::string_view name) const;

 private:
  // The cell as SQLite holds it, or nullptr for a column the statement does
  // not have.
  sqlite3_value* cell(int column) const;

  sqlite3_stmt* stmt_ = nullptr;
  int columns_ = 0;
  std::vector<std::string> columnNames_;
};

// Whether the file starts with the SQLite header.
bool looksLikeSqlite(const std::filesystem::path& path);

// The leading decimal number of a text ("378000000.5" -> 378000000, "12ab"
// -> 12); nothing when it starts with no digit. Saturates instead of
// overflowing.
std::optional<std::int64_t> leadingDecimal(std::string_view text);

}  // namespace orvane
