#pragma once

// What a record of one table may look like, from the table's own schema:
// its column count, each column's affinity, the INTEGER PRIMARY KEY that
// the record keeps as NULL (the rowid holds the value), and NOT NULL. From
// these, the serial types a column allows and the size a header may have.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "carving/carved_table.h"
#include "carving/private_copy.h"

namespace orvane::carving {

struct ColumnShape {
  std::string name;
  Affinity affinity = Affinity::kBlob;
  bool rowidAlias = false;  // INTEGER PRIMARY KEY: stored as NULL
  bool notNull = false;
};

struct TableShape {
  std::string table;
  std::vector<ColumnShape> columns;

  std::size_t size() const { return columns.size(); }
  // Whether a value of `serialType` can stand in `column`: the alias is
  // NULL; SQLite keeps numbers as numbers in INTEGER and REAL columns (a
  // whole REAL as an integer) and turns them into text in TEXT columns;
  // BLOB and NUMERIC columns take anything; NOT NULL forbids type 0.
  bool allows(std::size_t column, std::uint64_t serialType) const;
  // The largest header size in bytes (with its own varint): nine bytes for
  // a column that may hold a text or blob, one for any other.
  std::size_t maxHeaderSize() const;
  // The layout the carved rows read their cells through.
  TableLayout layout() const;
};

// The shape of `table` read from the copy's schema; nothing when the copy
// has no such table, or it is a WITHOUT ROWID table (its rows lie in an
// index b-tree, in another record form).
std::optional<TableShape> shapeOf(const PrivateCopy& copy, std::string_view table);

}  // namespace orvane::carving
