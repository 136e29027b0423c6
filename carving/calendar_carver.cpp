// Deleted calendar events.

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

// organizer_id, self_attendee_id, status, invitation_status, availability,
// privacy_level of an event
const std::vector<Anchor> kEventAnchors = {
    {"\x08\x08\x08\x08\x08\x08"sv, "organizer_id"},
    {"\x08\x08\x00\x08\x08\x08"sv, "organizer_id"},
};

}  // namespace

void scanDelCalenderThread(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kCalendar});
  if (!copy) {
    std::fprintf(stderr, "CalenderDB is not exist\n");
    return;
  }
  const TableLayout events = layoutOf(*copy, "CalendarItem");
  std::map<std::int64_t, std::string> locations;
  forEachRow(copy->db(), "select ROWID, title from Location", [&](sqlite3_stmt* row) {
    locations[sqlite3_column_int64(row, 0)] = cellText(row, 1);
  });

  SeenRows seen;
  TableSearch search{&events, kEventAnchors, {}};
  search.plausible = [](const CarvedRow& row) {
    return dateInYears(row.decimal("start_date"), DateEpoch::kApple2001, DateUnit::kSeconds);
  };
  const bool going = carveTables(
      *copy,
      {{search,
        [&](CarvedRow row) {
          if (!seen.firstTime(row)) return;
          auto event = std::make_shared<PRCalenderNode>();
          if (auto title = row.text("summary")) event->calTitle = std::move(*title);
          if (auto description = row.text("description")) event->calNote = std::move(*description);
          if (const auto location = row.decimal("location_id")) {
            if (const auto found = locations.find(*location); found != locations.end())
              event->location = found->second;
          }
          if (const auto start = row.decimal("start_date")) {
            setDate(event->startDate, event->startDateUTC, *start, DateEpoch::kApple2001);
          }
          if (const auto end = row.decimal("end_date")) {
            setDate(event->endDate, event->endDateUTC, *end, DateEpoch::kApple2001);
          }
          run.post(events::scanDelCalenderInfo, std::move(event));
        }}},
      run.ctx());
  if (going) run.progress(100);
}

}  // namespace orvane::carving
