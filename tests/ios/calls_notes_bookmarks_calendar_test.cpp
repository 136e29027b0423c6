#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "ios/backup_file_name.h"
#include "ios_test_support.h"

namespace orvane {
namespace {

using fixtures::IosBackupWriter;
using fixtures::IosLayout;
using testing::Backup;
using testing::IosScanBench;

TEST(Calls, DirectionAndDurationWords) {
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
  const auto calls = bench.posted.all<PRCallHistoryNode>("ScanCallHistoryInfo");
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0]->callType, "Outgoing");
  EXPECT_EQ(calls[0]->callDuration, "Cancelled");
  EXPECT_EQ(calls[0]->callName, "Ann");
  EXPECT_EQ(calls[0]->callDate, "09-09-2001 01:46");
  EXPECT_EQ(calls[1]->callType, "Incoming");
  EXPECT_EQ(calls[1]->callDuration, "Missed");
  EXPECT_EQ(calls[1]->callName, "Ann");  // "555" is held by Ann's number
  EXPECT_EQ(calls[2]->callDuration, "1 minute");
  EXPECT_EQ(calls[2]->callTime, 75);
  EXPECT_EQ(calls[2]->callDate, "");
  EXPECT_EQ(calls[3]->callDuration, "1 hour");
  EXPECT_EQ(calls[3]->callType, "Incoming");
  EXPECT_EQ(calls[4]->callTime, -1);
  EXPECT_EQ(calls[4]->callDuration, "-1 second");
  EXPECT_EQ(bench.posted.progress, (std::vector<std::int64_t>{40, 60}));
}

TEST(Calls, SecondFileIsReadWhenTheFirstIsMissing) {
  Backup backup(IosLayout::ios5);
  backup.writer.call({.address = "1", .duration = 5, .flags = 5});
  backup.writer.write();
  const auto first = backup.writer.pathOf(backup_names::kCallHistory);
  std::filesystem::rename(first, backup.writer.pathOf(backup_names::kCallHistorySecond));
  IosScanBench bench;
  bench.scanner().scanCallHistoryThread(backup.folder);
  ASSERT_EQ(bench.posted.all<PRCallHistoryNode>("ScanCallHistoryInfo").size(), 1u);
  EXPECT_EQ(bench.posted.all<PRCallHistoryNode>("ScanCallHistoryInfo")[0]->callDuration,
            "5 seconds");
}

class Notes : public ::testing::TestWithParam<bool> {};

TEST_P(Notes, EitherShapeGivesTitleBodyAndModificationDate) {
  Backup backup(IosLayout::ios5);
  backup.writer.notesZPrefixed(GetParam())
      .note(
          {.title = "Shopping", .summary = "s", .body = "<div>milk</div>", .modified = 378000000.5})
      .note({.title = "", .body = ""});
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanNoteThread(backup.folder);
  const auto notes = bench.posted.all<PRNoteNode>("ScanNoteInfo");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0]->noteTitle, "Shopping");
  EXPECT_EQ(notes[0]->noteContent, "<div>milk</div>");
  EXPECT_EQ(notes[0]->noteDate, "12-24-2012 00:00");
  EXPECT_EQ(notes[1]->noteTitle, "");
  EXPECT_EQ(notes[1]->noteDate, "");
  EXPECT_EQ(bench.posted.progress, std::vector<std::int64_t>{70});
}

INSTANTIATE_TEST_SUITE_P(PlainAndZPrefixed, Notes, ::testing::Bool());

TEST(Bookmarks, FoldersAreLeftOutThenDefaultsThenHistory) {
  Backup backup(IosLayout::ios5);
  backup.writer.bookmark("root", "http://lower.example")
      .bookmark("com.apple.ReadingList", "")
      .bookmark("News", "http://news.example")
      .historyEntry("http://visited.example", "Visited");
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanBookMarkThread(backup.folder);
  const auto marks = bench.posted.all<PRBookMarkNode>("scanBookMarkInfo");
  std::vector<std::string> titles;
  for (const auto& mark : marks) titles.push_back(mark->bookMarkTitle);
  EXPECT_EQ(titles,
            (std::vector<std::string>{"root", "News", "Apple", "Yahoo", "Google",
                                      "iPhone User Guide", "iPhone Web Applications", "Visited"}));
  EXPECT_EQ(marks[1]->bookMarkURL, "http://news.example");
  EXPECT_EQ(marks.back()->bookMarkURL, "http://visited.example");
  EXPECT_TRUE(bench.posted.progress.empty());
}

TEST(Bookmarks, OnlyRootGivesTheDefaultsAndNoDatabaseGivesNothing) {
  Backup backup(IosLayout::ios5);
  backup.writer.emptyBookmarks();
  backup.writer.write();
  IosScanBench bench;
  bench.scanner().scanBookMarkThread(backup.folder);
  EXPECT_EQ(bench.posted.all<PRBookMarkNode>("scanBookMarkInfo").size(), 5u);

  Backup none(IosLayout::ios5);
  none.writer.historyEntry("http://x", "x");
  none.writer.write();
  IosScanBench other;
  other.scanner().scanBookMarkThread(none.folder);
  EXPECT_TRUE(other.posted.names.empty());
}

// Before iOS 6 the location is joined by name and reminder lists are left
// out. The iOS 6 statement, chosen by the flag (it reads an iOS 5 database
// too) or kept by later systems, shows the location's row number.
TEST(Calendar, EachLayoutGivesItsEventsAndLocation) {
  struct Case {
    IosLayout layout;
    std::uint8_t iOS6;
    bool eventTable;  // the oldest calendar: table "event"
    const char* location;
  };
  for (const Case& c :
       {Case{IosLayout::ios5, 0, false, "Hall"}, Case{IosLayout::ios5, 1, false, "1"},
        Case{IosLayout::ios5, 0, true, "Hall"}, Case{IosLayout::ios6, 1, false, "1"},
        Case{IosLayout::current, 0, false, "1"}}) {
    Backup backup(c.layout);
    if (c.eventTable) backup.writer.calendarEventTable();
    backup.writer.event({.title = "Party",
                         .location = "Hall",
                         .description = "bring cake",
                         .start = 378000000,
                         .end = 378003600});
    if (c.layout == IosLayout::ios5 && c.iOS6 == 0 && !c.eventTable) {
      backup.writer.event({.title = "Buy milk", .entityTypes = 8});
    }
    backup.writer.write();
    IosScanBench bench;
    bench.scanner(c.iOS6).scanCalenderThread(backup.folder);
    const auto events = bench.posted.all<PRCalenderNode>("scanCalenderInfo");
    ASSERT_EQ(events.size(), 1u) << c.location << int{c.iOS6} << c.eventTable;
    EXPECT_EQ(events[0]->calTitle, "Party");
    EXPECT_EQ(events[0]->location, c.location);
    EXPECT_EQ(events[0]->startDate, "12-24-2012 00:00");
    EXPECT_EQ(events[0]->endDate, "12-24-2012 01:00");
    EXPECT_EQ(events[0]->calNote, "bring cake");
  }
}

}  // namespace
}  // namespace orvane
