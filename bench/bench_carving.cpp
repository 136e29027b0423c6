// Carving the deleted rows of a device backup whose six iOS 6 databases
// hold at least 200 MB, against a bare SQLite loop that steps every row of
// the same tables and keeps nothing, in the same run; and the peak memory.
// Then the same for a backup of today's layout (iOS 17 stores), whose rows
// only the search by the tables' shapes finds.
//
//   bench_carving [SCALE]   (1 = about 200 MB of databases; 1% of the rows deleted)

#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "carving/deleted_records_step.h"
#include "core/event_names.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"

namespace {

using namespace orvane;
using fixtures::Store;
using Clock = std::chrono::steady_clock;

constexpr const char* kTables[][2] = {{"ABPerson", "ABMultiValue"}, {"message", "handle"},
                                      {"ZNOTE", "ZNOTEBODY"},       {"call", nullptr},
                                      {"bookmarks", nullptr},       {"CalendarItem", "Location"}};
constexpr Store kStores[] = {Store::addressBook, Store::messages,  Store::notes,
                             Store::calls,       Store::bookmarks, Store::calendar};

std::string filler(int i, std::size_t length) {
  std::string text = "row " + std::to_string(i) + " ";
  while (text.size() < length) text += "lorem ipsum dolor sit amet ";
  text.resize(length);
  return text;
}

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Steps every row of `tables` in the database at `path`, keeping nothing.
std::size_t stepEveryRow(const std::filesystem::path& path,
                         const std::vector<const char*>& tables) {
  std::size_t stepped = 0;
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (const char* table : tables) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, ("select * from " + std::string(table)).c_str(), -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) (void)sqlite3_column_value(stmt, c);
      ++stepped;
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return stepped;
}

// The deleted-records step on a backup folder: seconds, records posted.
std::pair<double, std::size_t> carve(const std::filesystem::path& folder) {
  NotificationCenter nc;
  PerScanLists lists;
  std::size_t carved = 0;
  for (const char* name :
       {events::ScanDelContactInfo, events::ScanDelMessageInfo, events::ScanDelNoteInfo,
        events::ScanDelCallHistoryInfo, events::scanDelBookMarkInfo, events::scanDelCalenderInfo}) {
    nc.addObserver(name, [&carved](const EventObject&) { ++carved; });
  }
  const auto start = Clock::now();
  TempFolder temp("orvane-bench-carving-");
  ScanContext ctx(nc, lists, temp.path());
  runDeletedRecordsStep(folder, ctx);
  return {seconds(start), carved};
}

// Today's stores with `rows` rows of each kind, one in a hundred deleted.
void writeTodaysBackup(const std::filesystem::path& folder, int rows) {
  fixtures::IosBackupWriter backup(folder, fixtures::IosLayout::ios17);
  for (int i = 0; i < rows; ++i) {
    const std::string number = "+1555" + std::to_string(1000000 + i % 5000);
    backup.person({.first = "First" + std::to_string(i), .last = "Last", .phones = {number}});
    backup.message({.text = filler(i, 700),
                    .date = (700000000LL + i) * 1000000000LL,
                    .address = number,
                    .fromMe = i % 2 == 0,
                    .iMessage = true});
    backup.call(
        {.address = number, .date = 700000000.0 + i, .duration = static_cast<double>(i % 600)});
    backup.note({.title = "Note " + std::to_string(i),
                 .body = filler(i, 900),
                 .modified = 700000000.5 + i});
    backup.bookmark("Page " + std::to_string(i), "https://example.com/" + filler(i, 600));
  }
  backup.deleteRows(Store::addressBook,
                    "delete from ABMultiValue where record_id % 100 = 7; delete from ABPerson "
                    "where ROWID % 100 = 7");
  backup.deleteRows(Store::messages, "delete from message where ROWID % 100 = 7");
  backup.deleteRows(Store::calls, "delete from ZCALLRECORD where Z_PK % 100 = 7");
  backup.deleteRows(Store::notes,
                    "delete from ZICNOTEDATA where ZNOTE % 100 = 7; delete from "
                    "ZICCLOUDSYNCINGOBJECT where Z_PK % 100 = 7");
  backup.deleteRows(Store::bookmarks, "delete from bookmarks where id % 100 = 7");
  backup.write();
}

std::filesystem::path storeOf(const std::filesystem::path& folder, const char* domainPath) {
  const std::string name = *hashedNameOf(domainPath);
  return folder / name.substr(0, 2) / name;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  const int rows = static_cast<int>(44000 * scale);
  fixtures::ScratchFolder scratch;
  {
    fixtures::IosBackupWriter backup(scratch.path(), fixtures::IosLayout::ios6);
    for (int i = 0; i < rows; ++i) {
      const std::string number = "555-" + std::to_string(10000 + i % 5000);
      backup.person({.first = "First" + std::to_string(i),
                     .last = "Last",
                     .note = filler(i, 300),
                     .phones = {number}});
      backup.message({.text = filler(i, 700), .date = 360000000 + i, .address = number});
      backup.call({.address = number,
                   .date = 1340000000.0 + i,
                   .duration = static_cast<double>(i % 600),
                   .flags = 4 + i % 2});
      backup.note({.title = "Note " + std::to_string(i),
                   .body = filler(i, 900),
                   .modified = 370000000.5 + i});
      backup.bookmark("Page " + std::to_string(i), "https://example.com/" + filler(i, 600));
      backup.event({.title = "Event " + std::to_string(i),
                    .description = filler(i, 800),
                    .start = 370000000.5 + i,
                    .end = 370003600.5 + i});
    }
    // one row in a hundred deleted
    backup.deleteRows(Store::addressBook,
                      "delete from ABMultiValue where record_id % 100 = 7; delete from ABPerson "
                      "where ROWID % 100 = 7");
    backup.deleteRows(Store::messages, "delete from message where ROWID % 100 = 7");
    backup.deleteRows(Store::calls, "delete from call where ROWID % 100 = 7");
    backup.deleteRows(Store::notes,
                      "delete from ZNOTEBODY where Z_PK % 100 = 7; delete from ZNOTE where Z_PK % "
                      "100 = 7");
    backup.deleteRows(Store::bookmarks, "delete from bookmarks where id % 100 = 7");
    backup.deleteRows(Store::calendar, "delete from CalendarItem where ROWID % 100 = 7");
    backup.write();
  }
  fixtures::IosBackupWriter paths(scratch.path(), fixtures::IosLayout::ios6);
  std::uintmax_t total = 0, largest = 0;
  for (Store store : kStores) {
    const auto size = std::filesystem::file_size(paths.pathOf(store));
    total += size;
    largest = std::max(largest, size);
  }
  std::printf("databases: %.1f MB in all, largest %.1f MB\n", static_cast<double>(total) / 1e6,
              static_cast<double>(largest) / 1e6);
  const long before = peakKilobytes();

  // first in the process: the carving, as a user's scan meets it
  NotificationCenter nc;
  PerScanLists lists;
  std::size_t carved = 0;
  std::map<std::string, std::size_t> perEvent;
  for (const char* name :
       {events::ScanDelContactInfo, events::ScanDelMessageInfo, events::ScanDelNoteInfo,
        events::ScanDelCallHistoryInfo, events::scanDelBookMarkInfo, events::scanDelCalenderInfo}) {
    nc.addObserver(name, [&carved, &perEvent, name](const EventObject&) {
      ++carved;
      ++perEvent[name];
    });
  }
  const auto carvingStart = Clock::now();
  {
    TempFolder temp("orvane-bench-carving-");
    ScanContext ctx(nc, lists, temp.path());
    runDeletedRecordsStep(scratch.path(), ctx);
  }
  const double carving = seconds(carvingStart);
  const long after = peakKilobytes();

  const auto bareStart = Clock::now();
  std::size_t stepped = 0;
  for (std::size_t i = 0; i < std::size(kStores); ++i) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(paths.pathOf(kStores[i]).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char* table : kTables[i]) {
      if (table == nullptr) continue;
      sqlite3_stmt* stmt = nullptr;
      sqlite3_prepare_v2(db, ("select * from " + std::string(table)).c_str(), -1, &stmt, nullptr);
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) (void)sqlite3_column_value(stmt, c);
        ++stepped;
      }
      sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
  }
  const double bare = seconds(bareStart);

  std::printf("carving: %.2f s, %zu records posted\n", carving, carved);
  for (const auto& [name, count] : perEvent) std::printf("  %s: %zu\n", name.c_str(), count);
  std::printf("bare SQLite loop: %.2f s, %zu rows\n", bare, stepped);
  std::printf("ratio: %.2f (limit 4)\n", carving / bare);
  std::printf("peak memory: %.1f MB before carving, %.1f MB after (limit 64 MB + %.1f MB)\n",
              static_cast<double>(before) / 1e3, static_cast<double>(after) / 1e3,
              static_cast<double>(largest) / 1e6);

  const std::filesystem::path today = scratch / "today";
  writeTodaysBackup(today, rows);
  const auto [todayCarving, todayCarved] = carve(today);
  const auto todayBareStart = Clock::now();
  std::size_t todayStepped = 0;
  const std::vector<std::pair<const char*, std::vector<const char*>>> todaysTables = {
      {"HomeDomain-Library/AddressBook/AddressBook.sqlitedb", {"ABPerson", "ABMultiValue"}},
      {"HomeDomain-Library/SMS/sms.db", {"message", "handle"}},
      {"HomeDomain-Library/CallHistoryDB/CallHistory.storedata", {"ZCALLRECORD"}},
      {"AppDomainGroup-group.com.apple.notes-NoteStore.sqlite",
       {"ZICCLOUDSYNCINGOBJECT", "ZICNOTEDATA"}},
      {"HomeDomain-Library/Safari/Bookmarks.db", {"bookmarks"}}};
  for (const auto& [domainPath, tables] : todaysTables) {
    todayStepped += stepEveryRow(storeOf(today, domainPath), tables);
  }
  const double todayBare = seconds(todayBareStart);
  std::printf(
      "today's layout: carving %.2f s, %zu records posted; bare SQLite loop %.2f s, %zu "
      "rows; ratio %.2f (limit 4)\n",
      todayCarving, todayCarved, todayBare, todayStepped, todayCarving / todayBare);
  return 0;
}
