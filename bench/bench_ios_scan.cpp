// Reading a device backup's contacts, messages and calls, against a bare
// loop that steps the same statements with SQLite and keeps nothing.
//
//   bench_ios_scan [SCALE]   (1 = 10,000 contacts, 100,000 messages, 50,000 calls)
//   bench_ios_scan modern [SCALE]
//     today's layout (1 = 100,000 messages, a quarter with attributedBody
//     only; 10,000 contacts with addresses; 50,000 calls; 5,000 notes), each
//     side run once in this fresh process; then the same backup encrypted,
//     against the plain scan plus one AES pass and the key derivation

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
#include "ios/backup_folder.h"
#include "ios/encrypted_backup.h"
#include "ios/ios_backup_scanner.h"
#include "ios/ios_backup_source.h"
#include "ios/plist_file.h"

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
                 .date = 1300000000.0 + i,
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

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void writeModernBackup(const std::filesystem::path& folder, double scale,
                       std::optional<fixtures::BackupEncryption> encryption = std::nullopt) {
  using fixtures::IosBackupWriter;
  IosBackupWriter backup(folder, fixtures::IosLayout::ios17);
  if (encryption) backup.encrypted(*encryption);
  const int contacts = std::max(1, static_cast<int>(10000 * scale));
  for (int i = 0; i < contacts; ++i) {
    backup.person({.first = "First" + std::to_string(i),
                   .last = "Last" + std::to_string(i),
                   .phones = {phoneNumber(i)},
                   .addresses = {{.street = std::to_string(i) + " Main St",
                                  .city = "Springfield",
                                  .zip = "62701",
                                  .country = "United States"}}});
  }
  const int messages = std::max(1, static_cast<int>(100000 * scale));
  for (int i = 0; i < messages; ++i) {
    const std::string text = "message number " + std::to_string(i);
    // a quarter with the text in the attributedBody alone
    backup.message({.text = i % 4 == 0 ? "" : text,
                    .date = (700000000LL + i) * 1000000000LL,
                    .address = "+1555" + phoneNumber((i * 7919) % contacts).substr(9),
                    .iMessage = true,
                    .attributedBody = i % 4 == 0 ? IosBackupWriter::attributedBody(text)
                                                 : std::vector<std::uint8_t>{}});
  }
  const int calls = std::max(1, static_cast<int>(50000 * scale));
  for (int i = 0; i < calls; ++i) {
    backup.call({.address = "555" + phoneNumber((i * 104729) % contacts).substr(9),
                 .date = 700000000.0 + i,
                 .duration = static_cast<double>(i % 400),
                 .originated = i % 2 == 0});
  }
  const int notes = std::max(1, static_cast<int>(5000 * scale));
  for (int i = 0; i < notes; ++i) {
    backup.note({.title = "Note " + std::to_string(i),
                 .body = "the text of note " + std::to_string(i),
                 .modified = 700000100.0 + i,
                 .created = 700000000.0 + i});
  }
  backup.write();
}

constexpr const char* kModernStatements[][2] = {
    {backup_names::kAddressBook,
     "select ABPerson.ROWID, First, Last, ABMultiValue.property, ABMultiValue.label, "
     "ABMultiValue.value, ABMultiValueEntry.key, ABMultiValueEntry.value from ABPerson left join "
     "ABMultiValue on ABMultiValue.record_id = ABPerson.ROWID left join ABMultiValueEntry on "
     "ABMultiValueEntry.parent_id = ABMultiValue.UID"},
    {backup_names::kMessages,
     "select message.ROWID, text, attributedBody, date, handle_id, handle.id, is_from_me, "
     "message.service from message left join handle on message.handle_id = handle.ROWID"},
    {backup_names::kCallHistoryStore,
     "select ZADDRESS, ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZCALLTYPE from ZCALLRECORD"},
    {backup_names::kNoteStore,
     "select n.ZTITLE1, n.ZCREATIONDATE3, n.ZMODIFICATIONDATE1, n.ZMARKEDFORDELETION, "
     "n.ZISPASSWORDPROTECTED, d.ZDATA from ZICCLOUDSYNCINGOBJECT n join ZICNOTEDATA d on "
     "d.ZNOTE = n.Z_PK"},
};

[[gnu::noinline]] std::size_t modernBareLoop(const std::filesystem::path& folder) {
  std::size_t touched = 0;
  for (const auto& [name, sql] : kModernStatements) {
    sqlite3* db = nullptr;
    const auto path = PRIOSBackupScanner::locateBackupFile(folder, name).value();
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_NULL) continue;
        sqlite3_column_blob(stmt, c);
        touched += static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
      }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  }
  return touched;
}

// A whole scan of the folder through the device backup source, as the
// CLI runs it; answers the records posted.
std::size_t modernScan(const std::filesystem::path& folder, const std::string& password) {
  NotificationCenter nc;
  PerScanLists lists;
  TempFolder temp("orvane-bench-");
  ScanContext context{nc, lists, temp.path()};
  std::size_t records = 0;
  std::vector<RecordPtr> kept;
  for (const char* name : {"ScanContactInfo", "ScanMessageInfo", "ScanCallHistoryInfo",
                           "ScanNoteInfo", "ScanPhotoAndVideo"}) {
    nc.addObserver(name, [&](const EventObject& object) {
      ++records;
      if (const auto* record = std::get_if<RecordPtr>(&object)) kept.push_back(*record);
    });
  }
  const auto outcome = makeIosBackupSource([&](const std::filesystem::path&) {
                         return std::optional<std::string>(password);
                       })->scan(folder, context);
  if (!outcome.scanned()) std::fprintf(stderr, "scan failed: %s\n", outcome.reason.c_str());
  return records;
}

int runModern(double scale) {
  fixtures::ScratchFolder scratch;
  const auto plain = scratch / "plain" / "0123456789abcdef0123456789abcdef01234567";
  const auto encrypted = scratch / "encrypted" / "0123456789abcdef0123456789abcdef01234567";
  auto start = Clock::now();
  writeModernBackup(plain, scale);
  // the round counts of today's devices
  writeModernBackup(encrypted, scale,
                    fixtures::BackupEncryption{
                        .password = "pw", .rounds = 10000, .doubleProtectionRounds = 10000000});
  std::printf("modern backups written in %.2f s (scale %.2f)\n", secondsSince(start), scale);

  // first runs in this fresh process: no round warms the other
  start = Clock::now();
  const std::size_t records = modernScan(plain, "");
  const double ours = secondsSince(start);
  start = Clock::now();
  const std::size_t bytes = modernBareLoop(plain);
  const double bare = secondsSince(start);
  std::printf("bare SQLite loop: %.3f s (%zu bytes)\n", bare, bytes);
  std::printf("modern backup scan: %.3f s (%zu records)\n", ours, records);
  std::printf("ratio: %.2fx\n", ours / bare);

  start = Clock::now();
  const std::size_t encryptedRecords = modernScan(encrypted, "pw");
  const double decrypting = secondsSince(start);
  // the key derivation alone, then one AES pass over every file the
  // manifest names
  start = Clock::now();
  std::string reason;
  const auto decryptor = BackupDecryptor::unlock(encrypted, "pw", reason);
  const double derivation = secondsSince(start);
  start = Clock::now();
  TempFolder out("orvane-bench-");
  std::size_t files = 0;
  {
    const auto manifestCopy = out.path() / "Manifest.db";
    BackupDecryptor::decryptTo(BackupFile::open(encrypted / "Manifest.db"),
                               *decryptor->manifestKey(), std::nullopt, manifestCopy, reason);
    sqlite3* db = nullptr;
    sqlite3_open_v2(manifestCopy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, "select fileID, file from Files", -1, &rows, nullptr);
    while (sqlite3_step(rows) == SQLITE_ROW) {
      const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(rows, 0));
      const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(rows, 1));
      const auto entry =
          encryptedFileKeyOf({blob, static_cast<std::size_t>(sqlite3_column_bytes(rows, 1))});
      const HashedBackupFile file = openHashedBackupFile(encrypted, name);
      if (!entry || !file.file.opened()) continue;
      BackupDecryptor::decryptTo(file.file, *decryptor->fileKey(*entry), entry->plainSize,
                                 out.path() / name, reason);
      ++files;
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
  }
  const double aesPass = secondsSince(start);
  std::printf("encrypted backup scan: %.3f s (%zu records)\n", decrypting, encryptedRecords);
  std::printf("key derivation %.3f s + one AES pass over %zu files %.3f s + plain scan %.3f s\n",
              derivation, files, aesPass, ours);
  std::printf("encrypted against plain + AES pass + derivation: %.2fx\n",
              decrypting / (ours + aesPass + derivation));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "modern") {
    const double modernScale = argc > 2 ? std::atof(argv[2]) : 1.0;
    return modernScale > 0 ? runModern(modernScale) : 2;
  }
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
