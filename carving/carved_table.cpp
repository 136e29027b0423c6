#include "carving/carved_table.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "carving/wal_frames.h"
#include "core/conversions.h"
#include "core/utf8.h"
#include "ios/sqlite_access.h"

namespace orvane::carving {

namespace {

bool contains(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) == b;
         }) != text.end();
}

std::string_view textOf(const ColumnValue& value) {
  return {reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size()};
}

// Whether a stored value can belong to a column of this affinity: SQLite
// turns numbers into text in a text column and keeps a whole REAL as an
// integer, so only those mixes are possible.
bool fits(const ColumnValue& value, Affinity affinity) {
  using Kind = ColumnValue::Kind;
  if (value.kind == Kind::kText && !isValidUtf8(textOf(value))) return false;
  switch (affinity) {
    case Affinity::kInteger:
    case Affinity::kReal:
      return value.kind == Kind::kNull || value.kind == Kind::kInteger || value.kind == Kind::kReal;
    case Affinity::kText:
      return value.kind == Kind::kNull || value.kind == Kind::kText || value.kind == Kind::kBlob;
    case Affinity::kBlob:
    case Affinity::kNumeric:
      return true;
  }
  return false;
}

bool fitsLayout(const DecodedRecord& record, const TableLayout& layout) {
  // column 0 is the rowid alias, which the record stores as NULL
  if (record.columns.empty() || record.columns[0].kind != ColumnValue::Kind::kNull) return false;
  for (std::size_t i = 1; i < record.columns.size(); ++i) {
    if (!fits(record.columns[i], layout.affinities[i])) return false;
  }
  return true;
}

struct Candidate {
  DecodedRecord record;
  std::optional<std::int64_t> rowid;
};

class PageSearch {
 public:
  PageSearch(const TableSearch& search) : search_(search), layout_(*search.layout) {
    counts_.push_back(layout_.size());
    for (const std::size_t count : search.olderColumnCounts) {
      if (count >= 2 && count < layout_.size()) counts_.push_back(count);
    }
    minColumns_ = *std::min_element(counts_.begin(), counts_.end());
    for (const Anchor& anchor : search.anchors) {
      if (anchor.column.empty()) {
        anchors_.push_back({anchor.bytes, 0});
      } else if (const auto column = layout_.indexOf(anchor.column); column && *column > 0) {
        anchors_.push_back({anchor.bytes, *column});
      }
    }
  }

  void run(ByteSpan page, std::uint64_t pageAt, const std::function<void(CarvedRow)>& found) {
    seen_.clear();
    for (const auto& [bytes, column] : anchors_) {
      const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.data());
      for (std::size_t at = 0; at + bytes.size() <= page.size(); ++at) {
        const void* hit = std::memchr(page.data() + at, first[0], page.size() - at);
        if (hit == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - page.data());
        if (at + bytes.size() > page.size()) break;
        if (std::memcmp(page.data() + at, first, bytes.size()) != 0) continue;
        // an anchor of the whole header begins with a one-byte header size
        // and column 0's NULL
        const auto starts =
            column == 0 ? std::vector<std::size_t>{at + 2} : column1Candidates(page, at, column);
        for (const std::size_t start : starts) {
          if (!seen_.insert(start).second) continue;  // this start was tried already
          if (auto candidate = decode(page, start)) {
            found(
                CarvedRow(layout_, std::move(candidate->record), candidate->rowid, pageAt + start));
            break;
          }
        }
      }
    }
  }

 private:
  bool knownCount(std::size_t count) const {
    return std::find(counts_.begin(), counts_.end(), count) != counts_.end();
  }

  std::optional<Candidate> decode(ByteSpan page, std::size_t start) const {
    // The intact header first: the header size in one or two bytes before
    // column 0's NULL.
    if (start >= 2 && page[start - 1] == 0x00) {
      for (std::size_t width = 1; width <= 2 && start >= width + 1; ++width) {
        const std::size_t headerAt = start - 1 - width;
        if (width == 2 && (page[headerAt] & 0x80) == 0) break;
        auto record = decodeRecordAt(page, headerAt, minColumns_, layout_.size());
        if (!record || record->firstSerialType != start || !knownCount(record->columns.size()) ||
            !fitsLayout(*record, layout_)) {
          continue;
        }
        const auto rowid = rowidBefore(page, headerAt, record->end);
        return Candidate{std::move(*record), rowid};
      }
    }
    // The cell's first bytes overwritten by a free-block header.
    for (const std::size_t count : counts_) {
      auto record = decodeRecordFromColumn1(page, start, count);
      if (record && fitsLayout(*record, layout_)) return Candidate{std::move(*record), {}};
    }
    return std::nullopt;
  }

  const TableSearch& search_;
  const TableLayout& layout_;
  std::vector<std::size_t> counts_;
  std::size_t minColumns_ = 0;
  std::vector<std::pair<std::string_view, std::size_t>> anchors_;
  std::unordered_set<std::size_t> seen_;
};

}  // namespace

Affinity affinityOf(std::string_view declaredType) {
  std::string upper(declaredType);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (contains(upper, "INT")) return Affinity::kInteger;
  if (contains(upper, "CHAR") || contains(upper, "CLOB") || contains(upper, "TEXT"))
    return Affinity::kText;
  if (upper.empty() || contains(upper, "BLOB")) return Affinity::kBlob;
  if (contains(upper, "REAL") || contains(upper, "FLOA") || contains(upper, "DOUB"))
    return Affinity::kReal;
  return Affinity::kNumeric;
}

std::optional<std::size_t> TableLayout::indexOf(std::string_view name) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() == name.size() &&
        sqlite3_strnicmp(names[i].data(), name.data(), static_cast<int>(name.size())) == 0) {
      return i;
    }
  }
  return std::nullopt;
}

TableLayout layoutOf(const PrivateCopy& copy, std::string_view table) {
  TableLayout layout;
  layout.table = table;
  for (auto& column : copy.columnsOf(table)) {
    layout.affinities.push_back(affinityOf(column.type));
    layout.names.push_back(std::move(column.name));
  }
  return layout;
}

const ColumnValue* CarvedRow::cell(std::string_view column) const {
  const auto index = layout_->indexOf(column);
  if (!index || *index >= record_.columns.size()) return nullptr;
  return &record_.columns[*index];
}

bool CarvedRow::has(std::string_view column) const {
  for (const auto& extra : extras_) {
    if (extra.first == column) return true;
  }
  return layout_->indexOf(column).has_value();
}

std::optional<std::string> CarvedRow::text(std::string_view column) const {
  for (const auto& extra : extras_) {
    if (extra.first == column) {
      if (extra.second.empty()) return std::nullopt;
      return extra.second;
    }
  }
  const ColumnValue* value = cell(column);
  if (value == nullptr) return std::nullopt;
  switch (value->kind) {
    case ColumnValue::Kind::kNull:
      return std::nullopt;
    case ColumnValue::Kind::kInteger:
      return std::to_string(value->integer);
    case ColumnValue::Kind::kReal: {
      // the text SQLite gives a REAL cell
      char text[40];
      std::snprintf(text, sizeof text, "%.15g", value->real);
      std::string shown(text);
      if (shown.find_first_of(".eEn") == std::string::npos) shown += ".0";
      return shown;
    }
    case ColumnValue::Kind::kText:
    case ColumnValue::Kind::kBlob:
      if (value->bytes.empty()) return std::nullopt;
      return FieldConversions::GetStringFormChar(textOf(*value));
  }
  return std::nullopt;
}

std::optional<std::int64_t> CarvedRow::decimal(std::string_view column) const {
  const ColumnValue* value = cell(column);
  if (value == nullptr) {
    if (const auto shown = text(column)) return leadingDecimal(*shown).value_or(0);
    return std::nullopt;
  }
  switch (value->kind) {
    case ColumnValue::Kind::kNull:
      return std::nullopt;
    case ColumnValue::Kind::kInteger:
      return value->integer;
    case ColumnValue::Kind::kReal: {
      // a fraction is cut off, as a live reading does
      const double number = std::trunc(value->real);
      if (!(std::fabs(number) < 9.2e18))
        return number > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
      return static_cast<std::int64_t>(number);
    }
    case ColumnValue::Kind::kText:
    case ColumnValue::Kind::kBlob:
      if (value->bytes.empty()) return std::nullopt;
      return leadingDecimal(textOf(*value)).value_or(0);
  }
  return std::nullopt;
}

std::span<const std::uint8_t> CarvedRow::blob(std::string_view column) const {
  const ColumnValue* value = cell(column);
  if (value == nullptr) return {};
  if (value->kind == ColumnValue::Kind::kText || value->kind == ColumnValue::Kind::kBlob) {
    return value->bytes;
  }
  return {};
}

bool CarvedRow::sameValues(const CarvedRow& other) const {
  const auto& mine = record_.columns;
  const auto& theirs = other.record_.columns;
  if (mine.size() != theirs.size()) return false;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    const ColumnValue& a = mine[i];
    const ColumnValue& b = theirs[i];
    if (a.kind != b.kind || a.integer != b.integer ||
        std::memcmp(&a.real, &b.real, sizeof a.real) != 0 ||
        !std::equal(a.bytes.begin(), a.bytes.end(), b.bytes.begin(), b.bytes.end())) {
      return false;
    }
  }
  return true;
}

bool carveTable(const PrivateCopy& copy, const TableSearch& search, const ScanContext& ctx,
                const std::function<void(CarvedRow)>& found) {
  if (search.layout == nullptr || search.layout->size() < 2) return true;
  const ByteSpan file(copy.mainBytes());
  const auto header = readDatabaseHeader(file);
  if (!header) return true;
  if (header->textEncoding != 1) {
    std::fprintf(stderr, "%s: texts not in UTF-8, not carved\n", search.layout->table.c_str());
    return true;
  }
  PageSearch pages(search);
  for (std::uint64_t index = 1; index < header->pageCount; ++index) {
    if (ctx.stopRequested()) return false;
    const std::uint64_t pageAt = index * header->pageSize;
    pages.run(file.subspan(static_cast<std::size_t>(pageAt), header->pageSize), pageAt, found);
  }
  std::uint64_t logAt = file.size();
  for (const WalFrame& frame : walFrames(copy.logBytes())) {
    if (ctx.stopRequested()) return false;
    if (frame.pageNumber != 1) pages.run(frame.page, logAt, found);
    logAt += frame.page.size();
  }
  return true;
}

}  // namespace orvane::carving
