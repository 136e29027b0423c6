// Deleted notes: note rows (title, dates) and note body rows (the text),
// joined by the body's owner.

#include <cstdio>
#include <map>
#include <string_view>

#include "carving/carved_table.h"
#include "carving/carver_run.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/row_records.h"

namespace orvane::carving {

namespace {

using namespace std::string_view_literals;

// The notes file keeps the legacy file format, where 0 and 1 are one-byte
// integers: Z_ENT, Z_OPT, ZCONTAINSCJK, ZCONTENTTYPE and ZDELETEDFLAG are
// five of them.
const std::vector<Anchor> kNoteAnchors = {
    {"\x01\x01\x01\x01\x01\x01\x05"sv, "Z_ENT"},
    {"\x01\x01\x01\x01\x02\x01\x05"sv, "Z_ENT"},
    {"\x01\x01\x01\x01\x01"sv, "Z_ENT"},
};
// Z_ENT, Z_OPT, ZOWNER (of one, two or three bytes)
const std::vector<Anchor> kBodyAnchors = {
    {"\x01\x01\x01"sv, "Z_ENT"},
    {"\x01\x01\x02"sv, "Z_ENT"},
    {"\x01\x01\x03"sv, "Z_ENT"},
};

struct NoteHead {
  std::string title;
  std::string modified;
  std::string created;
};

std::string decimalText(const CarvedRow& row, std::string_view column) {
  const auto value = row.decimal(column);
  return value ? std::to_string(*value) : std::string();
}

}  // namespace

void scanDelNoteThread(CarverRun& run) {
  const bool store = scanDelNoteStore(run);
  if (run.ctx().stopRequested()) return;
  auto copy = run.privateCopy({backup_names::kNotes, backup_names::kNotesSecond});
  if (!copy) {
    if (store) {
      run.progress(85);
    } else {
      std::fprintf(stderr, "NoteDB is not exist\n");
    }
    return;
  }
  const TableLayout notes = layoutOf(*copy, "ZNOTE");
  const TableLayout bodies = layoutOf(*copy, "ZNOTEBODY");

  // A body's owner is its note's ZBODY; the note's own key where its cell
  // kept it. Bodies are joined when the walk has found every note.
  std::map<std::int64_t, NoteHead> heads;
  std::vector<CarvedRow> bodyRows;
  SeenRows seen;
  TableSearch noteSearch{&notes, kNoteAnchors, {}, true};
  noteSearch.plausible = [](const CarvedRow& row) {
    return dateInYears(row.decimal("ZMODIFICATIONDATE"), DateEpoch::kApple2001, DateUnit::kSeconds);
  };
  TableSearch bodySearch{&bodies, kBodyAnchors, {}};
  bodySearch.plausible = [](const CarvedRow& row) {
    return row.decimal("ZOWNER").value_or(0) > 0 && row.text("ZCONTENT").has_value();
  };
  const bool going = carveTables(*copy,
                                 {{noteSearch,
                                   [&](CarvedRow row) {
                                     if (!seen.firstTime(row)) return;
                                     NoteHead head{row.text("ZTITLE").value_or(""),
                                                   decimalText(row, "ZMODIFICATIONDATE"),
                                                   decimalText(row, "ZCREATIONDATE")};
                                     if (const auto body = row.decimal("ZBODY"))
                                       heads.emplace(*body, head);
                                     if (row.rowid()) heads.emplace(*row.rowid(), std::move(head));
                                   }},
                                  {bodySearch,
                                   [&](CarvedRow row) {
                                     if (seen.firstTime(row)) bodyRows.push_back(std::move(row));
                                   }}},
                                 run.ctx());
  if (!going) return;
  for (CarvedRow& row : bodyRows) {
    const auto owner = row.decimal("ZOWNER");
    const auto head = owner ? heads.find(*owner) : heads.end();
    row.setText("body", row.text("ZCONTENT").value_or(""));
    if (head != heads.end()) {
      row.setText("title", head->second.title);
      row.setText("modified", head->second.modified);
      row.setText("created", head->second.created);
    }
    run.post(events::ScanDelNoteInfo, noteFromRow(row));
  }
  run.progress(85);
}

}  // namespace orvane::carving
