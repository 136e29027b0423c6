#include "carving/sqlite_pages.h"

#include <bit>
#include <cstring>

namespace orvane::carving {

namespace {

std::uint64_t bigEndian(ByteSpan bytes, std::size_t at, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = (value << 8) | bytes[at + i];
  return value;
}

// Reads the serial types from `at` up to `headerEnd` (exclusive); false
// when a varint runs past it.
bool readSerialTypes(ByteSpan page, std::size_t at, std::size_t headerEnd,
                     std::vector<std::uint64_t>& types) {
  const ByteSpan header = page.first(headerEnd);
  while (at < headerEnd) {
    const auto type = readVarint(header, at);
    if (!type) return false;
    types.push_back(type->value);
    at += type->length;
  }
  return true;
}

// The content of every column, from `contentAt` on; nothing when the
// content runs past the page.
std::optional<DecodedRecord> readContent(ByteSpan page, const std::vector<std::uint64_t>& types,
                                         std::size_t contentAt) {
  DecodedRecord record;
  record.columns.reserve(types.size());
  std::size_t at = contentAt;
  for (const std::uint64_t type : types) {
    const std::uint64_t length = contentLength(type);
    if (length > page.size() - at) return std::nullopt;  // the content extends past the page
    ColumnValue value;
    if (type >= 1 && type <= 6) {
      value.kind = ColumnValue::Kind::kInteger;
      std::uint64_t raw = bigEndian(page, at, static_cast<std::size_t>(length));
      // sign-extend from the stored width
      const unsigned bits = static_cast<unsigned>(length * 8);
      if (bits < 64 && (raw >> (bits - 1)) != 0) raw |= ~std::uint64_t{0} << bits;
      value.integer = static_cast<std::int64_t>(raw);
    } else if (type == 7) {
      value.kind = ColumnValue::Kind::kReal;
      value.real = std::bit_cast<double>(bigEndian(page, at, 8));
    } else if (type == 8 || type == 9) {
      value.kind = ColumnValue::Kind::kInteger;
      value.integer = type == 9 ? 1 : 0;
    } else if (type >= 12) {
      value.kind = (type & 1) != 0 ? ColumnValue::Kind::kText : ColumnValue::Kind::kBlob;
      value.bytes = page.subspan(at, static_cast<std::size_t>(length));
    }
    at += static_cast<std::size_t>(length);
    record.columns.push_back(value);
  }
  record.end = at;
  return record;
}

}  // namespace

std::optional<DatabaseHeader> readDatabaseHeader(ByteSpan file) {
  static constexpr char kMagic[16] = "SQLite format 3";  // with its NUL
  if (file.size() < 100 || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) {
    return std::nullopt;
  }
  DatabaseHeader header;
  const auto stored = static_cast<std::uint32_t>(bigEndian(file, 16, 2));
  header.pageSize = stored == 1 ? 65536 : stored;
  if (header.pageSize < 512 || !std::has_single_bit(header.pageSize)) return std::nullopt;
  header.pageCount = file.size() / header.pageSize;
  header.writeAheadLog = file[18] == 2;
  header.textEncoding = static_cast<std::uint32_t>(bigEndian(file, 56, 4));
  if (header.textEncoding == 0) header.textEncoding = 1;  // a database without tables yet
  return header;
}

PageKind pageKindOf(std::uint8_t flag) {
  switch (flag) {
    case 0x0D:
      return PageKind::kTableLeaf;
    case 0x05:
      return PageKind::kTableInterior;
    case 0x02:
      return PageKind::kIndexInterior;
    case 0x0A:
      return PageKind::kIndexLeaf;
    default:
      return PageKind::kOther;
  }
}

std::optional<Varint> readVarint(ByteSpan bytes, std::size_t at) {
  Varint varint;
  for (std::size_t i = 0; i < 9; ++i) {
    if (at + i >= bytes.size()) return std::nullopt;
    const std::uint8_t byte = bytes[at + i];
    if (i == 8) {
      varint.value = (varint.value << 8) | byte;
      varint.length = 9;
      return varint;
    }
    varint.value = (varint.value << 7) | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      varint.length = i + 1;
      return varint;
    }
  }
  return std::nullopt;
}

std::uint64_t contentLength(std::uint64_t serialType) {
  static constexpr std::uint8_t kFixed[12] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, 0, 0};
  if (serialType < 12) return kFixed[serialType];
  return (serialType - 12 - (serialType & 1)) / 2;
}

std::optional<DecodedRecord> decodeRecordAt(ByteSpan page, std::size_t headerAt,
                                            std::size_t minColumns, std::size_t maxColumns) {
  const auto headerSize = readVarint(page, headerAt);
  if (!headerSize || headerSize->value <= headerSize->length ||
      headerSize->value > page.size() - headerAt) {
    return std::nullopt;
  }
  const std::size_t headerEnd = headerAt + static_cast<std::size_t>(headerSize->value);
  std::vector<std::uint64_t> types;
  types.reserve(maxColumns);
  if (!readSerialTypes(page, headerAt + headerSize->length, headerEnd, types) ||
      types.size() < minColumns || types.size() > maxColumns) {
    return std::nullopt;
  }
  auto record = readContent(page, types, headerEnd);
  if (!record) return std::nullopt;
  record->firstSerialType = headerAt + headerSize->length + 1;
  record->headerIntact = true;
  if (record->firstSerialType > record->end) return std::nullopt;
  record->bytes = page.subspan(record->firstSerialType, record->end - record->firstSerialType);
  return record;
}

std::optional<DecodedRecord> decodeRecordFromColumn1(ByteSpan page, std::size_t column1At,
                                                     std::size_t columnCount) {
  if (columnCount < 2) return std::nullopt;
  std::vector<std::uint64_t> types;
  types.reserve(columnCount);
  types.push_back(0);
  std::size_t at = column1At;
  while (types.size() < columnCount) {
    const auto type = readVarint(page, at);
    if (!type) return std::nullopt;
    types.push_back(type->value);
    at += type->length;
  }
  auto record = readContent(page, types, at);
  if (!record) return std::nullopt;
  record->firstSerialType = column1At;
  record->bytes = page.subspan(column1At, record->end - column1At);
  return record;
}

void forEachColumn1Start(ByteSpan page, std::size_t columnAt, std::size_t column,
                         const std::function<bool(std::size_t)>& tryStart) {
  if (column == 0 || columnAt > page.size()) return;
  // A varint is bytes from 0x80 up ended by one below it, so the serial
  // types before the anchor are found walking backwards; only column 1's
  // own start is open, for the byte before it (column 0's NULL, or what a
  // free-block header left) may look like a part of it.
  std::size_t end = columnAt;
  for (std::size_t column1 = column; column1 > 2; --column1) {
    if (end == 0 || (page[end - 1] & 0x80) != 0) return;
    std::size_t start = end - 1;
    while (start > 0 && end - start < 9 && (page[start - 1] & 0x80) != 0) --start;
    end = start;
  }
  if (column == 1) {
    tryStart(columnAt);
    return;
  }
  if (end == 0 || (page[end - 1] & 0x80) != 0) return;
  for (std::size_t width = 1; width <= 9 && width <= end; ++width) {
    if (width > 1 && (page[end - width] & 0x80) == 0) return;
    if (tryStart(end - width)) return;
  }
}

std::optional<std::int64_t> rowidBefore(ByteSpan page, std::size_t headerAt,
                                        std::size_t recordEnd) {
  // Read backwards, a varint's start is ambiguous (the byte before it may
  // have its top bit set too), so every width is tried: the rowid must end
  // where the header begins, and the payload length before it must give
  // the record's length.
  if (recordEnd <= headerAt || recordEnd > page.size()) return std::nullopt;
  const std::uint64_t payloadLength = recordEnd - headerAt;
  for (std::size_t rowidWidth = 1; rowidWidth <= 9 && rowidWidth < headerAt; ++rowidWidth) {
    const std::size_t rowidAt = headerAt - rowidWidth;
    const auto rowid = readVarint(page.first(headerAt), rowidAt);
    if (!rowid || rowid->length != rowidWidth) continue;
    for (std::size_t lengthWidth = 1; lengthWidth <= 9 && lengthWidth <= rowidAt; ++lengthWidth) {
      const auto length = readVarint(page.first(rowidAt), rowidAt - lengthWidth);
      if (length && length->length == lengthWidth && length->value == payloadLength) {
        return static_cast<std::int64_t>(rowid->value);
      }
    }
  }
  return std::nullopt;
}

}  // namespace orvane::carving
