#include "carving/carved_table.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <unordered_set>

#include "carving/schema_carver.h"
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

// The cells of a page the database reads now: their records are the live
// rows, and no deleted row starts inside one.
struct LiveCells {
  struct Cell {
    std::size_t begin = 0;    // the cell's first byte
    std::size_t end = 0;      // one past its record's last byte
    std::size_t column1 = 0;  // where column 1's serial type lies
  };
  std::vector<std::size_t> starts;  // column 1's serial type of every cell, sorted
  std::vector<Cell> whole;          // the cells held whole on the page, by place

  void clear() {
    starts.clear();
    whole.clear();
  }
  bool isStart(std::size_t at) const {
    return std::binary_search(starts.begin(), starts.end(), at);
  }
  // the cell held whole whose bytes include `at`, or null
  const Cell* holding(std::size_t at) const {
    auto after =
        std::upper_bound(whole.begin(), whole.end(), at,
                         [](std::size_t offset, const Cell& cell) { return offset < cell.begin; });
    if (after == whole.begin()) return nullptr;
    --after;
    return at < after->end ? &*after : nullptr;
  }
};

class PageSearch {
 public:
  PageSearch(const TableSearch& search, sqlite3* db)
      : layout_(*search.layout), keepLiveRows_(search.keepLiveRows) {
    if (!search.keepLiveRows && db != nullptr) {
      sqlite3_stmt* stmt = nullptr;
      const std::string sql = "select * from \"" + layout_.table + "\" where rowid = ?";
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) live_.reset(stmt);
    }
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

  // `live`: the cells of the page when the database reads it now.
  void run(ByteSpan page, std::uint64_t pageAt, const LiveCells& live,
           const std::function<void(CarvedRow)>& found) {
    seen_.clear();
    for (const auto& [bytes, column] : anchors_) {
      // Look for the anchor's least common byte: free space and small
      // numbers fill pages with 00, 01 and 08.
      const auto* anchor = reinterpret_cast<const std::uint8_t*>(bytes.data());
      std::size_t key = 0;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto rank = [](std::uint8_t b) { return b == 0 ? 0 : b == 1 || b == 8 ? 1 : 2; };
        if (rank(anchor[i]) > rank(anchor[key])) key = i;
      }
      for (std::size_t at = key; at + bytes.size() - key <= page.size(); ++at) {
        const void* hit = std::memchr(page.data() + at, anchor[key], page.size() - at);
        if (hit == nullptr) break;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - page.data());
        if (at + bytes.size() - key > page.size()) break;
        const std::size_t start = at - key;
        // a live row's cell is passed over whole, unless the live rows are wanted
        if (const auto* cell = live.holding(start); cell != nullptr && !keepLiveRows_) {
          at = cell->end + key - 1;
          continue;
        }
        if (std::memcmp(page.data() + start, anchor, bytes.size()) != 0) continue;
        const auto tryStart = [&](std::size_t first) {
          if (!seen_.insert(first).second) return false;  // this start was tried already
          if (const auto* cell = live.holding(first); cell != nullptr && first != cell->column1)
            return false;
          if (!keepLiveRows_ && live.isStart(first)) return true;
          auto candidate = decode(page, first);
          if (!candidate) return false;
          if (isLiveRow(*candidate)) return true;
          found(CarvedRow(layout_, std::move(candidate->record), candidate->rowid, pageAt + first));
          return true;
        };
        if (column == 0) {
          // an anchor of the whole header: a one-byte header size, column 0's NULL
          tryStart(start + 2);
        } else {
          forEachColumn1Start(page, start, column, tryStart);
        }
      }
    }
  }

 private:
  struct Finalize {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
  };

  // A cell whose rowid the table still holds with the same values is the
  // live row itself: the live reading has listed it already.
  bool isLiveRow(const Candidate& candidate) const {
    if (!live_ || !candidate.rowid) return false;
    sqlite3_stmt* stmt = live_.get();
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, *candidate.rowid);
    if (sqlite3_step(stmt) != SQLITE_ROW) return false;
    const auto& columns = candidate.record.columns;
    for (std::size_t i = 1; i < columns.size(); ++i) {
      const int at = static_cast<int>(i);
      const ColumnValue& value = columns[i];
      const int type = sqlite3_column_type(stmt, at);
      switch (value.kind) {
        case ColumnValue::Kind::kNull:
          if (type != SQLITE_NULL) return false;
          break;
        case ColumnValue::Kind::kInteger:
          // a whole REAL is stored as an integer and read back as a REAL
          if (type == SQLITE_FLOAT
                  ? sqlite3_column_double(stmt, at) != static_cast<double>(value.integer)
                  : type != SQLITE_INTEGER || sqlite3_column_int64(stmt, at) != value.integer)
            return false;
          break;
        case ColumnValue::Kind::kReal:
          if (type != SQLITE_FLOAT || !(sqlite3_column_double(stmt, at) == value.real))
            return false;
          break;
        case ColumnValue::Kind::kText:
        case ColumnValue::Kind::kBlob: {
          if (type != (value.kind == ColumnValue::Kind::kText ? SQLITE_TEXT : SQLITE_BLOB))
            return false;
          const auto* bytes = static_cast<const std::uint8_t*>(
              value.kind == ColumnValue::Kind::kText
                  ? static_cast<const void*>(sqlite3_column_text(stmt, at))
                  : sqlite3_column_blob(stmt, at));
          const auto length = static_cast<std::size_t>(sqlite3_column_bytes(stmt, at));
          if (length != value.bytes.size() ||
              (length != 0 && std::memcmp(bytes, value.bytes.data(), length) != 0))
            return false;
          break;
        }
      }
    }
    return true;
  }

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

  const TableLayout& layout_;
  bool keepLiveRows_ = false;
  std::vector<std::size_t> counts_;
  std::size_t minColumns_ = 0;
  std::vector<std::pair<std::string_view, std::size_t>> anchors_;
  std::unordered_set<std::size_t> seen_;
  std::unique_ptr<sqlite3_stmt, Finalize> live_;
};

// Adds the cells of a table leaf page. Column 0 (the rowid alias) takes
// one byte after the header size. A payload up to the usable size less 35
// bytes lies whole on the page; the usable size is the page's less at most
// 255 reserved bytes, so only a payload that surely fits is taken as whole.
void liveCellsOf(ByteSpan page, LiveCells& live) {
  constexpr std::size_t kSurelyLocal = 35 + 255;
  forEachLeafCell(page, [&](const LeafCell& cell) {
    const auto headerSize = readVarint(page, cell.recordAt);
    if (!headerSize) return;
    const std::size_t column1 = cell.recordAt + headerSize->length + 1;
    live.starts.push_back(column1);
    if (cell.at >= cell.pointersEnd && page.size() > kSurelyLocal &&
        cell.payload <= page.size() - kSurelyLocal && cell.payload <= page.size() - cell.recordAt &&
        column1 < cell.recordAt + cell.payload) {
      live.whole.push_back(
          {cell.at, cell.recordAt + static_cast<std::size_t>(cell.payload), column1});
    }
  });
  std::sort(live.starts.begin(), live.starts.end());
  std::sort(live.whole.begin(), live.whole.end(),
            [](const LiveCells::Cell& a, const LiveCells::Cell& b) { return a.begin < b.begin; });
}

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

// The entities a Core Data table's rows may name in Z_ENT: those the store
// declares, and those its live rows hold.
static std::set<std::int64_t> entitiesOf(sqlite3* db, const std::string& table) {
  std::set<std::int64_t> entities;
  if (db == nullptr) return entities;
  for (const std::string& sql :
       {std::string("select Z_ENT from Z_PRIMARYKEY"),
        "select distinct Z_ENT from \"" + table + "\" where Z_ENT is not null"}) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
      while (sqlite3_step(stmt) == SQLITE_ROW) entities.insert(sqlite3_column_int64(stmt, 0));
    }
    sqlite3_finalize(stmt);
  }
  return entities;
}

// Which pages (by number) the folded copy's b-trees and overflow chains
// use now; none known when the library cannot tell (no page statistics).
static std::vector<bool> pagesInUse(sqlite3* db, std::uint64_t pageCount) {
  std::vector<bool> inUse;
  sqlite3_stmt* stmt = nullptr;
  if (db != nullptr &&
      sqlite3_prepare_v2(db, "select pageno from dbstat", -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      const sqlite3_int64 number = sqlite3_column_int64(stmt, 0);
      // a log may have grown the database past the main file's pages
      if (number <= 0 || static_cast<std::uint64_t>(number) > pageCount * 2 + 1024) continue;
      const auto at = static_cast<std::size_t>(number);
      if (at >= inUse.size()) inUse.resize(at + 1, false);
      inUse[at] = true;
    }
  }
  sqlite3_finalize(stmt);
  return inUse;
}

bool dateInYears(std::optional<std::int64_t> stored, DateEpoch epoch, DateUnit unit) {
  constexpr std::int64_t kEarliest = 631152000;  // 1990-01-01 UTC
  constexpr std::int64_t kLatest = 4102444800;   // 2100-01-01 UTC
  if (!stored) return false;
  const auto seconds = unixSecondsOf(*stored, epoch, unit);
  return seconds && *seconds >= kEarliest && *seconds < kLatest;
}

bool carveTables(const PrivateCopy& copy, const std::vector<TableCarve>& tables,
                 const ScanContext& ctx) {
  const ByteSpan file(copy.mainBytes());
  const auto header = readDatabaseHeader(file);
  if (!header) return true;
  if (header->textEncoding != 1) {
    std::fprintf(stderr, "texts not in UTF-8, not carved\n");
    return true;
  }
  // Every row, found by anchors or by shape, passes the table's own
  // plausibility test and, in a Core Data store, names a known entity.
  std::vector<std::function<bool(const CarvedRow&)>> admits;
  admits.reserve(tables.size());
  for (const TableCarve& table : tables) {
    const TableLayout* layout = table.search.layout;
    auto entities = layout != nullptr && layout->indexOf("Z_ENT")
                        ? entitiesOf(copy.db(), layout->table)
                        : std::set<std::int64_t>{};
    admits.push_back(
        [plausible = table.search.plausible, entities = std::move(entities)](const CarvedRow& row) {
          if (plausible && !plausible(row)) return false;
          if (entities.empty()) return true;
          const auto entity = row.decimal("Z_ENT");
          return entity && entities.count(*entity) != 0;
        });
  }
  std::vector<std::function<void(CarvedRow)>> admitted;
  admitted.reserve(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) {
    admitted.push_back([&admit = admits[i], &table = tables[i]](CarvedRow row) {
      if (admit(row)) table.found(std::move(row));
    });
  }
  std::vector<std::pair<PageSearch, std::size_t>> searches;
  std::vector<std::pair<SchemaSearch, std::size_t>> shapeSearches;
  searches.reserve(tables.size());
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const TableCarve& table = tables[i];
    const TableLayout* layout = table.search.layout;
    if (layout == nullptr || layout->size() < 2) continue;
    searches.emplace_back(PageSearch(table.search, copy.db()), i);
    auto shape = shapeOf(copy, layout->table);
    if (shape && shape->size() == layout->size()) {
      shapeSearches.emplace_back(
          SchemaSearch(std::move(*shape), *layout, table.search.keepLiveRows ? nullptr : copy.db(),
                       admits[i]),
          i);
    }
  }
  if (searches.empty()) return true;
  const std::vector<bool> inUse = pagesInUse(copy.db(), header->pageCount);
  const std::vector<WalFrame> frames = walFrames(copy.logBytes());
  // the last frame of each page is the page as the database has it now
  std::vector<std::size_t> lastFrame(inUse.size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].pageNumber < lastFrame.size()) lastFrame[frames[i].pageNumber] = i;
  }
  std::vector<LiveRecord> liveRecords;
  if (!shapeSearches.empty()) {
    for (std::uint64_t index = 1; index < header->pageCount; ++index) {
      const std::size_t number = static_cast<std::size_t>(index) + 1;
      if (number < inUse.size() && inUse[number] && lastFrame[number] == frames.size()) {
        addLiveRecords(
            file.subspan(static_cast<std::size_t>(index * header->pageSize), header->pageSize),
            liveRecords);
      }
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const std::size_t number = frames[i].pageNumber;
      if (number < inUse.size() && inUse[number] && lastFrame[number] == i)
        addLiveRecords(frames[i].page, liveRecords);
    }
    std::sort(liveRecords.begin(), liveRecords.end());
    for (auto& [search, i] : shapeSearches) search.setLiveRecords(&liveRecords);
  }
  LiveCells live;
  const auto searchPage = [&](ByteSpan page, std::uint64_t pageAt, bool current) {
    live.clear();
    if (current) liveCellsOf(page, live);
    for (auto& [search, i] : searches) search.run(page, pageAt, live, admitted[i]);
    for (auto& [search, i] : shapeSearches) search.run(page, pageAt, current, tables[i].found);
  };
  for (std::uint64_t index = 1; index < header->pageCount; ++index) {
    if (ctx.stopRequested()) return false;
    const std::uint64_t pageAt = index * header->pageSize;
    const std::size_t number = static_cast<std::size_t>(index) + 1;
    const bool current =
        number < inUse.size() && inUse[number] && lastFrame[number] == frames.size();
    searchPage(file.subspan(static_cast<std::size_t>(pageAt), header->pageSize), pageAt, current);
  }
  std::uint64_t logAt = file.size();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (ctx.stopRequested()) return false;
    const std::size_t number = frames[i].pageNumber;
    const bool current = number < inUse.size() && inUse[number] && lastFrame[number] == i;
    if (number != 1) searchPage(frames[i].page, logAt, current);
    logAt += frames[i].page.size();
  }
  return true;
}

}  // namespace orvane::carving
