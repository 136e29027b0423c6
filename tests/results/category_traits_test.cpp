#include "results/category_traits.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
#include "export/recovery_run.h"
#include "fixtures/scratch_folder.h"
#include "results_test_support.h"

namespace orvane {
namespace {

TEST(CategoryTraits, EveryPageAndEveryListHasItsRow) {
  const auto pages = categoryPages();
  ASSERT_EQ(pages.size(), kResultTableCount);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(pages[i].table), i);
    EXPECT_FALSE(pages[i].name.empty() || pages[i].normalIcon.empty() ||
                 pages[i].selectedIcon.empty() || pages[i].buttonName.empty());
  }
  std::set<ResultList> seen;
  for (const CategoryList& list : categoryLists()) {
    SCOPED_TRACE(resultListName(list.list));
    EXPECT_TRUE(seen.insert(list.list).second) << "listed twice";
    EXPECT_EQ(&categoryList(list.list), &list);
    EXPECT_FALSE(list.columns.empty() || list.summaryName.empty() || list.exportFolder.empty());
  }
  EXPECT_EQ(seen.size(), kResultListCount);
}

// A header that sorts otherwise than the page's other headers must be a
// column of every list the page shows, or the click could never reach it.
TEST(CategoryTraits, HeadersThatSortAreColumnsOfThePage) {
  for (const CategoryList& list : categoryLists()) {
    const HeaderSort& sort = categoryTraits(list.table).sort;
    std::set<std::string_view> titles;
    for (const ColumnTraits& column : list.columns) titles.insert(column.title);
    SCOPED_TRACE(resultListName(list.list));
    EXPECT_TRUE(sort.onName == sort.onOther || titles.contains("Name"));
    EXPECT_TRUE(sort.onSize == sort.onOther || titles.contains("Size"));
  }
}

// A page another source does not fill shows that page's first list.
TEST(CategoryTraits, PagesOfAnotherSourceShowTheirFirstList) {
  const struct {
    ResultTable table;
    BrowseSource source;
    ResultList expected;
  } cases[] = {
      {ResultTable::photo, BrowseSource::memoryCard, ResultList::bbContentStoreArray},
      {ResultTable::mms, BrowseSource::ios, ResultList::bbMMSArray},
      {ResultTable::bookMark, BrowseSource::blackBerry, ResultList::bookMarkArray},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(categoryList(c.table, c.source).list, c.expected) << resultListName(c.expected);
  }
}

template <class Node>
RecordPtr make(const std::function<void(Node&)>& fill) {
  auto node = std::make_shared<Node>();
  fill(*node);
  return node;
}

// Cells of a record of the list's class: blanks around a value are
// trimmed, long texts show their first line, a content path its last
// component with its blanks; records of another class show nothing.
TEST(CategoryTraits, ColumnsShowTheFieldsOfTheirRecordClass) {
  const struct {
    ResultList list;
    RecordPtr record;
    std::vector<std::string> cells;
  } cases[] = {
      {ResultList::bbContentStoreArray,
       make<PRBlackBerryContentNode>([](auto& r) {
         r.filePathName = "/store/pics/ a.jpg";
         r.ContentFileType = "Image";
         r.contentFileSize = " 1.20K";
       }),
       {" a.jpg", "Image", "1.20K"}},
      {ResultList::bbSMSArray,
       make<PRBlackBerrySMSMessageNode>([](auto& r) {
         r.numberString = "+1 555";
         r.type = "Incoming";
         r.dateTime = "05-06-2012 14:32";
         r.contentText = "first line \nsecond";
       }),
       {"+1 555", "Incoming", "05-06-2012 14:32", "first line"}},
      {ResultList::bbCallArray,
       make<PRBlackBerryCallNode>([](auto& r) {
         r.CallName = " Ann";
         r.CallNumber = "555";
         r.CallType = "Recived";
         r.CallTime = "05/06/2012 14:32";
         r.callDuration = "1 minute";
       }),
       {"Ann", "555", "Recived", "05/06/2012 14:32", "1 minute"}},
      {ResultList::noteArray,
       make<PRNoteNode>([](auto& r) {
         r.noteTitle = std::nullopt;
         r.noteDate = "2014-05-06";
       }),
       {"", "2014-05-06"}},
      {ResultList::calenderArray,
       make<PRCalenderNode>([](auto& r) {
         r.calTitle = "Trip";
         r.location = "Lyon";
         r.startDate = "May 6";
         r.endDate = "May 9";
       }),
       {"Trip", "Lyon", "May 6", "May 9"}},
      {ResultList::bbVedioArray,
       make<PRScanListNode>([](auto& r) {
         r.nodeName = "clip.mp4";
         r.nodeSizeString = "3.00M";
         r.fileType = "Video";
       }),
       {"clip.mp4", "3.00M", "Video"}},
  };
  const PRBookMarkNode stranger;
  for (const auto& c : cases) {
    const CategoryList& list = categoryList(c.list);
    SCOPED_TRACE(resultListName(c.list));
    EXPECT_EQ(c.record->className(), list.recordClass);
    std::vector<std::string> shown, strangers;
    for (const ColumnTraits& column : list.columns) {
      shown.push_back(column.text(*c.record));
      strangers.push_back(column.text(stranger));
    }
    EXPECT_EQ(shown, c.cells);
    EXPECT_EQ(strangers, std::vector<std::string>(shown.size()));
  }
}

// As the desktop trims: the Unicode blanks go, other characters and bytes
// that are no character stay.
TEST(CategoryTraits, TrimmingTakesUnicodeBlanksOnly) {
  const struct {
    std::string_view text, trimmed;
  } cases[] = {
      {" \t\r\n a b \v\f", "a b"},
      {"\xC2\xA0x\xE3\x80\x80", "x"},              // no-break and ideographic spaces
      {"\xE2\x80\xA8x\xE2\x80\x8A", "x"},          // line separator, hair space
      {"\xC2\x85x", "x"},                          // next line
      {"\xE2\x80\x8Bx", "\xE2\x80\x8Bx"},          // a zero-width space is no blank
      {"x\xF0\x9F\x98\x80", "x\xF0\x9F\x98\x80"},  // nor is an emoji
      {"\xC0\xA0x\xA0", "\xC0\xA0x\xA0"},          // an over-long blank and a stray byte
      {"x \xA0", "x \xA0"},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(trimSpace(c.text), c.trimmed) << c.text;
}

// The export makes the folders of the table, for every source, also when
// nothing is ticked.
TEST(CategoryTraits, ExportMakesTheFoldersOfItsSource) {
  for (const BrowseSource source :
       {BrowseSource::blackBerry, BrowseSource::ios, BrowseSource::memoryCard}) {
    testing::ResultsBench bench;
    bench.results.showView(source);
    fixtures::ScratchFolder scratch;
    RecoveryRun(bench.results).recoverFilesThread(scratch / "out");
    std::set<std::string> made, expected;
    for (const auto& entry : std::filesystem::directory_iterator(scratch / "out")) {
      made.insert(entry.path().filename().string());
    }
    for (const CategoryList* list : listsOf(source)) {
      if (!list->exportFolder.empty()) expected.insert(std::string(list->exportFolder));
    }
    EXPECT_EQ(made, expected);
  }
}

}  // namespace
}  // namespace orvane
