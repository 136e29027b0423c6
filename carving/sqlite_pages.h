#pragma once

// What the carvers read of an SQLite 3 database file without the library:
// the file header, the kind of each page, varints, serial types, and
// records decoded from their own headers. Every read is checked against
// the bytes it is given (one page, or the whole file); a record that does
// not fit is no record.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace orvane::carving {

using ByteSpan = std::span<const std::uint8_t>;

struct DatabaseHeader {
  std::uint32_t pageSize = 0;      // 512 to 65536 (stored as 1 for 65536)
  std::uint64_t pageCount = 0;     // whole pages in the file
  std::uint32_t textEncoding = 1;  // 1 UTF-8, 2 UTF-16le, 3 UTF-16be
  bool writeAheadLog = false;      // write version 2
};

// The header of a database file; nothing when the file is shorter than a
// header or the page size is not a power of two from 512 to 65536.
std::optional<DatabaseHeader> readDatabaseHeader(ByteSpan file);

enum class PageKind : std::uint8_t {
  kTableLeaf,      // 0x0D
  kTableInterior,  // 0x05
  kIndexInterior,  // 0x02
  kIndexLeaf,      // 0x0A
  kOther,          // free-list, overflow or unused page
};
PageKind pageKindOf(std::uint8_t flag);

struct Varint {
  std::uint64_t value = 0;
  std::size_t length = 0;  // 1 to 9 bytes
};
// A varint of up to nine bytes (the ninth gives all eight of its bits);
// nothing when it runs past the end of `bytes`.
std::optional<Varint> readVarint(ByteSpan bytes, std::size_t at);

// A cell of a table leaf page, as its pointer gives it.
struct LeafCell {
  std::size_t at = 0;           // the cell's first byte (its payload length)
  std::uint64_t payload = 0;    // the record's length, overflow included
  std::size_t recordAt = 0;     // the record's header size, after the rowid
  std::size_t pointersEnd = 0;  // where the page's cell pointer array ends
};
// Calls `visit` with every cell of a table leaf page whose payload length
// and rowid read within the page; a page of another kind has none.
template <typename Visit>
void forEachLeafCell(ByteSpan page, Visit&& visit) {
  constexpr std::size_t kLeafHeaderSize = 8;
  if (page.size() < kLeafHeaderSize || pageKindOf(page[0]) != PageKind::kTableLeaf) return;
  const std::size_t pointersEnd = kLeafHeaderSize + 2 * (std::size_t{page[3]} << 8 | page[4]);
  for (std::size_t pointer = kLeafHeaderSize; pointer < pointersEnd && pointer + 2 <= page.size();
       pointer += 2) {
    const std::size_t cellAt = std::size_t{page[pointer]} << 8 | page[pointer + 1];
    const auto payload = readVarint(page, cellAt);
    if (!payload) continue;
    const auto rowid = readVarint(page, cellAt + payload->length);
    if (!rowid) continue;
    visit(LeafCell{cellAt, payload->value, cellAt + payload->length + rowid->length, pointersEnd});
  }
}

// Content length of a serial type; 10 and 11 (reserved) hold nothing.
std::uint64_t contentLength(std::uint64_t serialType);

struct ColumnValue {
  enum class Kind : std::uint8_t { kNull, kInteger, kReal, kText, kBlob };
  Kind kind = Kind::kNull;
  std::int64_t integer = 0;
  double real = 0;
  ByteSpan bytes;  // text or blob content, inside the decoded page
};

struct DecodedRecord {
  std::vector<ColumnValue> columns;
  std::size_t firstSerialType = 0;  // where column 1's serial type lies
  std::size_t end = 0;              // one past the last content byte
  // from column 1's serial type to the end: the same bytes whether the
  // header was intact or not, so equal rows found twice compare equal
  ByteSpan bytes;
  bool headerIntact = false;  // the header-size varint was read
};

// A record whose header-size varint lies at `headerAt`; its column count
// is what the header holds, which must be between `minColumns` and
// `maxColumns`.
std::optional<DecodedRecord> decodeRecordAt(ByteSpan page, std::size_t headerAt,
                                            std::size_t minColumns, std::size_t maxColumns);

// A record of `columnCount` columns whose first bytes were overwritten (a
// free-block header takes the cell's first four bytes): column 0 is the
// rowid alias, stored as NULL, and column 1's serial type lies at
// `column1At`; the content follows the last serial type.
std::optional<DecodedRecord> decodeRecordFromColumn1(ByteSpan page, std::size_t column1At,
                                                     std::size_t columnCount);

// Where column 1's serial type may lie when column `column` (1 or more)
// has its serial type at `columnAt`: each start from which `column` - 1
// varints end exactly there, nearest first, is handed to `tryStart` until
// it answers true.
void forEachColumn1Start(ByteSpan page, std::size_t columnAt, std::size_t column,
                         const std::function<bool(std::size_t)>& tryStart);

// The rowid of an intact cell whose header-size varint lies at `headerAt`
// and whose record ends at `recordEnd`: the payload-length varint before
// the rowid must give the record's length, else nothing.
std::optional<std::int64_t> rowidBefore(ByteSpan page, std::size_t headerAt, std::size_t recordEnd);

}  // namespace orvane::carving
