// Reading a device backup's contacts, messages and calls, against a bare
// loop that steps the same statements with SQLite and keeps nothing.
//
//   bench_ios_scan [SCALE]   (1 = 10,000 contacts, 100,000 messages, 50,000 calls)

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/backup_source.h"
#include "core/notification_center.h"
#include "core/per_scan_lists.h"
#include "core/temp_folder.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "ios/backup_file_name.h"
#include "ios/ios_backup_scanner.h"

namespace {

using namespace orvane;
using Clock = std::chrono::steady_clock;

constexpr const char* kPeople =
    "select DISTINCT Rowid, first, Department,DisplayName,firstPhonetic,jobTitle,organization,"
    "middle,middlePhonetic,CreationDate,Last,Note,Nickname,prefix, suffix, Birthday from abperson ";
constexpr const char* kMultiValues =
    "select property,label,value, UID from abmultivalue where record_id = ? ";
constexpr const char* kMessages =
    "select message.ROWID,message.text,message.date,message.handle_id,handle.id,is_from_me from "
    "message left join handle on message.handle_id=handle.ROWID";
constexpr const char* kCalls = "select address,date,duration,flags from call";

std::string phoneNumber(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "+1 (555) %03d-%04d", (i / 10000) % 1000, i % 10000);
  return text;
}

void writeBackup(const std::filesystem::path& folder, double scale) {
  const int contacts = std::max(1, static_cast<int>(10000 * scale));
  const int messages = std::max(1, static_cast<int>(100000 * scale));
  const int calls = std::max(1, static_cast<int>(50000 * scale));
  // half the numbers talked to are in the address book, half are not
  const int distinctNumbers = std::max(2, contacts / 5);
  fixtures::IosBackupWriter backup(folder, fixtures::IosLayout::ios6);
  for (int i = 0; i < contacts; ++i) {
    backup.person({.first = "First" + std::to_string(i),
                   .last = "Last" + std::to_string(i),
                   .organization = "Org",
                   .phones = {phoneNumber(i), phoneNumber(i + 500000)},
                   .emails = {"p" + std::to_string(i) + "@example.com"}});
  }
  for (int i = 0; i < messages; ++i) {
    const int party = (i * 7919) % distinctNumbers;
    const std::string address =
        party % 2 == 0 ? "+1555" + phoneNumber(party).substr(9) : "+1999" + std::to_string(party);
    backup.message({.text = "message number " + std::to_string(i),
                    .date = 400000000 + i,
                    .address = address,
                    .fromMe = i % 3 == 0});
  }
  for (int i = 0; i < calls; ++i) {
    const int party = (i * 104729) % distinctNumbers;
    backup.call({.address = "555" + phoneNumber(party).substr(9),
                 .date = 1300000000 + i,
                 .duration = i % 400,
                 .flags = i % 2 == 0 ? 5 : 4});
  }
  backup.write();
}

// Steps every row and reads every column by the type it holds, as the steps
// read them, over connections opened as the steps open theirs. Both sides
// stay out of line so that a profile tells their costs apart.
[[gnu::noinline]] std::size_t bareLoop(const std::filesystem::path& folder) {
  std::size_t touched = 0;
  const auto open = [&](const char* name) {
    sqlite3* db = nullptr;
    const auto path = PRIOSBackupScanner::locateBackupFile(folder, name).value();
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    return db;
  };
  const auto touch = [&](sqlite3_stmt* stmt, int c) {
    switch (sqlite3_column_type(stmt, c)) {
      case SQLITE_NULL:
        break;
      case SQLITE_INTEGER:
        touched += static_cast<std::size_t>(sqlite3_column_int64(stmt, c) & 1);
        break;
      case SQLITE_FLOAT:
        touched += sqlite3_column_double(stmt, c) > 0 ? 1 : 0;
        break;
      default:
        if (sqlite3_column_text(stmt, c) != nullptr)
          touched += static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
    }
  };
  const auto stepAll = [&](sqlite3* db, const char* sql, auto&& perRow) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) touch(stmt, c);
      perRow(stmt);
    }
    sqlite3_finalize(stmt);
  };

  sqlite3* book = open(backup_names::kAddressBook);
  sqlite3_stmt* values = nullptr;
  sqlite3_prepare_v2(book, kMultiValues, -1, &values, nullptr);
  stepAll(book, kPeople, [&](sqlite3_stmt* person) {
    sqlite3_reset(values);
    sqlite3_bind_int64(values, 1, sqlite3_column_int64(person, 0));
    while (sqlite3_step(values) == SQLITE_ROW) {
      touch(values, 0);
      touch(values, 2);
    }
  });
  sqlite3_finalize(values);
  sqlite3_close(book);

  sqlite3* sms = open(backup_names::kMessages);
  stepAll(sms, kMessages, [](sqlite3_stmt*) {});
  sqlite3_close(sms);
  sqlite3* log = open(backup_names::kCallHistory);
  stepAll(log, kCalls, [](sqlite3_stmt*) {});
  sqlite3_close(log);
  return touched;
}

// What a scan leaves to the results model: the records, kept as its lists
// keep them.
struct KeptRecords {
  PerScanLists lists;
  std::vector<RecordPtr> posted;
};

[[gnu::noinline]] std::size_t ourScan(const std::filesystem::path& folder,
                                      std::shared_ptr<void>& leftovers) {
  auto kept = std::make_shared<KeptRecords>();
  NotificationCenter nc;
  TempFolder temp("orvane-bench-");
  ScanContext context{nc, kept->lists, temp.path()};
  std::size_t records = 0;
  for (const char* name : {"ScanContactInfo", "ScanMessageInfo", "ScanCallHistoryInfo"}) {
    nc.addObserver(name, [&](const EventObject& object) {
      ++records;
      if (const auto* record = std::get_if<RecordPtr>(&object)) kept->posted.push_back(*record);
    });
  }
  PRIOSBackupScanner scanner(context, 1);
  const auto t0 = Clock::now();
  scanner.scanContactThread(folder);
  const auto t1 = Clock::now();
  scanner.scanMessageThread(folder);
  const auto t2 = Clock::now();
  scanner.scanCallHistoryThread(folder);
  const auto t3 = Clock::now();
  const auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
  std::printf("  contacts %.3f s, messages %.3f s, calls %.3f s\n", seconds(t0, t1),
              seconds(t1, t2), seconds(t2, t3));
  leftovers = std::move(kept);
  return records;
}

// One timed round. What it leaves (the records a results list would go on
// showing) is released after its clock stops: freeing them is not part of
// reading the backup.
template <class F>
double secondsOf(F&& run, std::size_t& result) {
  std::shared_ptr<void> leftovers;
  const auto start = Clock::now();
  result = run(leftovers);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  if (!(scale > 0)) {
    std::fprintf(stderr, "usage: %s [SCALE > 0]\n", argv[0]);
    return 2;
  }
  fixtures::ScratchFolder scratch;
  const auto folder = scratch / "0123456789abcdef0123456789abcdef01234567";
  const auto writeStart = Clock::now();
  writeBackup(folder, scale);
  std::printf("backup written in %.2f s (scale %.2f)\n",
              std::chrono::duration<double>(Clock::now() - writeStart).count(), scale);

  // The best of five rounds of each, taken in turns so that both sides
  // meet the same load on a busy machine.
  std::size_t bareBytes = 0;
  std::size_t records = 0;
  double bare = 1e30;
  double ours = 1e30;
  for (int round = 0; round < 5; ++round) {
    bare = std::min(bare,
                    secondsOf([&](std::shared_ptr<void>&) { return bareLoop(folder); }, bareBytes));
    ours = std::min(
        ours,
        secondsOf([&](std::shared_ptr<void>& leftovers) { return ourScan(folder, leftovers); },
                  records));
  }
  std::printf("bare SQLite loop: %.3f s (%zu text bytes and odd numbers)\n", bare, bareBytes);
  std::printf("device backup scan: %.3f s (%zu records)\n", ours, records);
  std::printf("ratio: %.2fx\n", ours / bare);
  return 0;
}
