#include "results/category_traits.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/blackberry_records.h"
#include "core/ios_records.h"
#include "core/scan_list_node.h"
#include "results/result_view_controller.h"

namespace orvane {
namespace {

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
      {"\xC2\xA0x\xE3\x80\x80", "x"},      // no-break and ideographic spaces
      {"\xE2\x80\x8Bx", "\xE2\x80\x8Bx"},  // a zero-width space is no blank
      {"\xC0\xA0x\xA0", "\xC0\xA0x\xA0"},  // an over-long blank and a stray byte
      {"   ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(trimSpace(c.text), c.trimmed) << c.text;
}

}  // namespace
}  // namespace orvane
