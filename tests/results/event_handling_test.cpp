// How scan events land in the results lists and counters.

#include <gtest/gtest.h>

#include <thread>

#include "core/blackberry_records.h"
#include "core/event_names.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
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

std::shared_ptr<PRScanListNode> foundFile(std::string type) {
  auto f = std::make_shared<PRScanListNode>();
  f->fileType = std::move(type);
  return f;
}

TEST(ResultEvents, LiveRecordsAppendInPostingOrderAndCount) {
  ResultsBench bench;
  auto first = bench.post(events::ScanContactInfo, contact("Ann", " 1"));
  // the model's reference keeps a record the scanner has let go of
  bench.app.nc.postNotificationName(events::ScanContactInfo, RecordPtr(contact("Bob", " 2")));
  bench.post(events::ScanNoteInfo, std::make_shared<PRNoteNode>());

  const auto contacts = bench.results.snapshot(ResultList::contactArray);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0], first);
  EXPECT_EQ(recordAs<PRContactNode>(contacts[1])->contactName, "Bob");
  const ScanCounters counters = bench.results.counters();
  EXPECT_EQ(counters.contactNum, 2);
  EXPECT_EQ(counters.noteNum, 1);
  EXPECT_EQ(counters.BackUpFilesNum, 3);
  EXPECT_EQ(counters.deleteeFilesNum, 0);
}

TEST(ResultEvents, BlackBerryEventsFillTheirListsAndIgnoreMissingOrForeignObjects) {
  ResultsBench bench;
  bench.post(events::BlacBerryContactInfo, std::make_shared<PRBlackBerryContactNode>());
  bench.post(events::BlacBerryCallLogInfo, std::make_shared<PRBlackBerryCallNode>());
  bench.post(events::BlackBerrySMSMessageInfo, std::make_shared<PRBlackBerrySMSMessageNode>());
  bench.post(events::BlackBerryMMSMessageInfo, std::make_shared<PRBlackBerryMMSMessageNode>());
  bench.post(events::BlackBerryNoteInfo, std::make_shared<PRBlackBerryNoteNode>());
  bench.post(events::BlackBerryCalenderInfo, std::make_shared<PRBlackBerryCalenderNode>());
  bench.post(events::BlackBerryContentStoreInfo, std::make_shared<PRBlackBerryContentNode>());
  bench.app.nc.postNotificationName(events::BlacBerryContactInfo);  // no object
  bench.post(events::BlacBerryContactInfo, std::make_shared<PRBlackBerryNoteNode>());

  for (ResultList list : {ResultList::bbContactArray, ResultList::bbCallArray,
                          ResultList::bbSMSArray, ResultList::bbMMSArray, ResultList::bbNoteArray,
                          ResultList::bbCalderArray, ResultList::bbContentStoreArray}) {
    EXPECT_EQ(bench.results.count(list), 1u) << resultListName(list);
  }
  // BlackBerry records are not counted on the progress page
  EXPECT_EQ(bench.results.counters().BackUpFilesNum, 0);
  EXPECT_EQ(bench.results.allRecordsInPostingOrder().size(), 7u);
}

TEST(ResultEvents, RawFilesGoByTypeAndUnknownTypesAreDropped) {
  ResultsBench bench;
  for (const char* type : {"Image", "Audio", "Video", "Document", "Archive", "Other"}) {
    bench.post(events::BlackBerryRawRecoveryFileInfo, foundFile(type));
  }
  EXPECT_EQ(bench.results.count(ResultList::bbImageArray), 1u);
  EXPECT_EQ(bench.results.count(ResultList::bbAudioArray), 1u);
  EXPECT_EQ(bench.results.count(ResultList::bbVedioArray), 1u);
  EXPECT_EQ(bench.results.count(ResultList::bbDocumentArray), 1u);
  EXPECT_EQ(bench.results.count(ResultList::bbArchiveArray), 1u);
  EXPECT_EQ(bench.results.allRecordsInPostingOrder().size(), 5u);
}

TEST(DeletedAcceptance, ContactEqualInNameAndPhoneIsDroppedOtherPhoneIsKept) {
  ResultsBench bench;
  bench.post(events::ScanContactInfo, contact("Ann", " 555"));
  bench.post(events::ScanDelContactInfo, contact("Ann", " 555"));
  auto kept = bench.post(events::ScanDelContactInfo, contact("Ann", " 556"));

  const auto contacts = bench.results.snapshot(ResultList::contactArray);
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[1], kept);
  EXPECT_EQ(kept->bDeleted, 1);
  const ScanCounters counters = bench.results.counters();
  EXPECT_EQ(counters.delContactNum, 1);
  EXPECT_EQ(counters.deleteeFilesNum, 1);
  EXPECT_EQ(counters.contactNum, 1);
}

TEST(DeletedAcceptance, NotesWithoutTitleAndBodyAreDroppedEmptyBodiesAreEqual) {
  ResultsBench bench;
  auto missing = std::make_shared<PRNoteNode>();
  missing->noteTitle.reset();
  missing->noteContent.reset();
  bench.post(events::ScanDelNoteInfo, missing);
  EXPECT_EQ(bench.results.count(ResultList::noteArray), 0u);

  auto emptyBody = std::make_shared<PRNoteNode>();
  emptyBody->noteTitle = "first";
  bench.post(events::ScanDelNoteInfo, emptyBody);
  auto otherEmptyBody = std::make_shared<PRNoteNode>();
  otherEmptyBody->noteTitle = "second";
  bench.post(events::ScanDelNoteInfo, otherEmptyBody);
  EXPECT_EQ(bench.results.count(ResultList::noteArray), 1u);
  EXPECT_EQ(bench.results.counters().delNoteNum, 1);
}

TEST(DeletedAcceptance, MessagesCallsBookmarksAndEventsFollowTheirFields) {
  ResultsBench bench;
  auto message = [](std::string phone, std::string text, std::string date) {
    auto m = std::make_shared<PRMessageNode>();
    m->messagePhone = std::move(phone);
    m->messageContent = std::move(text);
    m->messageDate = std::move(date);
    return m;
  };
  bench.post(events::ScanDelMessageInfo, message("", "", "01-01-2012 10:00"));  // empty
  bench.post(events::ScanDelMessageInfo, message("555", "hi", "01-01-2012 10:00"));
  bench.post(events::ScanDelMessageInfo, message("555", "hi", "01-01-2012 10:00"));  // same
  bench.post(events::ScanDelMessageInfo, message("555", "hi", "01-02-2012 10:00"));
  EXPECT_EQ(bench.results.count(ResultList::messageArray), 2u);

  auto call = [](std::string name, std::string phone, std::string date) {
    auto c = std::make_shared<PRCallHistoryNode>();
    c->callName = std::move(name);
    c->callPhone = std::move(phone);
    c->callDate = std::move(date);
    return c;
  };
  bench.post(events::ScanDelCallHistoryInfo, call("", "", "x"));  // empty
  bench.post(events::ScanDelCallHistoryInfo, call("Ann", "1", "d"));
  bench.post(events::ScanDelCallHistoryInfo, call("Bob", "1", "d"));  // same phone and date
  EXPECT_EQ(bench.results.count(ResultList::callHistoryArray), 1u);

  auto mark = [](std::string title, std::string url) {
    auto b = std::make_shared<PRBookMarkNode>();
    b->bookMarkTitle = std::move(title);
    b->bookMarkURL = std::move(url);
    return b;
  };
  bench.post(events::scanDelBookMarkInfo, mark("", ""));
  bench.post(events::scanDelBookMarkInfo, mark("News", "http://a"));
  bench.post(events::scanDelBookMarkInfo, mark("News", "http://b"));
  EXPECT_EQ(bench.results.count(ResultList::bookMarkArray), 2u);

  auto event = [](std::string start) {
    auto e = std::make_shared<PRCalenderNode>();
    e->calTitle = "Dentist";
    e->calNote = "bring card";
    e->startDate = std::move(start);
    return e;
  };
  bench.post(events::scanDelCalenderInfo, event("05-01-2012 09:00"));
  bench.post(events::scanDelCalenderInfo, event("05-02-2012 09:00"));
  bench.post(events::scanDelCalenderInfo, std::make_shared<PRCalenderNode>());  // empty
  EXPECT_EQ(bench.results.count(ResultList::calenderArray), 2u);

  const ScanCounters counters = bench.results.counters();
  EXPECT_EQ(counters.delMessageNum, 2);
  EXPECT_EQ(counters.delCallNum, 1);
  EXPECT_EQ(counters.delBookMarkNum, 2);
  EXPECT_EQ(counters.delCalenderNum, 2);
  EXPECT_EQ(counters.deleteeFilesNum, 7);
}

class RecordingObserver : public ResultViewObserver {
 public:
  void progressChanged(int percent, const std::vector<std::string>& labels) override {
    lastPercent = percent;
    lastLabels = labels;
    ++progressCalls;
  }
  void scanFinished() override { ++finished; }
  void tickCountChanged(std::int32_t count) override { lastTickCount = count; }

  int lastPercent = -1;
  int progressCalls = 0;
  std::vector<std::string> lastLabels;
  int finished = 0;
  std::int32_t lastTickCount = -1;
};

TEST(ResultProgress, ProgressEventsRewriteTheCountLabels) {
  ResultsBench bench;
  RecordingObserver observer;
  bench.results.setObserver(&observer);
  bench.post(events::ScanContactInfo, contact("Ann", ""));
  bench.post(events::ScanDelContactInfo, contact("Bob", ""));
  bench.app.nc.postNotificationName(events::BlackBerryRawRecoveryProgress, std::int64_t{40});

  EXPECT_EQ(observer.lastPercent, 40);
  EXPECT_EQ(bench.results.progressPercent(), 40);
  const std::vector<std::string> expected = {
      "Photo&Video:  0", "Photo&Video:  0", "Contacts:  1", "Contacts:  1",     "Messages:  0",
      "Messages:  0",    "Notes:  0",       "Notes:  0",    "Call History:  0", "Call History:  0"};
  EXPECT_EQ(observer.lastLabels, expected);
}

TEST(ResultProgress, TheSameNumberAndCountsAreShownOnce) {
  ResultsBench bench;
  RecordingObserver observer;
  bench.results.setObserver(&observer);
  const auto progress = [&](std::int64_t percent) {
    bench.app.nc.postNotificationName(events::BlackBerryRawRecoveryProgress, percent);
  };
  progress(20);
  progress(20);
  EXPECT_EQ(observer.progressCalls, 1);
  progress(30);
  EXPECT_EQ(observer.progressCalls, 2);
  bench.post(events::ScanContactInfo, contact("Ann", ""));
  progress(30);  // a count changed
  EXPECT_EQ(observer.progressCalls, 3);
  EXPECT_EQ(observer.lastLabels[2], "Contacts:  1");
  bench.results.showView(BrowseSource::ios);
  progress(30);  // a new scan starts from a fresh page
  EXPECT_EQ(observer.progressCalls, 4);
}

TEST(ResultProgress, ScanFinishClearsCountersKeepsListsAndShowsCallHistory) {
  ResultsBench bench;
  RecordingObserver observer;
  bench.results.setObserver(&observer);
  bench.results.showView(BrowseSource::blackBerry);
  bench.post(events::ScanContactInfo, contact("Ann", ""));
  bench.post(events::BlacBerryCallLogInfo, std::make_shared<PRBlackBerryCallNode>());

  bench.app.ScanThreadFinish();

  EXPECT_EQ(observer.finished, 1);
  EXPECT_EQ(bench.results.progressPercent(), 0);
  EXPECT_EQ(bench.results.counters().contactNum, 0);
  EXPECT_EQ(bench.results.count(ResultList::contactArray), 1u);
  ASSERT_EQ(bench.results.currentTableView(), ResultTable::callHistory);
  EXPECT_EQ(bench.results.displayList(ResultTable::callHistory).size(), 1u);
}

TEST(ResultProgress, ListsGrowSafelyWhileAnotherThreadReads) {
  ResultsBench bench;
  std::thread scanner([&] {
    for (int i = 0; i < 2000; ++i) {
      bench.post(events::BlackBerrySMSMessageInfo, std::make_shared<PRBlackBerrySMSMessageNode>());
    }
  });
  std::size_t seen = 0;
  while (seen < 2000) {
    const auto snapshot = bench.results.snapshot(ResultList::bbSMSArray);
    ASSERT_GE(snapshot.size(), seen);
    seen = snapshot.size();
  }
  scanner.join();
  EXPECT_EQ(bench.results.count(ResultList::bbSMSArray), 2000u);
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
  EXPECT_EQ(bench.results.count(ResultList::bbContactArray), 0u);
  EXPECT_EQ(bench.results.count(ResultList::contactArray), 0u);
  EXPECT_TRUE(bench.results.displayList(ResultTable::contact).empty());
  EXPECT_TRUE(bench.results.allRecordsInPostingOrder().empty());
  EXPECT_EQ(bench.results.selectedFilesNum(), 0);
}

}  // namespace
}  // namespace orvane
