// Safari's bookmarks and history, and the calendar's events.

#include <array>
#include <cstdio>
#include <utility>

#include "core/conversions.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"
#include "ios/backup_folder.h"
#include "ios/ios_backup_scanner.h"
#include "ios/plist_file.h"
#include "ios/row_records.h"
#include "ios/sqlite_access.h"

namespace orvane {

namespace {

constexpr const char* kBookmarks = "select TITLE,URL,id, parent,type from bookmarks";
// the event's location is a row of Location; its title is what the
// calendar shows
constexpr const char* kCalendarIos6 =
    "select summary,Location.title as location,description,start_date,end_date,start_tz,all_day,"
    "calendar_id from CalendarItem left join Location on CalendarItem.location_id=Location.ROWID";
// a database without a Location table has no location to show
constexpr const char* kCalendarIos6WithoutLocation =
    "select summary,NULL,description,start_date,end_date,start_tz,all_day,calendar_id from "
    "CalendarItem";
constexpr const char* kCalendarBeforeIos6 =
    "select summary,location.title as location,description,start_date,end_date,start_tz,all_day,"
    "calendar_id,supported_entity_types from calendaritem left join location on "
    "calendaritem.[location_id]=location.rowid left join Calendar on "
    "calendaritem.[calendar_id]=calendar.rowid where supported_entity_types !=8";
constexpr const char* kCalendarEvents =
    "select summary,location,description,start_date,end_date,start_tz,all_day,calendar_id from "
    "event";

// bookmarks.type of a folder (a bookmark is 0)
constexpr std::int64_t kFolderType = 1;

struct DefaultBookmark {
  const char* title;
  const char* url;
};

constexpr std::array<DefaultBookmark, 5> kDefaultBookmarks = {{
    {"Apple", "https://www.apple.com/iphone/"},
    {"Yahoo", "https://www.yahoo.com/"},
    {"Google", "https://www.google.com/"},
    {"iPhone User Guide", "https://support.apple.com/guide/iphone/welcome/ios"},
    {"iPhone Web Applications", "https://www.apple.com/webapps/"},
}};

}  // namespace

void PRIOSBackupScanner::scanBookMarkThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  auto database = locateBackupFile(folder, backup_names::kBookmarks);
  if (!database) database = locateBackupFile(folder, backup_names::kBookmarksSecond);
  if (!database) return;

  const auto readable = commitDB(*database);
  std::optional<SqliteDatabase> db;
  if (readable) db = SqliteDatabase::openReadOnly(*readable);
  if (db) {
    SqliteStatement rows(*db, kBookmarks);
    while (!ctx_.stopRequested() && rows.step()) {
      auto bookmark = std::make_shared<PRBookMarkNode>();
      if (auto title = rows.text(0)) bookmark->bookMarkTitle = std::move(*title);
      if (auto url = rows.text(1)) bookmark->bookMarkURL = std::move(*url);
      // the folders of the bookmark tree, not bookmarks
      if (bookmark->bookMarkTitle == "Root" || bookmark->bookMarkTitle == "com.apple.ReadingList") {
        continue;
      }
      if (rows.decimal(4) == kFolderType && bookmark->bookMarkURL.empty()) continue;
      post(events::scanBookMarkInfo, std::move(bookmark));
    }
  }

  for (const DefaultBookmark& fixed : kDefaultBookmarks) {
    auto bookmark = std::make_shared<PRBookMarkNode>();
    bookmark->bookMarkTitle = fixed.title;
    bookmark->bookMarkURL = fixed.url;
    post(events::scanBookMarkInfo, std::move(bookmark));
  }

  const HashedBackupFile historyFile = openHashedBackupFile(folder, backup_names::kSafariHistory);
  if (!historyFile.file.opened()) {
    std::fprintf(stderr, "bookMarkPlistPath not find\n");
    return;
  }
  std::optional<PlistFile> history;
  if (decryptor_ == nullptr) {
    history = PlistFile::read(historyFile.file.fd(), folder / historyFile.relative);
  } else if (const auto plain = plainCopyOf(folder / historyFile.relative)) {
    history = PlistFile::read(*plain);
  }
  if (!history) return;
  for (PlistNode entry : plistArrayItems(history->root(), "WebHistoryDates")) {
    auto bookmark = std::make_shared<PRBookMarkNode>();
    bookmark->bookMarkURL = plistString(entry, "").value_or("");
    bookmark->bookMarkTitle = plistString(entry, "title").value_or("");
    post(events::scanBookMarkInfo, std::move(bookmark));
  }
}

void PRIOSBackupScanner::scanCalenderThread(const std::filesystem::path& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return;
  const auto database = locateBackupFile(folder, backup_names::kCalendar);
  if (!database) {
    std::fprintf(stderr, "CalenderDB is not exist\n");
    return;
  }
  const auto readable = commitDB(*database);
  if (!readable) return;
  const auto db = SqliteDatabase::openReadOnly(*readable);
  if (!db) return;

  // Post every row of `sql`; answers whether the statement could be run at
  // all, and counts the rows.
  std::size_t rowCount = 0;
  const auto readEvents = [&](const char* sql) {
    SqliteStatement rows(*db, sql);
    if (!rows.prepared()) return false;
    while (!ctx_.stopRequested() && rows.step()) {
      ++rowCount;
      auto event = std::make_shared<PRCalenderNode>();
      if (auto title = rows.text(0)) event->calTitle = std::move(*title);
      if (auto location = rows.text(1)) event->location = std::move(*location);
      if (auto description = rows.text(2)) event->calNote = std::move(*description);
      if (const auto start = rows.decimal(3)) {
        setDate(event->startDate, event->startDateUTC, *start, DateEpoch::kApple2001);
      }
      if (const auto end = rows.decimal(4)) {
        setDate(event->endDate, event->endDateUTC, *end, DateEpoch::kApple2001);
      }
      post(events::scanCalenderInfo, std::move(event));
    }
    return true;
  };

  // The flag picks the layout to try first; a database whose own layout
  // differs (a later system keeps the iOS 6 one) is read with the other.
  if (iOS6Version_) {
    if (readEvents(kCalendarIos6) || readEvents(kCalendarIos6WithoutLocation)) return;
    if (readEvents(kCalendarBeforeIos6) && rowCount > 0) return;
    readEvents(kCalendarEvents);
    return;
  }
  const bool beforeIos6Ran = readEvents(kCalendarBeforeIos6);
  if (rowCount > 0) return;
  const bool eventsRan = readEvents(kCalendarEvents);
  if (rowCount > 0 || beforeIos6Ran || eventsRan) return;
  if (!readEvents(kCalendarIos6)) readEvents(kCalendarIos6WithoutLocation);
}

}  // namespace orvane
