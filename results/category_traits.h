#pragma once

// What each category of the results is: its page (button, icons, preview,
// sorting) and, per source, the list that fills the page with the columns
// of its table, its deleted mark and its export folder. The desktop app,
// the command line and the export read these tables; nothing else decides
// what a category offers.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"
#include "results/result_lists.h"

namespace orvane {

// What the pane beside a table shows of the selected record.
enum class PreviewKind {
  none,
  media,      // a picture or a movie held in the backup
  contact,    // the contact's fields, portrait and note
  message,    // sender, type and the text
  note,       // title, date and the text
  call,       // name, number, type, duration, date
  bookmark,   // title and address
  appMedia,   // a social app's file, with a button that opens it
  cardImage,  // a picture found on a memory card, read through the engine
  calendar,   // the event's title, place, times and note
  mms,        // sender, the attachment (its picture when it is one) and the text
};

// What a click on a column header sorts a table by.
enum class SortKey { none, name, size, date };

// A header click sorts by `onName` for the "Name" column, `onSize` for
// "Size" and `onOther` for any other (the tick column never sorts).
struct HeaderSort {
  SortKey onName = SortKey::none;
  SortKey onSize = SortKey::none;
  SortKey onOther = SortKey::none;
};

// The text a table shows in a cell for a record; empty for records of
// another class.
using CellText = std::string (*)(const PRRecord&);

struct ColumnTraits {
  std::string_view title;  // also the identifier a header click hands to the model
  int width;
  CellText text;
};

// The records one source shows on a category page.
struct CategoryList {
  BrowseSource source;
  ResultList list;
  ResultTable table;
  std::string_view recordClass;  // PRRecord::className() of its records
  std::span<const ColumnTraits> columns;
  // Records carved from free space: drawn in the deleted colour and
  // filtered by the "Only dispaly deleted files" box.
  bool deletedBox;
  std::string_view exportFolder;  // empty: the category is not exported
  std::string_view reportType;    // the text report's type; empty: no report
  std::string_view summaryName;   // the name in the command line's summary
};

// A category page of the results screen.
struct CategoryTraits {
  ResultTable table;
  std::string_view name;        // the button's title
  std::string_view buttonName;  // the button's object name
  std::string_view normalIcon;
  std::string_view selectedIcon;
  PreviewKind preview;
  bool severalRows;  // several rows may be selected and ticked with one click
  HeaderSort sort;
};

// Every page, in the order of the buttons on the bar.
std::span<const CategoryTraits> categoryPages();
const CategoryTraits& categoryTraits(ResultTable table);

// Every list with its page, grouped by source; within a source in the
// order of the command line's summary.
std::span<const CategoryList> categoryLists();
const CategoryList& categoryList(ResultList list);

// The list behind a page while `source` is browsed: the source's own, else
// the first list of that page (a page of another source shows its own list,
// which stays empty).
const CategoryList& categoryList(ResultTable table, BrowseSource source);

// The lists a source fills and shows on its buttons, in summary order.
std::vector<const CategoryList*> listsOf(BrowseSource source);

// Trims leading and trailing white space as the desktop's text class does:
// ASCII blanks and controls 9 to 13, U+0085, and the Unicode space, line
// and paragraph separators.
std::string_view trimSpace(std::string_view text);

}  // namespace orvane
