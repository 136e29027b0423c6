// The results model: how scan events land in its lists and counters,
// ticking, select-all, category pages and column sorting.

#include <gtest/gtest.h>

#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
#include "results/category_traits.h"
#include "results/results_test_support.h"

namespace orvane {
namespace {

using testing::ResultsBench;

std::shared_ptr<PRContactNode> contact(std::string name, std::string phone) {
  auto c = std::make_shared<PRContactNode>();
  c->contactName = std::move(name);
  c->contactPhone = std::move(phone);
  return c;
}

// Each BlackBerry event's list is the window test's (its export counts
// every page); here a missing or foreign object is ignored, and the progress
// page does not count BlackBerry records.
TEST(ResultEvents, RecordsAppendInPostingOrderAndCount) {
  ResultsBench bench;
  auto first = bench.post(events::ScanContactInfo, contact("Ann", " 1"));
  // the model's reference keeps a record the scanner has let go of
  bench.app.nc.postNotificationName(events::ScanContactInfo, RecordPtr(contact("Bob", " 2")));
  bench.post(events::ScanNoteInfo, std::make_shared<PRNoteNode>());
  bench.post(events::BlacBerryContactInfo, std::make_shared<PRBlackBerryContactNode>());
  bench.app.nc.postNotificationName(events::BlacBerryContactInfo);  // no object
  bench.post(events::BlacBerryContactInfo, std::make_shared<PRBlackBerryNoteNode>());

  const auto contacts = bench.results.snapshot(ResultList::contactArray);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0], first);
  EXPECT_EQ(recordAs<PRContactNode>(contacts[1])->contactName, "Bob");
  EXPECT_EQ(bench.results.count(ResultList::bbContactArray), 1u);
  EXPECT_EQ(bench.results.allRecordsInPostingOrder().size(), 4u);
  EXPECT_EQ(bench.results.counters().BackUpFilesNum, 3);
}

// A carved record is dropped when it equals a listed one in the fields of
// its kind, or has none of them.
TEST(DeletedAcceptance, EachKindFollowsItsFields) {
  ResultsBench bench;
  // a contact equal in name and phone is dropped, another phone is kept
  bench.post(events::ScanContactInfo, contact("Ann", " 555"));
  bench.post(events::ScanDelContactInfo, contact("Ann", " 555"));
  auto kept = bench.post(events::ScanDelContactInfo, contact("Ann", " 556"));
  const auto contacts = bench.results.snapshot(ResultList::contactArray);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[1], kept);
  EXPECT_EQ(kept->bDeleted, 1);

  // notes without title and body are dropped; empty bodies are equal
  auto missing = std::make_shared<PRNoteNode>();
  missing->noteTitle.reset();
  missing->noteContent.reset();
  bench.post(events::ScanDelNoteInfo, missing);
  EXPECT_EQ(bench.results.count(ResultList::noteArray), 0u);
  for (const char* title : {"first", "second"}) {
    auto emptyBody = std::make_shared<PRNoteNode>();
    emptyBody->noteTitle = title;
    bench.post(events::ScanDelNoteInfo, emptyBody);
  }
  EXPECT_EQ(bench.results.count(ResultList::noteArray), 1u);

  // phone, text, date: an empty one, then one repeated
  for (const auto& [phone, text, date] : {std::tuple{"", "", "01-01-2012 10:00"},
                                          {"555", "hi", "01-01-2012 10:00"},
                                          {"555", "hi", "01-01-2012 10:00"},
                                          {"555", "hi", "01-02-2012 10:00"}}) {
    auto m = std::make_shared<PRMessageNode>();
    m->messagePhone = phone;
    m->messageContent = text;
    m->messageDate = date;
    bench.post(events::ScanDelMessageInfo, m);
  }
  EXPECT_EQ(bench.results.count(ResultList::messageArray), 2u);

  // name, phone, date: an empty one, then the same phone and date
  for (const auto& [name, phone, date] :
       {std::tuple{"", "", "x"}, {"Ann", "1", "d"}, {"Bob", "1", "d"}}) {
    auto c = std::make_shared<PRCallHistoryNode>();
    c->callName = name;
    c->callPhone = phone;
    c->callDate = date;
    bench.post(events::ScanDelCallHistoryInfo, c);
  }
  EXPECT_EQ(bench.results.count(ResultList::callHistoryArray), 1u);

  for (const auto& [title, url] : {std::pair{"", ""}, {"News", "http://a"}, {"News", "http://b"}}) {
    auto b = std::make_shared<PRBookMarkNode>();
    b->bookMarkTitle = title;
    b->bookMarkURL = url;
    bench.post(events::scanDelBookMarkInfo, b);
  }
  EXPECT_EQ(bench.results.count(ResultList::bookMarkArray), 2u);

  for (const char* start : {"05-01-2012 09:00", "05-02-2012 09:00", ""}) {
    auto e = std::make_shared<PRCalenderNode>();
    if (*start != '\0') {  // the last one stays empty
      e->calTitle = "Dentist";
      e->calNote = "bring card";
      e->startDate = start;
    }
    bench.post(events::scanDelCalenderInfo, e);
  }
  EXPECT_EQ(bench.results.count(ResultList::calenderArray), 2u);

  EXPECT_EQ(bench.results.counters().deleteeFilesNum, 9);
}

class RecordingObserver : public ResultViewObserver {
 public:
  void progressChanged(int percent, const std::vector<std::string>& labels) override {
    lastPercent = percent;
    lastLabels = labels;
    ++progressCalls;
  }
  void tickCountChanged(std::int32_t count) override { lastTickCount = count; }

  int lastPercent = -1;
  std::int32_t lastTickCount = -1;
  int progressCalls = 0;
  std::vector<std::string> lastLabels;
};

// A progress event rewrites the count labels; the same number with the same
// counts is shown once, unless a new scan started a fresh page.
TEST(ResultProgress, ProgressRewritesTheCountLabelsOncePerChange) {
  ResultsBench bench;
  RecordingObserver observer;
  bench.results.setObserver(&observer);
  const auto progress = [&](std::int64_t percent) {
    bench.app.nc.postNotificationName(events::BlackBerryRawRecoveryProgress, percent);
  };
  bench.post(events::ScanContactInfo, contact("Ann", ""));
  bench.post(events::ScanDelContactInfo, contact("Bob", ""));
  progress(40);
  EXPECT_EQ(observer.lastPercent, 40);
  EXPECT_EQ(observer.lastLabels,
            (std::vector<std::string>{"Photo&Video:  0", "Photo&Video:  0", "Contacts:  1",
                                      "Contacts:  1", "Messages:  0", "Messages:  0", "Notes:  0",
                                      "Notes:  0", "Call History:  0", "Call History:  0"}));
  progress(40);
  EXPECT_EQ(observer.progressCalls, 1);
  progress(50);
  EXPECT_EQ(observer.progressCalls, 2);
  bench.post(events::ScanContactInfo, contact("Cid", ""));
  progress(50);  // a count changed
  EXPECT_EQ(observer.progressCalls, 3);
  EXPECT_EQ(observer.lastLabels[2], "Contacts:  2");
  bench.results.showView(BrowseSource::ios);
  progress(50);
  EXPECT_EQ(observer.progressCalls, 4);
}

TEST(ResultCleanUp, ReleaseUIMemoryStopsTheScanAndEmptiesEverything) {
  ResultsBench bench;
  bench.post(events::BlacBerryContactInfo, std::make_shared<PRBlackBerryContactNode>());
  bench.post(events::ScanContactInfo, contact("Ann", ""));
  bench.results.selectCategory(ResultTable::contact);
  bench.results.ClickSelectAll(true);
  ASSERT_EQ(bench.results.selectedFilesNum(), 1);

  EXPECT_FALSE(bench.app.stopRequested());
  bench.results.releaseUIMemory();

  EXPECT_TRUE(bench.app.stopRequested());
  EXPECT_TRUE(bench.results.displayList(ResultTable::contact).empty());
  EXPECT_EQ(bench.results.selectedFilesNum(), 0);
}

// --- ticks, select-all, pages and sorting ---

struct ThreeSms : ::testing::Test {
  ThreeSms() {
    bench.results.setObserver(&ticks);
    bench.results.showView(BrowseSource::blackBerry);
    for (int i = 0; i < 3; ++i) {
      sms.push_back(bench.post(events::BlackBerrySMSMessageInfo,
                               std::make_shared<PRBlackBerrySMSMessageNode>()));
    }
    mms = bench.post(events::BlackBerryMMSMessageInfo,
                     std::make_shared<PRBlackBerryMMSMessageNode>());
    bench.results.selectCategory(ResultTable::message);
  }
  ResultsBench bench;
  RecordingObserver ticks;
  std::vector<std::shared_ptr<PRBlackBerrySMSMessageNode>> sms;
  std::shared_ptr<PRBlackBerryMMSMessageNode> mms;
};

// a tick goes to every selected row and counts only changes; select-all
// off leaves nothing ticked
TEST_F(ThreeSms, TicksCountOnlyChangesAndSurviveChoosingTheCategoryAgain) {
  bench.results.setTickForRows({0, 2}, true);
  EXPECT_EQ(bench.results.selectedFilesNum(), 2);
  EXPECT_EQ(sms[1]->bSelected, 0);
  EXPECT_EQ(sms[2]->bSelected, 1);
  bench.results.setTickForRows({1, 2}, true);  // row 2 was ticked already
  EXPECT_EQ(bench.results.selectedFilesNum(), 3);
  bench.results.setTickForRows({0, 7}, false);  // a row past the list is ignored
  EXPECT_EQ(bench.results.selectedFilesNum(), 2);
  EXPECT_EQ(ticks.lastTickCount, 2);
  bench.results.ClickSelectAll(true);
  EXPECT_EQ(bench.results.selectedFilesNum(), 3);
  EXPECT_TRUE(bench.results.selectAllFlag(ResultTable::message));
  bench.results.ClickSelectAll(false);
  EXPECT_EQ(bench.results.selectedFilesNum(), 0);
  EXPECT_EQ(ticks.lastTickCount, 0);
  for (const auto& s : sms) EXPECT_EQ(s->bSelected, 0);

  // choosing the category again shows each record once and keeps ticks
  bench.results.setTickForRows({0}, true);
  bench.results.selectCategory(ResultTable::message);
  const auto shown = bench.results.displayList(ResultTable::message);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0]->bSelected, 1);

  // the MMS page ticks its own records; a new scan starts with none ticked
  bench.results.selectCategory(ResultTable::mms);
  bench.results.setTickForRows({0}, true);
  EXPECT_EQ(mms->bSelected, 1);
  EXPECT_EQ(bench.results.selectedFilesNum(), 2);
  bench.results.showView(BrowseSource::blackBerry);
  EXPECT_EQ(bench.results.selectedFilesNum(), 0);
}

// The shown rows of `table` by one text field of their records.
template <class Node, class Field>
std::vector<std::string> shown(const PRResultViewController& results, ResultTable table,
                               Field Node::*field) {
  std::vector<std::string> texts;
  for (const auto& r : results.displayList(table)) texts.push_back((*recordAs<Node>(r)).*field);
  return texts;
}
// The direction flags are shared across tables and processes' screens, so
// the tests read the direction a click produced rather than assume it.
TEST(ResultSorting, PhotoNamesSortNumericallyAndFlip) {
  ResultsBench bench;
  bench.results.showView(BrowseSource::ios);
  for (const char* name : {"10.jpg", "9.jpg", "00000011.mov"}) {
    auto photo = std::make_shared<PRPhotoAndVideoNode>();
    photo->fileNodeName = name;
    bench.post(events::ScanPhotoAndVideo, photo);
  }
  bench.results.selectCategory(ResultTable::photo);
  bench.results.didClickTableColumn(ResultTable::photo, "Name");
  const auto first = shown(bench.results, ResultTable::photo, &PRPhotoAndVideoNode::fileNodeName);
  const std::vector<std::string> up = {"9.jpg", "10.jpg", "00000011.mov"};
  const std::vector<std::string> down = {"00000011.mov", "10.jpg", "9.jpg"};
  EXPECT_EQ(first, first.front() == "9.jpg" ? up : down);
  bench.results.didClickTableColumn(ResultTable::photo, "Name");
  auto reversed = first;
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(shown(bench.results, ResultTable::photo, &PRPhotoAndVideoNode::fileNodeName), reversed);
}

TEST(ResultSorting, CallDatesSortAsDatesWithUnreadableOnesLast) {
  ResultsBench bench;
  bench.results.showView(BrowseSource::ios);
  for (const char* date : {"01-02-2013 10:00", "not a date", "12-31-2012 23:59"}) {
    auto call = std::make_shared<PRCallHistoryNode>();
    call->callDate = date;
    bench.post(events::ScanCallHistoryInfo, call);
  }
  bench.results.selectCategory(ResultTable::callHistory);
  bench.results.didClickTableColumn(ResultTable::callHistory, "Date");
  auto dates = shown(bench.results, ResultTable::callHistory, &PRCallHistoryNode::callDate);
  if (dates.front() == "not a date") std::reverse(dates.begin(), dates.end());
  EXPECT_EQ(dates,
            (std::vector<std::string>{"12-31-2012 23:59", "01-02-2013 10:00", "not a date"}));
}

}  // namespace
}  // namespace orvane
