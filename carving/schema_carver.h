#pragma once

// Rows of a table found by the table's own shape rather than by fixed
// bytes: every offset of a page's free space (its free blocks and the gap
// between the cell pointers and the cell content), every offset of a page
// that is no b-tree page (the freelist's pages), and every cell of a table
// leaf page (an old copy of a page, a page the log rewrote, a leaf page put
// on the freelist) is tried as a record header of the table, or as the
// rest of a header whose first bytes a free-block header overwrote (the
// columns from column 1's serial type on, column 0 the rowid alias). Each
// candidate is decoded in full and kept only when every value fits its
// column, it is not a row the table still holds, and the caller finds it
// plausible (a key date in its years).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "carving/carved_table.h"
#include "carving/table_shape.h"

namespace orvane::carving {

// A record a current page holds, by the hash of its bytes (`recordHash`).
struct LiveRecord {
  std::uint64_t hash = 0;
  ByteSpan bytes;
  friend bool operator<(const LiveRecord& a, const LiveRecord& b) { return a.hash < b.hash; }
};

class SchemaSearch {
 public:
  // `layout` names the same columns in the same order as `shape`; the
  // rows found read their cells through it. `db` is the folded copy, whose
  // rows are the live ones.
  SchemaSearch(TableShape shape, const TableLayout& layout, sqlite3* db,
               std::function<bool(const CarvedRow&)> plausible);

  // Searches one page (`pageAt`: where its bytes lie, for the rows' place).
  // `current`: the page is as the database uses it now (a page of a
  // b-tree or an overflow chain that the log did not rewrite, or the log's
  // last copy of it), so its cells are live rows and only its free space
  // is searched.
  void run(ByteSpan page, std::uint64_t pageAt, bool current,
           const std::function<void(CarvedRow)>& found);

  // The records the database's current pages hold, sorted by hash: an old
  // copy of one of them in free space, which page splits leave behind by
  // the thousand, is passed over undecoded.
  void setLiveRecords(const std::vector<LiveRecord>* liveRecords) { liveRecords_ = liveRecords; }

 private:
  void searchRange(ByteSpan page, std::size_t from, std::size_t to, std::uint64_t pageAt,
                   const std::function<void(CarvedRow)>& found);
  void tryCell(ByteSpan page, std::size_t cellAt, std::uint64_t pageAt,
               const std::function<void(CarvedRow)>& found);
  struct TypesRun {
    std::size_t columns = 0;          // the column after the last serial type read
    std::size_t typesEnd = 0;         // one past the last serial type read
    std::uint64_t contentLength = 0;  // of those columns; past the page's size: too long
  };
  // Whether the serial types from `at` (up to `headerEnd`) fit columns
  // `first` on; the columns they give and their content's length.
  std::optional<TypesRun> typesFit(ByteSpan page, std::size_t at, std::size_t headerEnd,
                                   std::size_t first, std::size_t count) const;
  bool accept(const DecodedRecord& record) const;
  bool offer(CarvedRow row, const std::function<void(CarvedRow)>& found);
  // the table holds the row's key with the same values
  bool isLive(const CarvedRow& row) const;

  struct Finalize {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
  };

  // Whether column c allows each serial type that takes one byte, at
  // c * kSmallTypes + type.
  static constexpr std::size_t kSmallTypes = 0x80;
  std::vector<bool> smallTypes_;
  TableShape shape_;
  const TableLayout& layout_;
  std::function<bool(const CarvedRow&)> plausible_;
  bool textColumns_ = false;
  std::optional<std::size_t> alias_;              // the rowid alias, NULL in the record
  std::unique_ptr<sqlite3_stmt, Finalize> live_;  // the live row of a key
  const std::vector<LiveRecord>* liveRecords_ = nullptr;
};

// The hash of a record's bytes, from its header size to its end.
std::uint64_t recordHash(ByteSpan record);

// Adds every record that the cells of a table leaf page hold whole on the
// page (unsorted; the bytes stay the page's).
void addLiveRecords(ByteSpan page, std::vector<LiveRecord>& records);

// Whether `record` is byte for byte one of `live` (sorted by hash): the
// hash only narrows the search, as it reads the record's ends alone.
bool isLiveRecord(const std::vector<LiveRecord>& live, ByteSpan record);

}  // namespace orvane::carving
