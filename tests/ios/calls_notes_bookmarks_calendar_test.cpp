#include <gtest/gtest.h>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosLayout;
using testing::Backup;
using testing::IosScanBench;
using testing::row;
using testing::rows;

// direction, duration words, seconds, contact name and date of each call
std::vector<std::string> callRows(const testing::Posted& posted) {
  return rows<PRCallHistoryNode>(posted, "ScanCallHistoryInfo", [](const PRCallHistoryNode& c) {
    return row(c.callType, c.callDuration, c.callTime, c.callName, c.callDate);
  });
}

TEST(Calls, DirectionDurationWordsAndNames) {
  Backup backup(IosLayout::ios5);
  backup.writer.person({.first = "Ann", .phones = {"555-1234"}})
      .call({.address = "5551234", .date = 1000000000, .duration = 0, .flags = 5})
      .call({.address = "555", .date = 1000000000, .duration = 0, .flags = 4})
      .call({.address = "556", .duration = 75, .flags = 5})
      .call({.address = "557", .duration = 3725, .flags = 0})
      .call({.address = "558", .duration = std::nullopt, .flags = 4});
  backup.writer.write();
  IosScanBench bench;
  auto scanner = bench.scanner();
  scanner.scanContactThread(backup.folder);
  scanner.scanCallHistoryThread(backup.folder);
  // "555" is held by Ann's number; a date of 0 is shown as none
  EXPECT_EQ(
      callRows(bench.posted),
      (std::vector<std::string>{"Outgoing|Cancelled|0|Ann|09-09-2001 01:46",
                                "Incoming|Missed|0|Ann|09-09-2001 01:46", "Outgoing|1 minute|75||",
                                "Incoming|1 hour|3725||", "Incoming|-1 second|-1||"}));
  EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 60}));
}

TEST(Calls, SecondFileIsReadWhenTheFirstIsMissing) {
  Backup backup(IosLayout::ios5);
  backup.writer.call({.address = "1", .duration = 5, .flags = 5});
  backup.writer.write();
  std::filesystem::rename(backup.writer.pathOf(backup_names::kCallHistory),
                          backup.writer.pathOf(backup_names::kCallHistorySecond));
  IosScanBench bench;
  bench.scanner().scanCallHistoryThread(backup.folder);
  EXPECT_EQ(callRows(bench.posted), std::vector<std::string>{"Outgoing|5 seconds|5||"});
}

TEST(Notes, TitleBodyAndModificationDate) {
  Backup backup(IosLayout::ios5);
  backup.writer
      .note(
          {.title = "Shopping", .body = "<div>milk</div>", .modified = 378000000.5, .summary = "s"})
      .note({.title = "", .body = ""});
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanNoteThread(backup.folder);
  EXPECT_EQ(rows<PRNoteNode>(bench.posted, "ScanNoteInfo",
                             [](const PRNoteNode& n) {
                               return row(n.noteTitle.value_or("(none)"),
                                          n.noteContent.value_or("(none)"), n.noteDate);
                             }),
            (std::vector<std::string>{"Shopping|<div>milk</div>|12-24-2012 00:00", "||"}));
  EXPECT_EQ(bench.posted.progress, std::vector<std::int64_t>{70});
}

std::vector<std::string> bookmarkRows(const testing::Posted& posted) {
  return rows<PRBookMarkNode>(posted, "scanBookMarkInfo", [](const PRBookMarkNode& b) {
    return row(b.bookMarkTitle, b.bookMarkURL);
  });
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
  const auto marks = bookmarkRows(bench.posted);
  std::vector<std::string> titles;
  for (const auto& mark : marks) titles.push_back(mark.substr(0, mark.find('|')));
  EXPECT_EQ(titles,
            (std::vector<std::string>{"root", "News", "Apple", "Yahoo", "Google",
                                      "iPhone User Guide", "iPhone Web Applications", "Visited"}));
  EXPECT_EQ(marks[1], "News|http://news.example");
  EXPECT_EQ(marks.back(), "Visited|http://visited.example");
  EXPECT_TRUE(bench.posted.progress.empty());
}

TEST(Bookmarks, OnlyRootGivesTheDefaultsAndNoDatabaseGivesNothing) {
  Backup backup(IosLayout::ios5);
  backup.writer.emptyStore(fixtures::Store::bookmarks);
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanBookMarkThread(backup.folder);
  EXPECT_EQ(bookmarkRows(bench.posted).size(), 5u);

  Backup none(IosLayout::ios5);
  none.writer.historyEntry("http://x", "x");
  none.writer.write();
  IosScanBench other;
  other.scanner().scanBookMarkThread(none.folder);
  EXPECT_TRUE(other.posted.names.empty());
}

// Every layout gives the location's title, not its row number; before
// iOS 6 reminder lists are left out. The iOS 6 statement is chosen by the
// flag (it reads an iOS 5 database too) or kept by later systems.
TEST(Calendar, EachLayoutGivesItsEventsAndLocationTitle) {
  struct Case {
    IosLayout layout;
    std::uint8_t iOS6;
  };
  // iOS 4 keeps the oldest calendar: table "Event"
  for (const Case& c :
       {Case{IosLayout::ios5, 0}, Case{IosLayout::ios5, 1}, Case{IosLayout::ios4, 0},
        Case{IosLayout::ios6, 1}, Case{IosLayout::ios17, 0}}) {
    Backup backup(c.layout);
    backup.writer.event({.title = "Party",
                         .location = "Hall",
                         .description = "bring cake",
                         .start = 378000000,
                         .end = 378003600});
    if (c.layout == IosLayout::ios5 && c.iOS6 == 0) {
      backup.writer.event({.title = "Buy milk", .entityTypes = 8});
    }
    backup.writer.write();
    IosScanBench bench;
    bench.scanner(c.iOS6).scanCalenderThread(backup.folder);
    EXPECT_EQ(rows<PRCalenderNode>(bench.posted, "scanCalenderInfo",
                                   [](const PRCalenderNode& e) {
                                     return row(e.calTitle, e.location, e.startDate, e.endDate,
                                                e.calNote);
                                   }),
              std::vector<std::string>{"Party|Hall|12-24-2012 00:00|12-24-2012 01:00|bring cake"})
        << static_cast<int>(c.layout) << int{c.iOS6};
  }
}

}  // namespace
}  // namespace orvane
