// Archives found on a card are kept: their page lists them, ticks and
// select-all act there, and they belong to the card's exported categories.

#include <gtest/gtest.h>

#include "core/event_names.h"
#include "core/scan_list_node.h"
#include "results/category_traits.h"
#include "results_test_support.h"

namespace orvane {
namespace {

using testing::ResultsBench;

TEST(ArchivePage, FoundArchivesAreListedTickedAndExported) {
  ResultsBench bench;
  bench.results.showView(BrowseSource::memoryCard);
  for (const char* name : {"a.zip", "b.7z", "c.gz"}) {
    auto file = std::make_shared<PRScanListNode>();
    file->nodeName = name;
    file->fileType = "Archive";
    bench.post(events::BlackBerryRawRecoveryFileInfo, file);
  }
  EXPECT_EQ(bench.results.count(ResultList::bbArchiveArray), 3u);
  EXPECT_EQ(bench.results.count(ResultList::bbDocumentArray), 0u);

  bench.results.selectCategory(ResultTable::bbArchive);
  EXPECT_EQ(bench.results.currentTableView(), ResultTable::bbArchive);
  ASSERT_EQ(bench.results.displayList(ResultTable::bbArchive).size(), 3u);
  bench.results.setTickForRows({1}, true);
  EXPECT_EQ(bench.results.selectedFilesNum(), 1);
  bench.results.ClickSelectAll(true);
  EXPECT_EQ(bench.results.selectedFilesNum(), 3);
  EXPECT_TRUE(bench.results.selectAllFlag(ResultTable::bbArchive));
  bench.results.ClickSelectAll(false);
  EXPECT_EQ(bench.results.selectedFilesNum(), 0);

  const auto cardPages = PRResultViewController::categoriesOf(BrowseSource::memoryCard);
  EXPECT_EQ(cardPages.back(), ResultTable::bbArchive);
  EXPECT_EQ(categoryList(ResultList::bbArchiveArray).exportFolder, "Archive");
}

}  // namespace
}  // namespace orvane
