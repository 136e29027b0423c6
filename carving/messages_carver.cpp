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
  auto copy = PrivateCopy::make(run.folder(), {backup_names::kMessages}, run.ctx().tempFolder);
  if (!copy) {
    std::fprintf(stderr, "messageDB is not exist\n");
    return;
  }
  const TableLayout messages = layoutOf(*copy, "message");
  const bool handles = messages.indexOf("handle_id").has_value();

  // The address of a row: its handle's (iOS 6 on), or its group's first
  // member (before), as the live reading joins them.
  std::map<std::int64_t, std::string> addressOf;
  bool going = true;
  if (handles) {
    const TableLayout handleLayout = layoutOf(*copy, "handle");
    going = carveTable(*copy, {&handleLayout, kHandleAnchors, {}}, run.ctx(), [&](CarvedRow row) {
      if (row.rowid()) addressOf[*row.rowid()] = row.text("id").value_or("");
    });
    forEachRow(copy->db(), "select ROWID, id from handle", [&](sqlite3_stmt* row) {
      addressOf[sqlite3_column_int64(row, 0)] = cellText(row, 1);
    });
  } else {
    forEachRow(
        copy->db(), "select group_id, address from group_member order by ROWID desc",
        [&](sqlite3_stmt* row) { addressOf[sqlite3_column_int64(row, 0)] = cellText(row, 1); });
  }
  bool groups = false;
  forEachRow(copy->db(), "select 1 from sqlite_master where name = 'group_member'",
             [&](sqlite3_stmt*) { groups = true; });

  SeenRows seen;
  if (going) {
    going = carveTable(
        *copy, {&messages, kMessageAnchors, {kMessageColumnsIos4}}, run.ctx(), [&](CarvedRow row) {
          if (!seen.firstTime(row)) return;
          if (handles || groups) {
            const auto key = row.decimal(handles ? "handle_id" : "group_id");
            const auto found = key ? addressOf.find(*key) : addressOf.end();
            row.setText("address", found != addressOf.end() ? found->second : std::string());
          }
          auto message = messageFromRow(row);
          if (!message->messagePhone.empty()) {
            if (auto name = run.nameOf(message->messagePhone)) message->messageName = *name;
          }
          run.post(events::ScanDelMessageInfo, std::move(message));
        });
  }
  if (going) run.progress(80);
}

}  // namespace orvane::carving
