#include "carving/table_shape.h"

#include <sqlite3.h>

#include <cctype>

namespace orvane::carving {

namespace {

std::string upper(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return shown;
}

std::size_t varintLength(std::uint64_t value) {
  std::size_t length = 1;
  while (length < 9 && value >= (std::uint64_t{1} << (7 * length))) ++length;
  return length;
}

std::string columnText(sqlite3_stmt* stmt, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return text != nullptr ? text : "";
}

}  // namespace

bool TableShape::allows(std::size_t column, std::uint64_t serialType) const {
  if (column >= columns.size() || serialType == 10 || serialType == 11) return false;
  const ColumnShape& shape = columns[column];
  if (shape.rowidAlias) return serialType == 0;
  if (serialType == 0) return !shape.notNull;
  const bool number = serialType <= 9;
  switch (shape.affinity) {
    case Affinity::kInteger:
    case Affinity::kReal:
      return number;
    case Affinity::kText:
      return !number;
    case Affinity::kBlob:
    case Affinity::kNumeric:
      return true;
  }
  return false;
}

std::size_t TableShape::maxHeaderSize() const {
  // a text or blob length takes at most 9 bytes; a column that cannot hold
  // one takes a single byte
  std::size_t size = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) size += allows(i, 13) || allows(i, 12) ? 9 : 1;
  return size + varintLength(size + 9);
}

TableLayout TableShape::layout() const {
  TableLayout layout;
  layout.table = table;
  for (const ColumnShape& column : columns) {
    layout.names.push_back(column.name);
    layout.affinities.push_back(column.affinity);
  }
  return layout;
}

std::optional<TableShape> shapeOf(const PrivateCopy& copy, std::string_view table) {
  sqlite3* db = copy.db();
  if (db == nullptr) return std::nullopt;
  std::string sql;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db,
                         "select sql from sqlite_master where type = 'table' and name = ?1 "
                         "collate nocase",
                         -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW) sql = upper(columnText(stmt, 0));
  }
  sqlite3_finalize(stmt);
  // the statement's last words name the table's form: "... ) WITHOUT ROWID"
  const auto close = sql.rfind(')');
  if (sql.empty() ||
      (close != std::string::npos && sql.find("WITHOUT", close) != std::string::npos))
    return std::nullopt;

  TableShape shape;
  shape.table = table;
  stmt = nullptr;
  if (sqlite3_prepare_v2(db, "select name, type, \"notnull\", pk from pragma_table_info(?1)", -1,
                         &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return std::nullopt;
  }
  sqlite3_bind_text(stmt, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  int keyColumns = 0;
  std::optional<std::size_t> integerKey;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    ColumnShape column;
    column.name = columnText(stmt, 0);
    const std::string type = columnText(stmt, 1);
    column.affinity = affinityOf(type);
    column.notNull = sqlite3_column_int(stmt, 2) != 0;
    if (sqlite3_column_int(stmt, 3) != 0) {
      ++keyColumns;
      // only the exact word INTEGER makes the key an alias of the rowid
      if (upper(type) == "INTEGER") integerKey = shape.columns.size();
    }
    shape.columns.push_back(std::move(column));
  }
  sqlite3_finalize(stmt);
  if (shape.columns.empty()) return std::nullopt;
  // A key of several columns is no alias; neither is "INTEGER PRIMARY KEY
  // DESC", which the library keeps as an ordinary column (rare enough that
  // the schema text is not parsed for it).
  if (keyColumns == 1 && integerKey) shape.columns[*integerKey].rowidAlias = true;
  return shape;
}

}  // namespace orvane::carving
