// Deleted Safari bookmarks.

#include <cstdio>
#include <string_view>

#include "carving/carved_table.h"
#include "carving/carver_run.h"
#include "core/event_names.h"
#include "ios/backup_file_name.h"

namespace orvane::carving {

namespace {

using namespace std::string_view_literals;

// num_children, editable, deletable, order_index: one-byte integers in the
// legacy file format the bookmarks file keeps; an order_index above 127
// takes two bytes, above 32767 three.
const std::vector<Anchor> kBookmarkAnchors = {{"\x01\x01\x01\x01"sv, "num_children"},
                                              {"\x01\x01\x01\x02"sv, "num_children"},
                                              {"\x01\x01\x01\x03"sv, "num_children"}};

constexpr std::int64_t kFolderType = 1;

}  // namespace

void scanDelBookMarkThread(CarverRun& run) {
  auto copy = run.privateCopy({backup_names::kBookmarks, backup_names::kBookmarksSecond});
  if (!copy) {
    std::fprintf(stderr, "bookMarkDB is not exist\n");
    return;
  }
  const TableLayout bookmarks = layoutOf(*copy, "bookmarks");
  SeenRows seen;
  TableSearch search{&bookmarks, kBookmarkAnchors, {}};
  search.plausible = [](const CarvedRow& row) { return row.text("title") || row.text("url"); };
  const bool going =
      carveTables(*copy,
                  {{search,
                    [&](CarvedRow row) {
                      if (!seen.firstTime(row)) return;
                      auto bookmark = std::make_shared<PRBookMarkNode>();
                      bookmark->bookMarkTitle = row.text("title").value_or("");
                      bookmark->bookMarkURL = row.text("url").value_or("");
                      // the folders of the bookmark tree, not bookmarks
                      if (bookmark->bookMarkTitle == "Root" ||
                          bookmark->bookMarkTitle == "com.apple.ReadingList") {
                        return;
                      }
                      if (row.decimal("type") == kFolderType && bookmark->bookMarkURL.empty())
                        return;
                      run.post(events::scanDelBookMarkInfo, std::move(bookmark));
                    }}},
                  run.ctx());
  if (going) run.progress(95);
}

}  // namespace orvane::carving
