// Category pages, display lists, ticks and select-all of the results model.

#include <algorithm>

#include "core/ios_records.h"
#include "results/category_traits.h"
#include "results/result_model_state.h"
#include "results/result_view_controller.h"

namespace orvane {

namespace {

std::size_t index(ResultTable table) { return static_cast<std::size_t>(table); }

}  // namespace

bool PRResultViewController::isDeletedRecord(const PRRecord& record) {
  if (const auto* r = dynamic_cast<const PRContactNode*>(&record)) return r->bDeleted == 1;
  if (const auto* r = dynamic_cast<const PRMessageNode*>(&record)) return r->bDeleted == 1;
  if (const auto* r = dynamic_cast<const PRNoteNode*>(&record)) return r->bDeleted == 1;
  if (const auto* r = dynamic_cast<const PRCallHistoryNode*>(&record)) return r->bDeleted == 1;
  if (const auto* r = dynamic_cast<const PRBookMarkNode*>(&record)) return r->bDeleted == 1;
  if (const auto* r = dynamic_cast<const PRCalenderNode*>(&record)) return r->bDeleted == 1;
  return false;
}

std::vector<ResultTable> PRResultViewController::categoriesOf(BrowseSource source) {
  std::vector<ResultTable> tables;
  for (const CategoryList* list : listsOf(source)) {
    if (!list->exportFolder.empty()) tables.push_back(list->table);
  }
  return tables;
}

ResultList PRResultViewController::sourceListFor(ResultTable table, BrowseSource source) {
  return categoryList(table, source).list;
}

void PRResultViewController::selectCategory(ResultTable table) {
  {
    std::lock_guard lock(mutex_);
    currentTable_ = table;
    lists_->shown(table) = lists_->of(sourceListFor(table, source_));
  }
  if (observer_ != nullptr) observer_->displayListChanged(table);
}

std::vector<RecordPtr> PRResultViewController::displayList(ResultTable table) const {
  std::lock_guard lock(mutex_);
  return lists_->display[index(table)];
}

void PRResultViewController::actCheck(bool onlyDeleted) {
  std::optional<ResultTable> table;
  {
    std::lock_guard lock(mutex_);
    table = currentTable_;
    if (!table) return;
    const CategoryList& category = categoryList(*table, source_);
    if (!category.deletedBox) return;
    const auto& source = lists_->of(category.list);
    auto& shown = lists_->shown(*table);
    shown.clear();
    for (const auto& record : source) {
      if (!onlyDeleted || isDeletedRecord(*record)) shown.push_back(record);
    }
  }
  if (observer_ != nullptr) observer_->displayListChanged(*table);
}

void PRResultViewController::changeTick(PRRecord& record, bool ticked) {
  const std::uint8_t wanted = ticked ? 1 : 0;
  if (record.bSelected == wanted) return;
  record.bSelected = wanted;
  selectedFilesNum_ += ticked ? 1 : -1;
}

void PRResultViewController::setTickForRows(const std::vector<std::size_t>& selectedRows,
                                            bool ticked) {
  {
    std::lock_guard lock(mutex_);
    if (!currentTable_) return;
    auto& shown = lists_->shown(*currentTable_);
    for (const std::size_t row : selectedRows) {
      if (row < shown.size()) changeTick(*shown[row], ticked);
    }
  }
  refreshTickCount();
}

void PRResultViewController::ClickSelectAll(bool on) {
  std::optional<ResultTable> table;
  {
    std::lock_guard lock(mutex_);
    table = currentTable_;
    if (!table) return;
    for (const auto& record : lists_->shown(*table)) changeTick(*record, on);
    selectAllFlags_[index(*table)] = on;
  }
  refreshTickCount();
  if (observer_ != nullptr) observer_->displayListChanged(*table);
}

bool PRResultViewController::selectAllFlag(ResultTable table) const {
  std::lock_guard lock(mutex_);
  return selectAllFlags_[index(table)];
}

std::int32_t PRResultViewController::selectAllCategories() {
  const std::optional<ResultTable> previous = currentTable_;
  for (ResultTable table : categoriesOf(source_)) {
    selectCategory(table);
    ClickSelectAll(true);
  }
  if (previous) selectCategory(*previous);
  return selectedFilesNum_;
}

void PRResultViewController::refreshTickCount() {
  if (observer_ != nullptr) observer_->tickCountChanged(selectedFilesNum_);
}

}  // namespace orvane
