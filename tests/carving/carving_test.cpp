// The deleted-row carvers on backups written from the real iOS 4-6 tables:
// every deleted row comes back as its live copy read, nothing live comes
// back twice, nothing is invented, and the backup is left as it was.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "../core/record_dump.h"
#include "carving/carver_run.h"
#include "carving/deleted_records_step.h"
#include "carving/sqlite_pages.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "core/notification_center.h"
#include "core/temp_folder.h"
#include "fixtures/ios_backup_writer.h"
#include "fixtures/scratch_folder.h"
#include "results/deleted_acceptance.h"

namespace orvane::carving {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using fixtures::Journal;
using fixtures::Store;

// Fields that tell a row apart, one "name=value" a line; names looked up
// in the live contacts and the row numbers depend on what else is live, so
// they are left out.
std::string signatureOf(const PRRecord& record) {
  std::istringstream lines(testing::dumpRecord(record));
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    const std::string name = line.substr(0, line.find('='));
    for (const char* skipped : {"bDeleted", "bSelected", "rowid", "uid", "handle_id", "messageName",
                                "callName", "location"}) {
      if (name == skipped) line.clear();
    }
    if (!line.empty()) kept += line + "\n";
  }
  return kept;
}

using Rows = std::map<std::string, std::multiset<std::string>>;  // category -> signatures

struct ScanResult {
  Rows live;
  Rows deleted;                       // accepted as the results model accepts them
  std::vector<std::int64_t> carvers;  // the progress numbers of the carvers (75 on)
};

ScanResult scanBackup(const std::filesystem::path& folder, bool stopFirst = false) {
  // live and carved event of each category
  static const std::vector<std::array<const char*, 3>> kEvents = {
      {"contact", events::ScanContactInfo, events::ScanDelContactInfo},
      {"message", events::ScanMessageInfo, events::ScanDelMessageInfo},
      {"note", events::ScanNoteInfo, events::ScanDelNoteInfo},
      {"call", events::ScanCallHistoryInfo, events::ScanDelCallHistoryInfo},
      {"bookmark", events::scanBookMarkInfo, events::scanDelBookMarkInfo},
      {"event", events::scanCalenderInfo, events::scanDelCalenderInfo}};
  NotificationCenter nc;
  PerScanLists lists;
  TempFolder temp("orvane-carving-test-");
  std::atomic<bool> stop{stopFirst};
  ScanContext ctx(nc, lists, temp.path());
  ctx.stopFlag = &stop;
  ScanResult result;
  std::map<std::string, std::vector<RecordPtr>> listed;
  for (const auto& [category, liveName, carvedName] : kEvents) {
    for (const char* name : {liveName, carvedName}) {
      nc.addObserver(name, [&, category = std::string(category), name](const EventObject& object) {
        const RecordPtr& record = std::get<RecordPtr>(object);
        auto& list = listed[category];
        const bool carved = name != liveName;
        if (carved && acceptDeletedRecord(name, *record, list) != Acceptance::kAccepted) return;
        list.push_back(record);
        (carved ? result.deleted : result.live)[category].insert(signatureOf(*record));
      });
    }
  }
  nc.addObserver(events::ScanProgressInfo, [&](const EventObject& object) {
    const auto* number = std::get_if<std::int64_t>(&object);
    if (number != nullptr && *number >= 75) result.carvers.push_back(*number);
  });
  EXPECT_TRUE(makeDeviceBackupSource()->scan(folder, ctx).scanned());
  return result;
}

// One data set for every system version; with `deleting` a part of each
// table is deleted afterwards. Answers how many rows were deleted.
int writeBackup(const std::filesystem::path& folder, IosLayout ios, Journal journal,
                bool deleting) {
  IosBackupWriter backup(folder, ios, journal);
  // person 1 owns multi-values whose record_id and identifier are both 1
  backup.person({.first = "Ann",
                 .middle = "Marie",
                 .last = "Lee",
                 .phones = {"555-0101", "+1 555 0102"},
                 .emails = {"ann@example.com"}});
  backup.person({.first = "Bob", .last = "Stone", .phones = {"555-0202"}});
  backup.person({.first = "Chen", .last = "Wei", .phones = {"555-0303"}, .unsorted = true});
  backup.person({.first = "Dora",
                 .last = "Quinn",
                 .organization = "Acme",
                 .note = "met at the fair",
                 .phones = {"555-0404"}});
  backup.person({.first = "Eve", .last = "Mole", .emails = {"eve@example.com"}});

  const bool ios4 = ios == IosLayout::ios4;
  const bool today = ios == IosLayout::ios17;
  const bool handles = ios == IosLayout::ios6 || today;
  // SMS before iOS 6 count seconds from 1970, later rows from 2001 (today in nanoseconds)
  const auto at = [&](std::int64_t offset) {
    return today ? (720000000 + offset) * 1000000000 : (handles ? 360000000 : 1340000000) + offset;
  };
  backup.message({.text = "Hello there, Ann", .date = at(0), .address = "555-0101"});
  backup.message({.text = "See you at 5", .date = at(60), .address = "555-0101", .fromMe = true});
  backup.message({.text = "Bob here", .date = at(120), .address = "555-0202"});
  if (!ios4) {
    backup.message({.text = "Lunch?",
                    .date = handles ? at(180) : 360000180,
                    .address = "ann@example.com",
                    .iMessage = true});
  }
  if (handles) {
    backup.message({.date = at(240),
                    .address = "555-0202",
                    .attributedBody = IosBackupWriter::attributedBody("Only in the body")});
  }
  if (today)
    backup.message({.text = std::string(300, 'w'), .date = at(300), .address = "555-0202"});
  // call_history.db counts from 1970, today's store from 2001
  const double calls = today ? 720000000 : 1340000000;
  backup.call(
      {.address = "555-0101", .date = calls + 100, .duration = 65, .flags = 5, .originated = true});
  backup.call({.address = "555-0202", .date = calls + 200, .duration = 0, .answered = false});
  backup.call({.address = "555-0909", .date = calls + 300, .duration = 12});
  backup.note({.title = "Groceries", .body = "milk, eggs", .modified = 370000000.5});
  backup.note(
      {.title = "Ideas", .body = "a tool that finds deleted rows", .modified = 370001000.25});
  backup.note({.title = "Plans", .body = "<div>trip&nbsp;north</div>", .modified = 370002000.75});
  backup.bookmark("Example", "https://example.com/");
  backup.bookmark("News", "https://news.example.org/");
  backup.bookmark("Docs", "https://docs.example.net/guide");
  if (!ios4) {
    backup.event({.title = "Dentist",
                  .location = "High St",
                  .description = "bring card",
                  .start = 370000000.5,
                  .end = 370003600.5});
    backup.event({.title = "Team lunch", .start = 370100000, .end = 370103600});
    backup.event(
        {.title = "Flight", .description = "BA 123", .start = 370200000.25, .end = 370210000.25});
  }
  if (!deleting) {
    backup.write();
    return 0;
  }
  backup.deleteRows(Store::addressBook,
                    "delete from ABMultiValue where record_id in (1, 3, 4);"
                    "delete from ABPerson where ROWID in (1, 3, 4);");
  backup.deleteRows(Store::messages, "delete from message where ROWID in (1, 4, 5, 6);");
  backup.deleteRows(Store::calls, today ? "delete from ZCALLRECORD where Z_PK in (1, 2);"
                                        : "delete from call where ROWID in (1, 2);");
  // today's first row is the account's folder
  backup.deleteRows(Store::notes, today ? "delete from ZICNOTEDATA where ZNOTE in (2, 4);"
                                          "delete from ZICCLOUDSYNCINGOBJECT where Z_PK in (2, 4);"
                                        : "delete from ZNOTEBODY where Z_PK in (1, 3);"
                                          "delete from ZNOTE where Z_PK in (1, 3);");
  backup.deleteRows(Store::bookmarks, "delete from bookmarks where title in ('Example', 'Docs');");
  if (!ios4) backup.deleteRows(Store::calendar, "delete from CalendarItem where ROWID in (1, 3);");
  backup.write();
  const int messages[] = {1, 2, 3, 4};
  return 3 + messages[static_cast<int>(ios)] + 2 + 2 + 2 + (ios4 ? 0 : 2);
}

std::size_t total(const Rows& rows) {
  std::size_t count = 0;
  for (const auto& [category, signatures] : rows) count += signatures.size();
  return count;
}

class EveryLayout : public ::testing::TestWithParam<std::tuple<IosLayout, Journal>> {};

// The same backup written with and without its deletions and scanned: no
// live row comes back as deleted, every deleted row comes back as the live
// reading read it before, and the backup is left as it was.
TEST_P(EveryLayout, DeletedRowsComeBackAsTheirLiveCopiesRead) {
  const auto [ios, journal] = GetParam();
  fixtures::ScratchFolder scratch;
  writeBackup(scratch / "before", ios, journal, false);
  const int deleted = writeBackup(scratch / "after", ios, journal, true);
  const ScanResult before = scanBackup(scratch / "before");
  EXPECT_EQ(total(before.deleted), 0u) << "a live row was listed twice";
  const auto files = fixtures::filesUnder(scratch / "after");
  const ScanResult after = scanBackup(scratch / "after");
  EXPECT_EQ(fixtures::filesUnder(scratch / "after"), files) << "the backup changed";
  Rows expected;
  for (const auto& [category, signatures] : before.live) {
    const std::multiset<std::string> left =
        after.live.count(category) ? after.live.at(category) : std::multiset<std::string>{};
    std::multiset<std::string> gone;
    std::set_difference(signatures.begin(), signatures.end(), left.begin(), left.end(),
                        std::inserter(gone, gone.end()));
    if (!gone.empty()) expected[category] = std::move(gone);
  }
  EXPECT_EQ(total(expected), static_cast<std::size_t>(deleted));
  EXPECT_EQ(after.deleted, expected);
  // the carvers run in the order of their progress numbers; iOS 4 has no calendar file here
  std::vector<std::int64_t> order = {75, 80, 85, 90, 95, 100};
  if (ios == IosLayout::ios4) order.pop_back();
  EXPECT_EQ(after.carvers, order);
}

INSTANTIATE_TEST_SUITE_P(Carving, EveryLayout,
                         ::testing::Combine(::testing::Values(IosLayout::ios4, IosLayout::ios5,
                                                              IosLayout::ios6, IosLayout::ios17),
                                            ::testing::Values(Journal::rollback,
                                                              Journal::writeAheadLog)));

// Varints run to nine bytes, the ninth taken whole; every serial type's
// length is read by the carved rows of every layout (REAL dates, 6-byte
// integers, long texts).
TEST(SqlitePages, VarintsHeaderAndRecordBounds) {
  // bytes, then the value and length read; nothing when the varint runs past the end
  const std::vector<std::pair<std::vector<std::uint8_t>, std::string>> varints = {
      {{0x84, 0x80, 0x00}, "65536 3"},  // a rowid of three bytes
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "18446744073709551615 9"},
      {{0x81}, ""},
  };
  for (const auto& [bytes, expected] : varints) {
    const auto varint = readVarint(bytes, 0);
    EXPECT_EQ(varint ? std::to_string(varint->value) + " " + std::to_string(varint->length) : "",
              expected);
  }

  std::vector<std::uint8_t> file(4096, 0);
  std::memcpy(file.data(), "SQLite format 3", 16);
  for (const auto& [stored, pageSize] : std::vector<std::pair<std::uint16_t, std::uint32_t>>{
           {1, 65536}, {512, 512}, {4096, 4096}, {0, 0}, {768, 0}, {256, 0}}) {
    file[16] = static_cast<std::uint8_t>(stored >> 8);
    file[17] = static_cast<std::uint8_t>(stored);
    const auto header = readDatabaseHeader(file);
    EXPECT_EQ(header ? header->pageSize : 0, pageSize) << stored;
  }
  file[16] = 0x10;  // 4096
  file[17] = 0;
  ASSERT_TRUE(readDatabaseHeader(std::span(file).first(100)));
  EXPECT_EQ(readDatabaseHeader(std::span(file).first(100))->pageCount, 0u);
  EXPECT_FALSE(readDatabaseHeader(std::span(file).first(99)));

  // A record the library wrote: rowid 70000 (three bytes), a text, an integer.
  fixtures::ScratchFolder scratch;
  sqlite3* db = nullptr;
  sqlite3_open((scratch / "t.db").c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA page_size=512; CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, n INT);"
               "INSERT INTO t VALUES (70000, 'carved', -2);",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const auto bytes = fixtures::readFileBytes(scratch / "t.db");
  const ByteSpan page = ByteSpan(bytes).subspan(512, 512);
  const std::size_t cell = static_cast<std::size_t>(page[8] << 8 | page[9]);
  const std::size_t headerAt = cell + 1 + 3;  // payload length, rowid
  const auto record = decodeRecordAt(page, headerAt, 3, 3);
  ASSERT_TRUE(record);
  EXPECT_EQ(rowidBefore(page, headerAt, record->end), 70000);
  // more columns than the table holds, or a page cut short: no record
  EXPECT_FALSE(decodeRecordAt(page, headerAt, 2, 2));
  EXPECT_FALSE(decodeRecordAt(page.first(record->end - 1), headerAt, 3, 3));
  EXPECT_FALSE(decodeRecordFromColumn1(page, headerAt + 2, 60));
}

TEST(ContactsCarver, PhoneGuessFromTheLastPage) {
  const std::string page = "..AbCd555-0101 ..abcdX123456789012345678901 ..Ef 5.";
  EXPECT_EQ(getNextSubStringInString(page, "AbCd"), "555-0101 ");
  EXPECT_EQ(getNextSubStringInString(page, "EF"), " ");
  EXPECT_EQ(getNextSubStringInString(page, "Zz"), std::nullopt);
  EXPECT_EQ(getNextSubStringInString(page, ""), std::nullopt);
  // a candidate longer than 20 characters is passed over
  EXPECT_EQ(getNextSubStringInString("abcdX123456789012345678901 abcd7 .", "abcd"), "7 ");
}

// Damaged, cut and emptied files and logs: the scan goes through and
// carves nothing that was not deleted. A scan stopped before it starts
// carves nothing.
TEST(Carving, DamagedFilesInventNothingAndAStoppedScanIsNotCarved) {
  fixtures::ScratchFolder scratch;
  writeBackup(scratch / "clean", IosLayout::ios6, Journal::writeAheadLog, true);
  const ScanResult clean = scanBackup(scratch / "clean");
  const ScanResult stopped = scanBackup(scratch / "clean", true);
  EXPECT_EQ(total(stopped.deleted), 0u);
  EXPECT_TRUE(stopped.carvers.empty());
  const std::vector<std::function<void(std::vector<std::uint8_t>&, bool log)>> damages = {
      [](auto& bytes, bool) { bytes.resize(std::min<std::size_t>(bytes.size(), 1000)); },
      [](auto& bytes, bool log) {
        if (log) bytes.resize(bytes.size() - 100);
      },
      [](auto& bytes, bool log) {
        if (!log && bytes.size() > 17) bytes[16] = 0, bytes[17] = 1;
      },
      [](auto& bytes, bool) { bytes.resize(std::min<std::size_t>(bytes.size(), 100)); },
      [](auto& bytes, bool) { bytes.clear(); },
      [](auto& bytes, bool) {  // every record header claims 127 columns
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
          if (bytes[i + 1] == 0 && bytes[i] < 0x40 && bytes[i] > 5) bytes[i] = 0x7F;
      },
  };
  for (std::size_t d = 0; d < damages.size(); ++d) {
    const auto folder = scratch / ("damaged" + std::to_string(d));
    std::filesystem::copy(scratch / "clean", folder);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.size() != 40) continue;
      auto bytes = fixtures::readFileBytes(entry.path());
      const bool log = std::string_view(reinterpret_cast<const char*>(bytes.data()), 6) != "SQLite";
      damages[d](bytes, log);
      fixtures::writeFileBytes(entry.path(), bytes);
    }
    // a row is known when some row of the data set reads the same, but for
    // the address that a damaged handle table no longer gives
    const auto withoutPhone = [](std::string signature) {
      const auto at = signature.find("messagePhone=");
      if (at != std::string::npos) signature.erase(at, signature.find('\n', at) - at);
      return signature;
    };
    std::set<std::string> known;
    for (const Rows* rows : {&clean.live, &clean.deleted}) {
      for (const auto& [category, signatures] : *rows) {
        for (const std::string& signature : signatures) known.insert(withoutPhone(signature));
      }
    }
    for (const auto& [category, signatures] : scanBackup(folder).deleted) {
      for (const std::string& signature : signatures) {
        EXPECT_EQ(known.count(withoutPhone(signature)), 1u) << d << ": " << signature;
      }
    }
  }
}

}  // namespace
}  // namespace orvane::carving
