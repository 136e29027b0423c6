#include "carving/schema_carver.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/utf8.h"

namespace orvane::carving {

namespace {

constexpr std::size_t kLeafHeaderSize = 8;
constexpr std::size_t kInteriorHeaderSize = 12;
// A table leaf keeps a payload on its page up to the usable size less 35
// bytes; a longer one goes on overflow pages and is not whole here.
constexpr std::size_t kLeafPayloadReserve = 35;

std::size_t bigEndian16(ByteSpan page, std::size_t at) {
  return static_cast<std::size_t>(page[at]) << 8 | page[at + 1];
}

// A key holds each value as a kind letter and fixed-width bytes (a text's
// or blob's length before its bytes), so two keys are equal exactly when
// the values are.
void addRaw(std::string& key, char kind, std::uint64_t bits) {
  char bytes[1 + sizeof bits];
  bytes[0] = kind;
  std::memcpy(bytes + 1, &bits, sizeof bits);
  key.append(bytes, sizeof bytes);
}

void addNumber(std::string& key, std::int64_t value) {
  addRaw(key, 'i', static_cast<std::uint64_t>(value));
}

void addReal(std::string& key, double value) {
  // a whole REAL is kept as an integer in the record and read back as a REAL
  if (std::trunc(value) == value && std::fabs(value) < 9.0e18) {
    addNumber(key, static_cast<std::int64_t>(value));
    return;
  }
  addRaw(key, 'r', std::bit_cast<std::uint64_t>(value));
}

void addBytes(std::string& key, char kind, const void* bytes, std::size_t length) {
  addRaw(key, kind, length);
  if (length != 0) key.append(static_cast<const char*>(bytes), length);
}

// Whether the record whose serial types run from `column1At` to
// `contentAt` and whose content ends at `end` lies right behind a
// free-block header: a 2-byte offset of the next block (0, or past this
// one, on the page) and a 2-byte size that covers the record. The header
// took the cell's first 4 bytes; of the cell's length, key, header size
// and column 0 (4 to 13 bytes) what is left must read as such: column 0's
// NULL, then the header size.
// What `behindFreeBlockHeader` asks that needs no decoding: some place
// before `column1At` reads as a free-block header. Free space that was
// never written (zeros) fails here at once.
bool mayFollowFreeBlockHeader(ByteSpan page, std::size_t column1At) {
  constexpr std::size_t kBlockHeader = 4;
  constexpr std::size_t kMostCovered = 9;
  for (std::size_t back = kBlockHeader; back <= kBlockHeader + kMostCovered; ++back) {
    if (back > column1At || (back > kBlockHeader && page[column1At - 1] != 0x00)) break;
    const std::size_t blockAt = column1At - back;
    const std::size_t blockSize = bigEndian16(page, blockAt + 2);
    if (blockSize >= back && blockAt + blockSize <= page.size()) return true;
  }
  return false;
}

bool behindFreeBlockHeader(ByteSpan page, std::size_t column1At, std::size_t contentAt,
                           std::size_t end) {
  constexpr std::size_t kBlockHeader = 4;
  constexpr std::size_t kMostCovered = 9;
  for (std::size_t back = kBlockHeader; back <= kBlockHeader + kMostCovered; ++back) {
    if (back > column1At) break;
    if (back > kBlockHeader && page[column1At - 1] != 0x00) break;
    if (back > kBlockHeader + 1) {
      const std::size_t headerSize = 2 + (contentAt - column1At);
      if (headerSize > 0x7F || page[column1At - 2] != headerSize) break;
    }
    const std::size_t blockAt = column1At - back;
    const std::size_t blockSize = bigEndian16(page, blockAt + 2);
    const std::size_t next = bigEndian16(page, blockAt);
    if (blockSize >= kBlockHeader && blockAt + blockSize <= page.size() &&
        blockAt + blockSize >= end &&
        (next == 0 || (next >= blockAt + blockSize && next + kBlockHeader <= page.size()))) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::uint64_t recordHash(ByteSpan record) {
  // The header and the first values (a key, a guid, a date) with the
  // length and the last bytes tell records apart; hashing every byte of a
  // database would cost as much as reading it through the library.
  constexpr std::size_t kHead = 96;
  constexpr std::size_t kTail = 32;
  if (record.size() <= kHead + kTail) {
    return std::hash<std::string_view>{}(
        {reinterpret_cast<const char*>(record.data()), record.size()});
  }
  const std::uint64_t head =
      std::hash<std::string_view>{}({reinterpret_cast<const char*>(record.data()), kHead});
  const std::uint64_t tail = std::hash<std::string_view>{}(
      {reinterpret_cast<const char*>(record.data() + record.size() - kTail), kTail});
  return head ^ (tail * 0x9E3779B97F4A7C15ULL) ^ record.size();
}

void addLiveRecords(ByteSpan page, std::vector<LiveRecord>& records) {
  forEachLeafCell(page, [&](const LeafCell& cell) {
    if (page.size() < kLeafPayloadReserve || cell.payload > page.size() - kLeafPayloadReserve ||
        cell.payload > page.size() - cell.recordAt) {
      return;
    }
    const ByteSpan record = page.subspan(cell.recordAt, static_cast<std::size_t>(cell.payload));
    records.push_back({recordHash(record), record});
  });
}

bool isLiveRecord(const std::vector<LiveRecord>& live, ByteSpan record) {
  const auto [first, last] =
      std::equal_range(live.begin(), live.end(), LiveRecord{recordHash(record), {}});
  return std::any_of(first, last, [record](const LiveRecord& candidate) {
    return std::ranges::equal(candidate.bytes, record);
  });
}

std::string valuesKey(const DecodedRecord& record, std::optional<std::size_t> alias) {
  std::string key;
  key.reserve(record.bytes.size() + 9 * record.columns.size());
  for (std::size_t i = 0; i < record.columns.size(); ++i) {
    if (i == alias) continue;
    const ColumnValue& value = record.columns[i];
    switch (value.kind) {
      case ColumnValue::Kind::kNull:
        key += "n;";
        break;
      case ColumnValue::Kind::kInteger:
        addNumber(key, value.integer);
        break;
      case ColumnValue::Kind::kReal:
        addReal(key, value.real);
        break;
      case ColumnValue::Kind::kText:
      case ColumnValue::Kind::kBlob:
        addBytes(key, value.kind == ColumnValue::Kind::kText ? 't' : 'b', value.bytes.data(),
                 value.bytes.size());
        break;
    }
  }
  return key;
}

SchemaSearch::SchemaSearch(TableShape shape, const TableLayout& layout, sqlite3* db,
                           std::function<bool(const CarvedRow&)> plausible)
    : shape_(std::move(shape)), layout_(layout), plausible_(std::move(plausible)) {
  smallTypes_.resize(shape_.size() * kSmallTypes);
  for (std::size_t i = 0; i < shape_.size(); ++i) {
    for (std::uint8_t type = 0; type < kSmallTypes; ++type)
      smallTypes_[i * kSmallTypes + type] = shape_.allows(i, type);
  }
  for (std::size_t i = 0; i < shape_.size(); ++i) {
    if (shape_.columns[i].affinity == Affinity::kText) textColumns_ = true;
    if (shape_.columns[i].rowidAlias) alias_ = i;
  }
  if (db == nullptr) return;
  sqlite3_stmt* stmt = nullptr;
  const std::string sql = "select * from \"" + shape_.table + "\" where rowid = ?";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) live_.reset(stmt);
}

bool SchemaSearch::isLive(const CarvedRow& row) const {
  if (!live_ || !row.rowid()) return false;
  sqlite3_stmt* stmt = live_.get();
  sqlite3_reset(stmt);
  sqlite3_bind_int64(stmt, 1, *row.rowid());
  if (sqlite3_step(stmt) != SQLITE_ROW) return false;
  std::string key;
  for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
    if (static_cast<std::size_t>(i) == alias_) continue;
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_NULL:
        key += "n;";
        break;
      case SQLITE_INTEGER:
        addNumber(key, sqlite3_column_int64(stmt, i));
        break;
      case SQLITE_FLOAT:
        addReal(key, sqlite3_column_double(stmt, i));
        break;
      case SQLITE_TEXT: {
        const void* text = sqlite3_column_text(stmt, i);
        addBytes(key, 't', text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
        break;
      }
      default: {
        const void* blob = sqlite3_column_blob(stmt, i);
        addBytes(key, 'b', blob, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
        break;
      }
    }
  }
  return key == valuesKey(row.record(), alias_);
}

std::optional<SchemaSearch::TypesRun> SchemaSearch::typesFit(ByteSpan page, std::size_t at,
                                                             std::size_t headerEnd,
                                                             std::size_t first,
                                                             std::size_t count) const {
  const ByteSpan header = page.first(std::min(headerEnd, page.size()));
  TypesRun run{first, at, 0};
  while (run.typesEnd < header.size() && run.columns < count) {
    // most serial types take one byte
    Varint type{header[run.typesEnd], 1};
    if (type.value >= kSmallTypes) {
      const auto longer = readVarint(header, run.typesEnd);
      if (!longer || !shape_.allows(run.columns, longer->value)) return std::nullopt;
      type = *longer;
    } else if (!smallTypes_[run.columns * kSmallTypes + type.value]) {
      return std::nullopt;
    }
    // past the page's size the sum stops growing: no such record fits
    run.contentLength =
        std::min<std::uint64_t>(run.contentLength + contentLength(type.value), page.size() + 1);
    run.typesEnd += type.length;
    ++run.columns;
  }
  return run;
}

bool SchemaSearch::accept(const DecodedRecord& record) const {
  bool anyValue = false;
  bool anyText = false;
  for (std::size_t i = 0; i < record.columns.size(); ++i) {
    const ColumnValue& value = record.columns[i];
    if (value.kind == ColumnValue::Kind::kNull || shape_.columns[i].rowidAlias) continue;
    // a row of nothing but NULLs and empty strings tells nothing; free
    // space is full of such runs
    if (value.kind == ColumnValue::Kind::kInteger || value.kind == ColumnValue::Kind::kReal ||
        !value.bytes.empty()) {
      anyValue = true;
    }
    if (value.kind != ColumnValue::Kind::kText) continue;
    anyText = anyText || !value.bytes.empty();
    const std::string_view text(reinterpret_cast<const char*>(value.bytes.data()),
                                value.bytes.size());
    if (!isValidUtf8(text)) return false;
    // what people type holds no control characters but line breaks and
    // tabs; bytes that merely decode as UTF-8 (a run of 01s) often do
    for (const char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    }
  }
  // A table with text columns keeps some text in a row; runs of small
  // numbers in stale cells decode as blobs and NULLs.
  return anyValue && (anyText || !textColumns_);
}

bool SchemaSearch::offer(CarvedRow row, const std::function<void(CarvedRow)>& found) {
  if (!accept(row.record())) return false;
  // A row the table still holds under its key (an old copy of a live row)
  // is taken, not listed. A row whose key a free-block header took was
  // given back by the table: deleted, or an older version of a row.
  if (isLive(row)) return true;
  if (plausible_ && !plausible_(row)) return false;
  found(std::move(row));
  return true;
}

void SchemaSearch::tryCell(ByteSpan page, std::size_t cellAt, std::uint64_t pageAt,
                           const std::function<void(CarvedRow)>& found) {
  const auto payload = readVarint(page, cellAt);
  if (!payload || page.size() < kLeafPayloadReserve ||
      payload->value > page.size() - kLeafPayloadReserve) {
    return;
  }
  const auto rowid = readVarint(page, cellAt + payload->length);
  if (!rowid) return;
  const std::size_t headerAt = cellAt + payload->length + rowid->length;
  const auto headerSize = readVarint(page, headerAt);
  if (!headerSize || headerSize->value > page.size() - headerAt) return;
  const std::size_t headerEnd = headerAt + static_cast<std::size_t>(headerSize->value);
  const std::size_t columns = shape_.size();
  const auto types = typesFit(page, headerAt + headerSize->length, headerEnd, 0, columns);
  if (!types || types->columns != columns) return;
  auto record = decodeRecordAt(page, headerAt, columns, columns);
  if (!record || record->end != headerAt + payload->value) return;
  offer(CarvedRow(layout_, std::move(*record), static_cast<std::int64_t>(rowid->value),
                  pageAt + headerAt),
        found);
}

void SchemaSearch::searchRange(ByteSpan page, std::size_t from, std::size_t to,
                               std::uint64_t pageAt, const std::function<void(CarvedRow)>& found) {
  const std::size_t columns = shape_.size();
  const bool aliasFirst = columns >= 2 && shape_.columns[0].rowidAlias;
  const std::size_t maxHeader = shape_.maxHeaderSize();
  const bool column0Long = shape_.allows(0, 12) || shape_.allows(0, 13);
  // a one-byte header size (3 at least) and column 0's serial type after it
  const auto mayStartHeader = [&](ByteSpan bytes, std::size_t at) {
    if (bytes[at] < 3 || at + 1 >= bytes.size()) return false;
    const std::uint8_t type = bytes[at + 1];
    return type < 0x80 ? shape_.allows(0, type) : column0Long;
  };
  // Free space never written is zeros: no header starts there, and a
  // column 1 there has no free-block header in the 13 bytes before it.
  constexpr std::size_t kQuietZeros = 14;
  std::size_t zeros = 0;
  for (std::size_t at = from; at < to && at < page.size(); ++at) {
    zeros = page[at] == 0 ? zeros + 1 : 0;
    if (zeros > kQuietZeros) continue;
    // an intact header: its size, then a serial type per column (column 0's
    // first: a one-byte header size is followed by it)
    if (page[at] < 0x80 && !mayStartHeader(page, at)) {
      // not the start of an intact header
    } else if (const auto headerSize = readVarint(page, at);
               headerSize && headerSize->value >= 3 && headerSize->value <= maxHeader &&
               headerSize->value <= page.size() - at) {
      const std::size_t headerEnd = at + static_cast<std::size_t>(headerSize->value);
      const std::size_t typesAt = at + headerSize->length;
      // a deleted row lies inside the free space it was given back to;
      // where it ends is known from its serial types before it is decoded
      const auto types = typesFit(page, typesAt, headerEnd, 0, columns);
      if (types && types->columns == columns && types->typesEnd == headerEnd && headerEnd <= to &&
          types->contentLength <= to - headerEnd) {
        const std::size_t end = headerEnd + static_cast<std::size_t>(types->contentLength);
        if (liveRecords_ != nullptr && isLiveRecord(*liveRecords_, page.subspan(at, end - at))) {
          at = end - 1;
          continue;
        }
        if (auto record = decodeRecordAt(page, at, columns, columns)) {
          const auto rowid = rowidBefore(page, at, end);
          if (offer(CarvedRow(layout_, std::move(*record), rowid, pageAt + at), found)) {
            at = end - 1;
            continue;
          }
        }
      }
    }
    // a header whose size and column 0 a free-block header overwrote
    if (!aliasFirst || (page[at] < kSmallTypes && !smallTypes_[kSmallTypes + page[at]]) ||
        !mayFollowFreeBlockHeader(page, at))
      continue;
    const auto types = typesFit(page, at, page.size(), 1, columns);
    if (!types || types->columns != columns || types->typesEnd > to ||
        types->contentLength > to - types->typesEnd)
      continue;
    const std::size_t end = types->typesEnd + static_cast<std::size_t>(types->contentLength);
    if (!behindFreeBlockHeader(page, at, types->typesEnd, end)) continue;
    if (auto record = decodeRecordFromColumn1(page, at, columns)) {
      if (offer(CarvedRow(layout_, std::move(*record), std::nullopt, pageAt + at), found)) {
        at = end - 1;
      }
    }
  }
}

void SchemaSearch::run(ByteSpan page, std::uint64_t pageAt, bool current,
                       const std::function<void(CarvedRow)>& found) {
  if (page.size() < kLeafHeaderSize || shape_.size() < 2) return;
  const PageKind kind = pageKindOf(page[0]);
  if (kind == PageKind::kOther) {
    // a freelist trunk, a page never written, an overflow page: searched
    // whole, unless it holds a part of a row the database still has
    if (!current) searchRange(page, 0, page.size(), pageAt, found);
    return;
  }
  // Index pages hold no table rows. An interior page holds none either,
  // but its free space may: a root page that grew a level kept its old
  // cells there.
  if (kind != PageKind::kTableLeaf && kind != PageKind::kTableInterior) return;
  const std::size_t headerSize =
      kind == PageKind::kTableLeaf ? kLeafHeaderSize : kInteriorHeaderSize;
  if (page.size() < headerSize) return;
  const std::size_t cellCount = bigEndian16(page, 3);
  std::size_t contentAt = bigEndian16(page, 5);
  if (contentAt == 0) contentAt = 65536;
  const std::size_t pointersEnd = headerSize + 2 * cellCount;
  if (pointersEnd > page.size()) {
    // the cell count runs past the page: not a page this table wrote whole
    searchRange(page, headerSize, page.size(), pageAt, found);
    return;
  }
  // the cells of a page the database still uses are its live rows
  for (std::size_t pointer = headerSize;
       !current && kind == PageKind::kTableLeaf && pointer < pointersEnd; pointer += 2) {
    const std::size_t cellAt = bigEndian16(page, pointer);
    if (cellAt >= pointersEnd && cellAt < page.size()) tryCell(page, cellAt, pageAt, found);
  }
  searchRange(page, pointersEnd, std::min(contentAt, page.size()), pageAt, found);
  // the free blocks, in the order of their offsets; a chain that turns
  // back or leaves the page ends there
  std::size_t block = bigEndian16(page, 1);
  while (block != 0 && block >= pointersEnd && block + 4 <= page.size()) {
    const std::size_t blockSize = bigEndian16(page, block + 2);
    searchRange(page, block, std::min(block + std::max<std::size_t>(blockSize, 4), page.size()),
                pageAt, found);
    const std::size_t next = bigEndian16(page, block);
    if (next <= block) break;
    block = next;
  }
}

}  // namespace orvane::carving
