// Deleted text messages and iMessages, in the layouts before iOS 6 (the
// address in the row, or its group's member) and from iOS 6 on (a handle
// row holds the address).

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

const std::vector<Anchor> kMessageAnchors = {
    // before iOS 6: subject NULL, country "us", headers and recipients NULL
    {"\x00\x11\x00\x00"sv, "subject"},
    // iMessage rows of iOS 5: flags .. version
    {"\x08\x08\x00\x08\x08\x08\x08\x08"sv, "flags"},
    {"\x01\x08\x00\x01\x08\x08\x08\x08"sv, "flags"},
    // iOS 6: replace 0, service_center NULL, handle_id, subject, country
    {"\x08\x00\x01\x00\x00"sv, "replace"},
    {"\x08\x00\x01\x00\x11"sv, "replace"},
    {"\x08\x00\x01\x0d\x00"sv, "replace"},
    {"\x08\x00\x02"sv, "replace"},
    // handle_id 1 (serial type 09) and 0 (08): the first conversation, and
    // messages sent to a group
    {"\x08\x00\x09\x00\x00"sv, "replace"},
    {"\x08\x00\x09\x00\x11"sv, "replace"},
    {"\x08\x00\x09\x0d\x00"sv, "replace"},
    {"\x08\x00\x08\x00\x00"sv, "replace"},
    {"\x08\x00\x08\x00\x11"sv, "replace"},
};

// A handle's header: 6 bytes, then column 0's NULL.
const std::vector<Anchor> kHandleAnchors = {{"\x06\x00"sv, ""}};

constexpr std::size_t kMessageColumnsIos4 = 17;

}  // namespace

void scanDelMessageThread(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kMessages});
  if (!copy) {
    std::fprintf(stderr, "messageDB is not exist\n");
    return;
  }
  const TableLayout messages = layoutOf(*copy, "message");
  const bool handles = messages.indexOf("handle_id").has_value();

  // The address of a row: its handle's (iOS 6 on), or its group's first
  // member (before), as the live reading joins them. A row whose handle is
  // no longer in the table waits for the handles carved in the same walk.
  std::map<std::int64_t, std::string> addressOf;
  bool groups = false;
  if (handles) {
    forEachRow(copy->db(), "select ROWID, id from handle", [&](sqlite3_stmt* row) {
      addressOf[sqlite3_column_int64(row, 0)] = cellText(row, 1);
    });
  } else {
    forEachRow(copy->db(), "select group_id, address from group_member order by ROWID desc",
               [&](sqlite3_stmt* row) {
                 groups = true;
                 addressOf[sqlite3_column_int64(row, 0)] = cellText(row, 1);
               });
    forEachRow(copy->db(), "select 1 from sqlite_master where name = 'group_member'",
               [&](sqlite3_stmt*) { groups = true; });
  }
  std::map<std::int64_t, std::string> carvedHandles;
  std::vector<CarvedRow> waiting;
  const auto post = [&](CarvedRow& row) {
    if (handles || groups) {
      const auto key = row.decimal(handles ? "handle_id" : "group_id");
      std::string address;
      if (key) {
        if (const auto live = addressOf.find(*key); live != addressOf.end()) {
          address = live->second;
        } else if (const auto carved = carvedHandles.find(*key); carved != carvedHandles.end()) {
          address = carved->second;
        }
      }
      row.setText("address", address);
    }
    auto message = messageFromRow(row);
    if (!message->messagePhone.empty()) {
      if (auto name = run.nameOf(message->messagePhone)) message->messageName = *name;
    }
    run.post(events::ScanDelMessageInfo, std::move(message));
  };
  const TableLayout handleLayout = layoutOf(*copy, handles ? "handle" : "");
  SeenRows seen;
  TableSearch handleSearch{&handleLayout, kHandleAnchors, {}};
  handleSearch.plausible = [](const CarvedRow& row) { return row.text("id").has_value(); };
  TableSearch messageSearch{&messages, kMessageAnchors, {kMessageColumnsIos4}};
  // the message date from 2001 (seconds, or nanoseconds from iOS 11 on),
  // or before iOS 6 from 1970 unless the row is an iMessage
  const bool from2001 = messages.indexOf("is_from_me").has_value();
  messageSearch.plausible = [from2001](const CarvedRow& row) {
    const bool apple = from2001 || row.decimal("is_madrid") == 1;
    return dateInYears(row.decimal("date"), apple ? DateEpoch::kApple2001 : DateEpoch::kUnix1970,
                       apple ? DateUnit::kSecondsOrNanoseconds : DateUnit::kSeconds);
  };
  const bool going =
      carveTables(*copy,
                  {{handleSearch,
                    [&](CarvedRow row) {
                      if (row.rowid())
                        carvedHandles.emplace(*row.rowid(), row.text("id").value_or(""));
                    }},
                   {messageSearch,
                    [&](CarvedRow row) {
                      if (!seen.firstTime(row)) return;
                      const auto handle = handles ? row.decimal("handle_id") : std::nullopt;
                      if (handle && addressOf.count(*handle) == 0) {
                        waiting.push_back(std::move(row));
                      } else {
                        post(row);
                      }
                    }}},
                  run.ctx());
  if (!going) return;
  for (CarvedRow& row : waiting) post(row);
  run.progress(80);
}

}  // namespace orvane::carving
