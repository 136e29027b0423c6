#include "ios/sqlite_access.h"

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "core/conversions.h"

namespace orvane {

SqliteDatabase::~SqliteDatabase() {
  if (db_ != nullptr) sqlite3_close(db_);
}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept {
  if (this != &other) {
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = other.db_;
    other.db_ = nullptr;
  }
  return *this;
}

std::optional<SqliteDatabase> SqliteDatabase::openReadOnly(const std::filesystem::path& path) {
  sqlite3* db = nullptr;
  // A connection belongs to the one step that opened it and is used on that
  // thread only, so SQLite need not lock it around every call.
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    if (db != nullptr) sqlite3_close(db);
    return std::nullopt;
  }
  return SqliteDatabase(db);
}

SqliteReadTransaction::SqliteReadTransaction(const SqliteDatabase& db) {
  if (db.handle() == nullptr) return;
  if (sqlite3_exec(db.handle(), "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) db_ = db.handle();
}

SqliteReadTransaction::~SqliteReadTransaction() {
  if (db_ != nullptr) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

SqliteStatement::SqliteStatement(const SqliteDatabase& db, const char* sql) {
  if (db.handle() == nullptr) return;
  if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    return;
  }
  columns_ = sqlite3_column_count(stmt_);
  // Rows map to records by column name, once per cell: the names are read
  // here once, not from SQLite on every lookup.
  columnNames_.reserve(static_cast<std::size_t>(columns_));
  for (int column = 0; column < columns_; ++column) {
    const char* own = sqlite3_column_name(stmt_, column);
    columnNames_.emplace_back(own != nullptr ? own : "");
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

bool SqliteStatement::step() { return stmt_ != nullptr && sqlite3_step(stmt_) == SQLITE_ROW; }

void SqliteStatement::reset() {
  if (stmt_ == nullptr) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void SqliteStatement::bindInt64(int parameter, std::int64_t value) {
  if (stmt_ != nullptr) sqlite3_bind_int64(stmt_, parameter, value);
}

sqlite3_value* SqliteStatement::cell(int column) const {
  if (stmt_ == nullptr || column < 0 || column >= columns_) return nullptr;
  // Read through the value calls, which skip the bookkeeping that every
  // column call does for the connection (its lock and error state, once per
  // cell and record). SQLite calls such a value unprotected: it is safe only
  // while one thread uses the connection, which holds here, for each step
  // opens its own connection without a lock and reads it on its own thread.
  return sqlite3_column_value(stmt_, column);
}

std::optional<std::string> SqliteStatement::text(int column) const {
  sqlite3_value* value = cell(column);
  if (value == nullptr) return std::nullopt;
  // a null cell has no text
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  const int length = sqlite3_value_bytes(value);
  if (bytes == nullptr || length <= 0) return std::nullopt;
  return FieldConversions::GetStringFormChar(
      std::string_view(bytes, static_cast<std::size_t>(length)));
}

std::optional<std::int64_t> SqliteStatement::decimal(int column) const {
  sqlite3_value* value = cell(column);
  if (value == nullptr) return std::nullopt;
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_INTEGER:
      return sqlite3_value_int64(value);
    case SQLITE_FLOAT: {
      // a fraction is cut off, as the digits of the text would be
      const double number = std::trunc(sqlite3_value_double(value));
      if (!(std::fabs(number) < 9.2e18))
        return number > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
      return static_cast<std::int64_t>(number);
    }
    default: {
      const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
      const int length = sqlite3_value_bytes(value);
      if (bytes == nullptr || length <= 0) return std::nullopt;
      return leadingDecimal(std::string_view(bytes, static_cast<std::size_t>(length))).value_or(0);
    }
  }
}

std::span<const std::uint8_t> SqliteStatement::blob(int column) const {
  if (stmt_ == nullptr || column < 0 || column >= columns_) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
  const int length = sqlite3_column_bytes(stmt_, column);
  if (bytes == nullptr || length <= 0) return {};
  return {bytes, static_cast<std::size_t>(length)};
}

int SqliteStatement::columnIndex(std::string_view name) const {
  for (std::size_t column = 0; column < columnNames_.size(); ++column) {
    const std::string& own = columnNames_[column];
    if (own.size() == name.size() &&
        sqlite3_strnicmp(own.data(), name.data(), static_cast<int>(name.size())) == 0) {
      return static_cast<int>(column);
    }
  }
  return -1;
}

bool looksLikeSqlite(const std::filesystem::path& path) {
  static constexpr char kHeader[16] = "SQLite format 3";  // with its NUL
  std::ifstream in(path, std::ios::binary);
  std::array<char, 16> head{};
  if (!in.read(head.data(), head.size())) return false;
  return std::memcmp(head.data(), kHeader, sizeof kHeader) == 0;
}

std::optional<std::int64_t> leadingDecimal(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  if (at >= text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    value = value > (kLargest - digit) / 10 ? kLargest : value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace orvane
