// The call log and the notes database.

#include <cstdio>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>

#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"
#include "ios/row_records.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

// The columns go by the names callFromRow and noteFromRow read.
constexpr const char* kCalls = "select address,date,duration,flags from call";
constexpr const char* kCallRecords =
    "select ZADDRESS as address,ZDATE as date,ZDURATION as duration,ZORIGINATED as originated,"
    "ZANSWERED as answered,ZCALLTYPE as calltype from ZCALLRECORD";
constexpr const char* kNotesFirst =
    "select TITLE as title,SUMMARY,MODIFICATION_DATE as modified,CREATION_DATE as created,"
    "DATA as body from note LEFT JOIN NOTE_BODIES ON NOTE.ROWID = NOTE_BODIES.NOTE_ID";
constexpr const char* kNotesSecond =
    "select ZTITLE as title,ZSUMMARY,ZMODIFICATIONDATE as modified,ZCREATIONDATE as created,"
    "ZCONTENT as body from znote LEFT JOIN ZNOTEBODY ON ZNOTE.Z_PK = ZNOTEBODY.Z_PK";

std::optional<std::filesystem::path> firstOf(const std::filesystem::path& folder, const char* first,
                                             const char* second) {
  if (auto found = PRIOSBackupScanner::locateBackupFile(folder, first)) return found;
  return PRIOSBackupScanner::locateBackupFile(folder, second);
}

// The notes of the store of iOS 9 on. Column names carry suffixes that
// differ between versions, so the statement is made from the table's own
// columns: a missing one is read as NULL.
std::string noteStoreQuery(const SqliteDatabase& db) {
  std::set<std::string> columns;
  SqliteStatement info(db, "pragma table_info(ZICCLOUDSYNCINGOBJECT)");
  while (info.step()) {
    if (auto name = info.text(1)) columns.insert(std::move(*name));
  }
  const auto pick = [&](std::initializer_list<const char*> names) -> std::string {
    for (const char* name : names) {
      if (columns.count(name) != 0) return std::string("n.") + name;
    }
    return "NULL";
  };
  return "select " + pick({"ZTITLE1", "ZTITLE"}) + " as title," +
         pick({"ZMODIFICATIONDATE1", "ZMODIFICATIONDATE"}) + " as modified," +
         pick({"ZCREATIONDATE3", "ZCREATIONDATE1", "ZCREATIONDATE"}) + " as created," +
         pick({"ZISPASSWORDPROTECTED"}) + " as locked," + pick({"ZMARKEDFORDELETION"}) +
         " as deleted,d.ZDATA as body_data from ZICCLOUDSYNCINGOBJECT n join ZICNOTEDATA d on "
         "d.ZNOTE = n.Z_PK order by n.Z_PK";
}

}  // namespace

void PRIOSBackupScanner::scanCallHistoryThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  // The Core Data store of iOS 8 on, else the older call database.
  auto database = locateBackupFile(folder, backup_names::kCallHistoryStore);
  const bool store = database.has_value();
  if (!store)
    database = firstOf(folder, backup_names::kCallHistory, backup_names::kCallHistorySecond);
  if (!database) return;

  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    SqliteStatement rows(*db, store ? kCallRecords : kCalls);
    while (!ctx_.stopRequested() && rows.step()) {
      auto call = callFromRow(StatementRow(rows));
      if (!call->callPhone.empty()) {
        if (const auto name = contactNameOf(call->callPhone)) call->callName = *name;
      }
      post(events::ScanCallHistoryInfo, std::move(call));
    }
  }
  postProgress(60);
}

void PRIOSBackupScanner::scanNoteThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  // Notes of iOS 9 on live in their own store; notes never moved there
  // stay in the older database, so both are read.
  const auto noteStore = locateBackupFile(folder, backup_names::kNoteStore);
  if (noteStore) {
    const auto readable = commitDB(*noteStore);
    std::optional<SqliteDatabase> db;
    if (readable) db = SqliteDatabase::openReadOnly(*readable);
    if (db) {
      SqliteStatement rows(*db, noteStoreQuery(*db).c_str());
      while (!ctx_.stopRequested() && rows.step()) {
        post(events::ScanNoteInfo, noteFromRow(StatementRow(rows)));
      }
    }
  }

  const auto database = firstOf(folder, backup_names::kNotes, backup_names::kNotesSecond);
  if (!database) {
    if (noteStore) {
      postProgress(70);
    } else {
      std::fprintf(stderr, "messageDB is not exist\n");
    }
    return;
  }

  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    auto rows = std::make_unique<SqliteStatement>(*db, kNotesFirst);
    if (!rows->prepared()) rows = std::make_unique<SqliteStatement>(*db, kNotesSecond);
    while (!ctx_.stopRequested() && rows->step()) {
      post(events::ScanNoteInfo, noteFromRow(StatementRow(*rows)));
    }
  }
  postProgress(70);
}

}  // namespace orvane
