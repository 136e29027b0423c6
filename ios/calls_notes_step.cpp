// The call log and the notes database.

#include <cstdio>
#include <utility>

#include "core/conversions.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

constexpr const char* kCalls = "select address,date,duration,flags from call";
constexpr const char* kNotesFirst =
    "select TITLE,SUMMARY,MODIFICATION_DATE,CREATION_DATE,DATA from note LEFT JOIN NOTE_BODIES ON "
    "NOTE.ROWID = NOTE_BODIES.NOTE_ID";
constexpr const char* kNotesSecond =
    "select ZTITLE,ZSUMMARY,ZMODIFICATIONDATE,ZCREATIONDATE,ZCONTENT from znote LEFT JOIN "
    "ZNOTEBODY ON ZNOTE.Z_PK = ZNOTEBODY.Z_PK";

constexpr std::int64_t kOutgoingFlags = 5;

std::optional<std::filesystem::path> firstOf(const std::filesystem::path& folder, const char* first,
                                             const char* second) {
  if (auto found = PRIOSBackupScanner::locateBackupFile(folder, first)) return found;
  return PRIOSBackupScanner::locateBackupFile(folder, second);
}

// A duration cell that is missing leaves the call at -1 seconds, which is
// not a missed call; it reads "-1 second".
std::string durationText(std::int32_t seconds) {
  if (seconds >= 0)
    return FieldConversions::getCallHistoryDuration(static_cast<std::uint32_t>(seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%d second", seconds);
  return text;
}

std::int32_t clampedSeconds(std::int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

}  // namespace

void PRIOSBackupScanner::scanCallHistoryThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  const auto database =
      firstOf(folder, backup_names::kCallHistory, backup_names::kCallHistorySecond);
  if (!database) return;

  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    SqliteStatement rows(*db, kCalls);
    while (!ctx_.stopRequested() && rows.step()) {
      auto call = std::make_shared<PRCallHistoryNode>();
      if (auto address = rows.text(0)) call->callPhone = std::move(*address);
      if (const auto date = rows.decimal(1)) {
        call->callDate = FieldConversions::GetDateTime(*date, DateKind::kMessages).value_or("");
      }
      if (const auto duration = rows.decimal(2)) call->callTime = clampedSeconds(*duration);
      if (const auto flags = rows.decimal(3)) {
        call->callType = *flags == kOutgoingFlags ? "Outgoing" : "Incoming";
      }
      if (call->callTime != 0) {
        call->callDuration = durationText(call->callTime);
      } else {
        call->callDuration = call->callType == "Outgoing" ? "Cancelled" : "Missed";
      }
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
  const auto database = firstOf(folder, backup_names::kNotes, backup_names::kNotesSecond);
  if (!database) {
    std::fprintf(stderr, "messageDB is not exist\n");
    return;
  }

  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    auto rows = std::make_unique<SqliteStatement>(*db, kNotesFirst);
    if (!rows->prepared()) rows = std::make_unique<SqliteStatement>(*db, kNotesSecond);
    while (!ctx_.stopRequested() && rows->step()) {
      auto note = std::make_shared<PRNoteNode>();
      if (auto body = rows->text(4)) note->noteContent = std::move(*body);
      if (auto title = rows->text(0)) note->noteTitle = std::move(*title);
      if (const auto modified = rows->decimal(2)) {
        note->noteDate = FieldConversions::GetDateTime(*modified, DateKind::kNotes).value_or("");
      }
      post(events::ScanNoteInfo, std::move(note));
    }
  }
  postProgress(70);
}

}  // namespace orvane
