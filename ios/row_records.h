#pragma once

// One function per category that makes the record of a database row, by
// column name. The live steps select the columns under these names; the
// deleted-row carvers hand their carved rows in the same way.

#include <memory>

#include "core/dates.h"
#include "core/ios_records.h"
#include "ios/db_row.h"

namespace orvane {

// Sets a date text and its UTC instant from a stored value.
void setDate(std::string& text, std::optional<std::string>& utc, std::int64_t stored,
             DateEpoch epoch, DateUnit unit = DateUnit::kSeconds);

// A row of `message`. Columns: text, date, address, then
// - from iOS 6 on: is_from_me, service, attributedBody (the text when
//   `text` is empty); date from 2001, in seconds or nanoseconds;
// - before: flags, is_madrid, madrid_handle, madrid_flags,
//   madrid_attachmentInfo; an SMS row's date counts from 1970, an
//   iMessage row's from 2001.
std::shared_ptr<PRMessageNode> messageFromRow(const DbRow& row);

// A call. Columns: address, date, duration, then
// - call_history.db: flags (5 outgoing); date from 1970;
// - CallHistory.storedata: originated (1 outgoing), answered, calltype;
//   date from 2001.
// The contact name is left to the caller.
std::shared_ptr<PRCallHistoryNode> callFromRow(const DbRow& row);

// A note. Columns: title, modified (else created; seconds from 2001), body (plain
// text, older stores) or body_data (ZICNOTEDATA.ZDATA, gzip), locked,
// deleted.
std::shared_ptr<PRNoteNode> noteFromRow(const DbRow& row);

}  // namespace orvane
