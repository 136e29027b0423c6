// The live steps of a device scan, one category at a time, on the
// databases of each system version.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {
namespace fs = std::filesystem;

using fixtures::IosLayout;
using testing::Backup;
using testing::IosScanBench;
using testing::row;
using testing::rows;

// text, phone, contact name, type, year, iMessage
std::vector<std::string> messageRows(const testing::Posted& posted) {
  return rows<PRMessageNode>(posted, "ScanMessageInfo", [](const PRMessageNode& m) {
    return row(m.messageContent, m.messagePhone, m.messageName, m.messageType,
               m.messageDate.substr(6, 4), int{m.bImessage});
  });
}

// An address is the multi-value's text on iOS 4, its parts from iOS 5 on;
// the picture comes from either picture file (the older one on iOS 4). A
// message database before iOS 6 is read in its own layout whatever the
// iOS 6 flag says: with madrid columns (iOS 5) or without them (iOS 4).
TEST(ContactsAndMessages, BeforeIos6) {
  for (const IosLayout layout : {IosLayout::ios4, IosLayout::ios5}) {
    SCOPED_TRACE(static_cast<int>(layout));
    Backup backup(layout);
    backup.writer
        .person({.first = "Ann",
                 .middle = "B",
                 .last = "Cole",
                 .jobTitle = "Engineer",
                 .organization = "Acme",
                 .note = "met at fair",
                 .birthday = "378000000",
                 .phones = {"(555) 123-4567", "555-9876"},
                 .emails = {"ann@example.com"},
                 .homePages = {"ann.example.com"},
                 .addresses = {{.street = "1 Road"}},
                 .otherValues = {{1, "ignored"}, {6, "ignored too"}},
                 .picture = std::vector<std::uint8_t>{1, 2}})
        .person({.last = "Cole"})
        .person({.first = "Zoë", .last = "Ångström"})
        .message({.text = "hello", .date = 1000000000, .address = "5551234567", .flags = 2})
        .message({.text = "sent", .date = 400000000, .address = "5550000", .flags = 3})
        .message({.text = "odd", .date = 400000000, .address = "5550000", .flags = 4})
        .message({.text = "also received", .date = 400000000, .address = "5550000", .flags = 22});
    std::vector<std::string> expected = {"hello|5551234567|Ann B Cole|Received|2001|0",
                                         "sent|5550000||Send|1982|0", "odd|5550000||unknown|1982|0",
                                         "also received|5550000||Received|1982|0"};
    if (layout == IosLayout::ios5) {
      backup.writer.message({.text = "imsg",
                             .date = 400000000,
                             .address = "ann@example.com",
                             .iMessage = true,
                             .madridFlags = 16387,
                             .attachmentInfo = {'a', 'b', 0, 'c', 'd', 0}});
      expected.push_back("abcd|ann@example.com||Send|2013|1");
    }
    backup.writer.write();

    for (const std::uint8_t iOS6 : {std::uint8_t{0}, std::uint8_t{1}}) {
      IosScanBench bench;
      auto scanner = bench.scanner(iOS6);
      scanner.scanContactThread(backup.folder);
      scanner.scanMessageThread(backup.folder);
      EXPECT_EQ(rows<PRContactNode>(bench.posted, "ScanContactInfo",
                                    [](const PRContactNode& c) {
                                      return row(c.rowid, c.contactName, c.contactCompany,
                                                 c.contactJobtitle, c.contactPhone, c.contactEmail,
                                                 c.contactHomepage, c.contactAdress, c.contactNote,
                                                 c.contactBirthday,
                                                 c.imageData == std::optional(Bytes{1, 2}));
                                    }),
                // the job title joins the company text and is kept on its own too
                (std::vector<std::string>{
                    "1|Ann B Cole| Engineer Acme|Engineer| (555) 123-4567 555-9876| "
                    "ann@example.com| ann.example.com| 1 Road|met at fair|378000000|1",
                    "2| Cole|||||||||0", "3|Zoë Ångström|||||||||0"}));
      // an SMS row of this layout counts from 1970, an iMessage row from 2001
      EXPECT_EQ(messageRows(bench.posted), expected) << int{iOS6};
      EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 50}));
    }
  }
}

// The iOS 6 layout (today's stores: ModernBackup) with its handles.
TEST(Messages, Ios6HandleAndIsFromMe) {
  Backup backup(IosLayout::ios6);
  backup.writer.person({.first = "Ann", .phones = {"+1 555 123 4567"}})
      .message({.text = "mine", .date = 400000000, .address = "+15551234567", .fromMe = true})
      .message({.text = "theirs", .date = 400000000, .address = "+15551234567"})
      // nanoseconds since 2001, as from iOS 11 on
      .message({.text = "new", .date = 600000000LL * 1000000000LL, .address = "+1999"});
  backup.writer.write();
  IosScanBench bench;
  auto scanner = bench.scanner(1);
  scanner.scanContactThread(backup.folder);
  scanner.scanMessageThread(backup.folder);
  EXPECT_EQ(messageRows(bench.posted),
            (std::vector<std::string>{"mine|+15551234567|Ann|Send|2013|0",
                                      "theirs|+15551234567|Ann|Received|2013|0",
                                      "new|+1999||Received|2020|0"}));
}

// The same from the second file when the first is missing.
TEST(Calls, DirectionDurationWordsAndNamesFromEitherFile) {
  for (const bool second : {false, true}) {
    Backup backup(IosLayout::ios5);
    backup.writer.person({.first = "Ann", .phones = {"555-1234"}})
        .call({.address = "5551234", .date = 1000000000, .duration = 0, .flags = 5})
        .call({.address = "555", .date = 1000000000, .duration = 0, .flags = 4})
        .call({.address = "556", .duration = 75, .flags = 5})
        .call({.address = "557", .duration = 3725, .flags = 0})
        .call({.address = "558", .duration = std::nullopt, .flags = 4});
    backup.writer.write();
    if (second) {
      std::filesystem::rename(backup.writer.pathOf(backup_names::kCallHistory),
                              backup.writer.pathOf(backup_names::kCallHistorySecond));
    }
    IosScanBench bench;
    auto scanner = bench.scanner();
    scanner.scanContactThread(backup.folder);
    scanner.scanCallHistoryThread(backup.folder);
    // "555" is held by Ann's number; a date of 0 is shown as none
    EXPECT_EQ(
        rows<PRCallHistoryNode>(bench.posted, "ScanCallHistoryInfo",
                                [](const PRCallHistoryNode& c) {
                                  return row(c.callType, c.callDuration, c.callTime, c.callName,
                                             c.callDate);
                                }),
        (std::vector<std::string>{
            "Outgoing|Cancelled|0|Ann|09-09-2001 01:46", "Incoming|Missed|0|Ann|09-09-2001 01:46",
            "Outgoing|1 minute|75||", "Incoming|1 hour|3725||", "Incoming|-1 second|-1||"}))
        << second;
    EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 60}));
  }
}

// notes.sqlite (ZNOTE, iOS 4 to 6) or notes.db (Note and note_bodies, iOS 3)
TEST(Notes, EitherFileGivesTitleBodyAndModificationDate) {
  for (const bool iOS3 : {false, true}) {
    Backup backup(IosLayout::ios5);
    backup.writer
        .note({.title = "Shopping",
               .body = "<div>milk</div>",
               .modified = 378000000.5,
               .summary = "s"})
        .note({.title = "", .body = ""});
    backup.writer.write();
    if (iOS3) {
      std::filesystem::remove(backup.writer.pathOf(fixtures::Store::notes));
      sqlite3* db = nullptr;
      sqlite3_open(backup.writer.pathOf(backup_names::kNotesSecond).c_str(), &db);
      EXPECT_EQ(sqlite3_exec(db,
                             "CREATE TABLE Note (creation_date INTEGER, title TEXT, summary TEXT, "
                             "contains_cjk INTEGER, modification_date INTEGER, guid TEXT);"
                             "CREATE TABLE note_bodies (note_id INTEGER UNIQUE, data);"
                             "INSERT INTO Note (title, summary, modification_date) VALUES "
                             "('Shopping', 's', 378000000.5), ('', '', 0);"
                             "INSERT INTO note_bodies VALUES (1, '<div>milk</div>'), (2, '');",
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
      sqlite3_close(db);
    }
    IosScanBench bench;
    bench.scanner().scanNoteThread(backup.folder);
    EXPECT_EQ(rows<PRNoteNode>(bench.posted, "ScanNoteInfo",
                               [](const PRNoteNode& n) {
                                 return row(n.noteTitle.value_or("(none)"),
                                            n.noteContent.value_or("(none)"), n.noteDate);
                               }),
              (std::vector<std::string>{"Shopping|<div>milk</div>|12-24-2012 00:00", "||"}))
        << iOS3;
    EXPECT_EQ(bench.posted.progress, std::vector<std::int64_t>{70});
  }
}

TEST(Bookmarks, FoldersAreLeftOutThenDefaultsThenHistory) {
  Backup backup(IosLayout::ios5);
  backup.writer.bookmark("root", "http://lower.example")
      .bookmark("com.apple.ReadingList", "")
      .bookmark("News", "http://news.example")
      .historyEntry("http://visited.example", "Visited");
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanBookMarkThread(backup.folder);
  EXPECT_EQ(rows<PRBookMarkNode>(
                bench.posted, "scanBookMarkInfo",
                [](const PRBookMarkNode& b) { return row(b.bookMarkTitle, b.bookMarkURL); }),
            (std::vector<std::string>{
                "root|http://lower.example", "News|http://news.example",
                "Apple|https://www.apple.com/iphone/", "Yahoo|https://www.yahoo.com/",
                "Google|https://www.google.com/",
                "iPhone User Guide|https://support.apple.com/guide/iphone/welcome/ios",
                "iPhone Web Applications|https://www.apple.com/webapps/",
                "Visited|http://visited.example"}));
  EXPECT_TRUE(bench.posted.progress.empty());
}

// Every layout gives the location's title, not its row number; before
// iOS 6 reminder lists are left out. The iOS 6 statement is chosen by the
// flag (it reads an iOS 5 database too) or kept by later systems.
TEST(Calendar, EachLayoutGivesItsEventsAndLocationTitle) {
  // iOS 4 keeps the oldest calendar: table "Event"
  for (const auto& [layout, iOS6] :
       std::vector<std::pair<IosLayout, std::uint8_t>>{{IosLayout::ios5, 0},
                                                       {IosLayout::ios5, 1},
                                                       {IosLayout::ios4, 0},
                                                       {IosLayout::ios6, 1},
                                                       {IosLayout::ios17, 0}}) {
    Backup backup(layout);
    backup.writer.event({.title = "Party",
                         .location = "Hall",
                         .description = "bring cake",
                         .start = 378000000,
                         .end = 378003600});
    if (layout == IosLayout::ios5 && iOS6 == 0)
      backup.writer.event({.title = "Buy milk", .entityTypes = 8});
    backup.writer.write();
    IosScanBench bench;
    bench.scanner(iOS6).scanCalenderThread(backup.folder);
    EXPECT_EQ(rows<PRCalenderNode>(bench.posted, "scanCalenderInfo",
                                   [](const PRCalenderNode& e) {
                                     return row(e.calTitle, e.location, e.startDate, e.endDate,
                                                e.calNote);
                                   }),
              std::vector<std::string>{"Party|Hall|12-24-2012 00:00|12-24-2012 01:00|bring cake"})
        << static_cast<int>(layout) << int{iOS6};
  }
}

// In a real backup a database's write-ahead log is a backup file of its
// own, named by the hash of "HomeDomain-Library/SMS/sms.db-wal" (read for
// every store in the carving suite's log-mode layouts); some tools keep it
// as "<hash>-wal" beside the database, found by the same lookup for every
// store. Rows added since the last checkpoint live only there; reading them
// never writes to the backup.
class DatabaseLog : public ::testing::TestWithParam<IosLayout> {};

TEST_P(DatabaseLog, RowsOnlyInTheLogBesideAreReadAndTheBackupStaysAsItWas) {
  testing::Backup backup(GetParam(), fixtures::Journal::writeAheadLog);
  backup.writer.message({.text = "only in the log", .address = "555"}).write();
  fs::rename(backup.writer.logPathOf(fixtures::Store::messages),
             backup.writer.pathOf(fixtures::Store::messages).string() + "-wal");
  const auto before = fixtures::filesUnder(backup.folder);

  testing::IosScanBench bench;
  bench.scanWhole(backup.folder);
  EXPECT_EQ(rows<PRMessageNode>(bench.posted, "ScanMessageInfo",
                                [](const PRMessageNode& m) { return m.messageContent; }),
            std::vector<std::string>{"only in the log"});
  EXPECT_EQ(fixtures::filesUnder(backup.folder), before);
}

INSTANTIATE_TEST_SUITE_P(FlatAndNested, DatabaseLog,
                         ::testing::Values(IosLayout::ios5, IosLayout::ios17));

}  // namespace
}  // namespace orvane
