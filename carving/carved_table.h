#pragma once

// The search every carver shares: a table's layout from the copy's own
// schema, anchors (runs of serial types that fixed columns leave in a
// record header) to find candidates quickly, and every candidate decoded
// from its real header and checked column by column against the layout
// before it counts as a row. The main file is searched as it was found,
// then every page in the log's frames.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "carving/private_copy.h"
#include "carving/sqlite_pages.h"
#include "core/backup_source.h"
#include "core/dates.h"
#include "ios/db_row.h"

namespace orvane::carving {

enum class Affinity : std::uint8_t { kInteger, kText, kBlob, kReal, kNumeric };
Affinity affinityOf(std::string_view declaredType);

struct TableLayout {
  std::string table;
  std::vector<std::string> names;
  std::vector<Affinity> affinities;
  std::size_t size() const { return names.size(); }
  // the position of a column (without regard to case), or nothing
  std::optional<std::size_t> indexOf(std::string_view name) const;
};

// Empty names when the copy has no such table.
TableLayout layoutOf(const PrivateCopy& copy, std::string_view table);

// Serial-type bytes that a record holds from `column`'s serial type on; an
// empty column name: bytes from the header-size byte on.
struct Anchor {
  std::string_view bytes;
  std::string_view column;
};

class CarvedRow;

struct TableSearch {
  const TableLayout* layout = nullptr;
  std::vector<Anchor> anchors;
  // Column counts of rows written before the table gained its later
  // columns (an iOS 4 row in an iOS 5 table); the layout's own count is
  // always accepted.
  std::vector<std::size_t> olderColumnCounts;
  // Rows the table still holds unchanged are passed over unless a join
  // needs them (the notes that carved bodies belong to).
  bool keepLiveRows = false;
  // Rows found by the table's shape (see schema_carver.h) count only when
  // this answers true, a key date in its years; none: every row that fits.
  std::function<bool(const CarvedRow&)> plausible{};
};

// One carved row; its texts point into the copy's bytes, so it lives no
// longer than the copy.
class CarvedRow final : public DbRow {
 public:
  CarvedRow(const TableLayout& layout, DecodedRecord record, std::optional<std::int64_t> rowid,
            std::uint64_t foundAt)
      : layout_(&layout), record_(std::move(record)), rowid_(rowid), foundAt_(foundAt) {}

  bool has(std::string_view column) const override;
  std::optional<std::string> text(std::string_view column) const override;
  std::optional<std::int64_t> decimal(std::string_view column) const override;
  std::span<const std::uint8_t> blob(std::string_view column) const override;

  // A value that a join supplies under a name of its own ("address").
  void setText(std::string column, std::string value) {
    extras_.emplace_back(std::move(column), std::move(value));
  }
  // The cell's rowid, when the cell's first bytes were still intact.
  std::optional<std::int64_t> rowid() const { return rowid_; }
  // Where it was found: the main file's byte offset, or past the main
  // file's end for the log's pages.
  std::uint64_t foundAt() const { return foundAt_; }
  const DecodedRecord& record() const { return record_; }
  // Same column values as another row.
  bool sameValues(const CarvedRow& other) const;

 private:
  const ColumnValue* cell(std::string_view column) const;

  const TableLayout* layout_;
  DecodedRecord record_;
  std::optional<std::int64_t> rowid_;
  std::uint64_t foundAt_;
  std::vector<std::pair<std::string, std::string>> extras_;
};

// The values of a record but the rowid alias (column `alias`), in a form
// equal for equal values whether they were carved or read by the library.
std::string valuesKey(const DecodedRecord& record, std::optional<std::size_t> alias);

// The rows already handed over: the same values found twice (in the main
// file and in the log, on a page and its older copy, by an anchor and by
// the table's shape) make one record.
class SeenRows {
 public:
  bool firstTime(const CarvedRow& row) { return seen_.insert(valuesKey(row.record(), 0)).second; }

 private:
  std::unordered_set<std::string> seen_;
};

struct TableCarve {
  TableSearch search;
  std::function<void(CarvedRow)> found;
};

// Searches every page of the copy's main file (page 1, the schema, aside)
// and of its log, once, for rows of each table, by its anchors and by its
// shape; hands each row to its table's `found` (a row both find comes
// twice: `SeenRows` drops the second). Answers false when the scan's stop flag ended the search.
// Whether a stored date lies from 1990 to 2100 once converted from its
// epoch and unit: the years a phone's records are from.
bool dateInYears(std::optional<std::int64_t> stored, DateEpoch epoch, DateUnit unit);

bool carveTables(const PrivateCopy& copy, const std::vector<TableCarve>& tables,
                 const ScanContext& ctx);

}  // namespace orvane::carving
