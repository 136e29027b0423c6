// Deleted calls of the call log.

#include <cstdio>
#include <string_view>

#include "carving/carved_table.h"
#include "carving/carver_run.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/row_records.h"

namespace orvane::carving {

namespace {

using namespace std::string_view_literals;

// flags (4 incoming, 5 outgoing) and id (-1, or a small number)
const std::vector<Anchor> kCallAnchors = {
    {"\x01\x01"sv, "flags"}, {"\x03\x01"sv, "flags"}, {"\x03\x02"sv, "flags"},
    {"\x01\x02"sv, "flags"}, {"\x01\x09"sv, "flags"}, {"\x03\x09"sv, "flags"},
};

// A call log holds calls of phones, from 1990 to 2100; anything else under
// a two-byte anchor is not a call.
constexpr std::int64_t kEarliest = 631152000;  // 1990-01-01
constexpr std::int64_t kLatest = 4102444800;   // 2100-01-01

}  // namespace

void scanDelCallHistoryThread(CarverRun& run) {
  const bool store = scanDelCallRecords(run);
  if (run.ctx().stopRequested()) return;
  auto copy = run.privateCopy({backup_names::kCallHistory, backup_names::kCallHistorySecond});
  if (!copy) {
    if (store) {
      run.progress(90);
    } else {
      std::fprintf(stderr, "callHistoryDB is not exist\n");
    }
    return;
  }
  const TableLayout calls = layoutOf(*copy, "call");
  SeenRows seen;
  TableSearch search{&calls, kCallAnchors, {}};
  search.plausible = [](const CarvedRow& row) {
    return dateInYears(row.decimal("date"), DateEpoch::kUnix1970, DateUnit::kSeconds);
  };
  const bool going = carveTables(*copy,
                                 {{search,
                                   [&](CarvedRow row) {
                                     const auto date = row.decimal("date");
                                     if (!date || *date < kEarliest || *date >= kLatest) return;
                                     if (!seen.firstTime(row)) return;
                                     auto call = callFromRow(row);
                                     if (call->callPhone.size() > 1) {
                                       if (auto name = run.nameOf(call->callPhone))
                                         call->callName = *name;
                                     }
                                     run.post(events::ScanDelCallHistoryInfo, std::move(call));
                                   }}},
                                 run.ctx());
  if (going) run.progress(90);
}

}  // namespace orvane::carving
