// Deleted rows of the Core Data stores of today's systems, which the
// older carvers do not know: calls in CallHistory.storedata (ZCALLRECORD)
// and notes in NoteStore.sqlite (a ZICNOTEDATA row joined to its note in
// ZICCLOUDSYNCINGOBJECT). Their rows are found by the tables' shapes only.

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "carving/carved_table.h"
#include "carving/carver_run.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/row_records.h"

namespace orvane::carving {

namespace {

// The names callFromRow reads, as the live reading selects them.
constexpr RenamedRow::Name kCallNames[] = {
    {"address", "ZADDRESS"},       {"date", "ZDATE"},         {"duration", "ZDURATION"},
    {"originated", "ZORIGINATED"}, {"answered", "ZANSWERED"}, {"calltype", "ZCALLTYPE"},
};
constexpr RenamedRow::Name kNoteDataNames[] = {{"body_data", "ZDATA"}};

// The first of `names` the table has; names carry suffixes that differ
// between versions of the store.
std::string pick(const TableLayout& layout, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (const auto at = layout.indexOf(name)) return layout.names[*at];
  }
  return {};
}

struct NoteHead {
  std::string title;
  std::string modified;
  std::string created;
  std::string locked;
  std::string deleted;
};

bool isGzip(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
}

}  // namespace

bool scanDelCallRecords(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kCallHistoryStore});
  if (!copy) return false;
  const TableLayout calls = layoutOf(*copy, "ZCALLRECORD");
  SeenRows seen;
  TableSearch search{&calls, {}, {}};
  search.plausible = [](const CarvedRow& row) {
    return dateInYears(row.decimal("ZDATE"), DateEpoch::kApple2001, DateUnit::kSeconds);
  };
  return carveTables(*copy,
                     {{search,
                       [&](CarvedRow row) {
                         if (!seen.firstTime(row)) return;
                         auto call = callFromRow(RenamedRow(row, kCallNames));
                         if (call->callPhone.size() > 1) {
                           if (auto name = run.nameOf(call->callPhone)) call->callName = *name;
                         }
                         run.post(events::ScanDelCallHistoryInfo, std::move(call));
                       }}},
                     run.ctx());
}

bool scanDelNoteStore(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kNoteStore});
  if (!copy) return false;
  const TableLayout objects = layoutOf(*copy, "ZICCLOUDSYNCINGOBJECT");
  const TableLayout data = layoutOf(*copy, "ZICNOTEDATA");
  const std::string title = pick(objects, {"ZTITLE1", "ZTITLE"});
  const std::string modified = pick(objects, {"ZMODIFICATIONDATE1", "ZMODIFICATIONDATE"});
  const std::string created = pick(objects, {"ZCREATIONDATE3", "ZCREATIONDATE1", "ZCREATIONDATE"});
  const std::string locked = pick(objects, {"ZISPASSWORDPROTECTED"});
  const std::string deleted = pick(objects, {"ZMARKEDFORDELETION"});

  // A data row joins its note by ZNOTE = the note's Z_PK: a note the table
  // still holds, or a carved one whose cell kept its key.
  std::map<std::int64_t, NoteHead> heads;
  const auto textOf = [](const DbRow& row, const std::string& column) {
    return column.empty() ? std::string() : row.text(column).value_or("");
  };
  const auto headOf = [&](const DbRow& row) {
    return NoteHead{textOf(row, title), textOf(row, modified), textOf(row, created),
                    textOf(row, locked), textOf(row, deleted)};
  };
  if (copy->db() != nullptr && !objects.names.empty()) {
    const std::string sql = "select Z_PK, * from ZICCLOUDSYNCINGOBJECT";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(copy->db(), sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        NoteHead head;
        const auto cell = [&](const std::string& column) {
          const auto at = column.empty() ? std::nullopt : objects.indexOf(column);
          return at ? cellText(stmt, static_cast<int>(*at) + 1) : std::string();
        };
        head = {cell(title), cell(modified), cell(created), cell(locked), cell(deleted)};
        heads.emplace(sqlite3_column_int64(stmt, 0), std::move(head));
      }
    }
    sqlite3_finalize(stmt);
  }

  TableSearch objectSearch{&objects, {}, {}};
  objectSearch.plausible = [&](const CarvedRow& row) {
    return !modified.empty() &&
           dateInYears(row.decimal(modified), DateEpoch::kApple2001, DateUnit::kSeconds);
  };
  TableSearch dataSearch{&data, {}, {}};
  dataSearch.plausible = [](const CarvedRow& row) {
    return row.decimal("ZNOTE").value_or(0) > 0 && isGzip(row.blob("ZDATA"));
  };
  SeenRows seen;
  std::vector<CarvedRow> dataRows;
  // notes whose cell lost its key to a free-block header, by place
  std::vector<std::pair<std::uint64_t, NoteHead>> unkeyed;
  const bool going = carveTables(*copy,
                                 {{objectSearch,
                                   [&](CarvedRow row) {
                                     if (!seen.firstTime(row)) return;
                                     if (row.rowid()) {
                                       heads.emplace(*row.rowid(), headOf(row));
                                     } else {
                                       unkeyed.emplace_back(row.foundAt(), headOf(row));
                                     }
                                   }},
                                  {dataSearch,
                                   [&](CarvedRow row) {
                                     if (seen.firstTime(row)) dataRows.push_back(std::move(row));
                                   }}},
                                 run.ctx());
  if (!going) return false;

  // Data rows whose note is not known by key take the notes that lost
  // their key, in the order both were added, when there are as many of
  // each: cells fill a page from its end, so the earlier lies further back.
  std::vector<CarvedRow*> orphans;
  for (CarvedRow& row : dataRows) {
    const auto owner = row.decimal("ZNOTE");
    if (!owner || heads.count(*owner) == 0) orphans.push_back(&row);
  }
  std::map<const CarvedRow*, const NoteHead*> paired;
  if (!orphans.empty() && orphans.size() == unkeyed.size()) {
    const auto header = readDatabaseHeader(copy->mainBytes());
    const std::uint64_t pageSize = header ? header->pageSize : 4096;
    std::stable_sort(unkeyed.begin(), unkeyed.end(), [&](const auto& a, const auto& b) {
      const auto pageA = a.first / pageSize;
      const auto pageB = b.first / pageSize;
      return pageA != pageB ? pageA < pageB : a.first > b.first;
    });
    std::stable_sort(orphans.begin(), orphans.end(), [](const CarvedRow* a, const CarvedRow* b) {
      return a->decimal("ZNOTE").value_or(0) < b->decimal("ZNOTE").value_or(0);
    });
    for (std::size_t i = 0; i < orphans.size(); ++i) paired[orphans[i]] = &unkeyed[i].second;
  }
  for (CarvedRow& row : dataRows) {
    const NoteHead* head = nullptr;
    if (const auto found = heads.find(row.decimal("ZNOTE").value_or(0)); found != heads.end()) {
      head = &found->second;
    } else if (const auto pair = paired.find(&row); pair != paired.end()) {
      head = pair->second;
    }
    if (head != nullptr) {
      row.setText("title", head->title);
      row.setText("modified", head->modified);
      row.setText("created", head->created);
      row.setText("locked", head->locked);
      row.setText("deleted", head->deleted);
    }
    run.post(events::ScanDelNoteInfo, noteFromRow(RenamedRow(row, kNoteDataNames)));
  }
  return true;
}

}  // namespace orvane::carving
