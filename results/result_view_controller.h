#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_delegate.h"
#include "core/notification_center.h"
#include "core/record.h"
#include "results/result_lists.h"

namespace orvane {

// Found and deleted counts per category, as the progress page shows them.
struct ScanCounters {
  std::int32_t BackUpFilesNum = 0;
  std::int32_t deleteeFilesNum = 0;
  std::int32_t photovideoNum = 0, delPhotovideoNum = 0;
  std::int32_t contactNum = 0, delContactNum = 0;
  std::int32_t messageNum = 0, delMessageNum = 0;
  std::int32_t noteNum = 0, delNoteNum = 0;
  std::int32_t callNum = 0, delCallNum = 0;
  std::int32_t bookMarkNum = 0, delBookMarkNum = 0;
  std::int32_t calenderNum = 0, delCalenderNum = 0;
  std::int32_t facetwitterNum = 0, delfacetwitterNum = 0;
  std::uint64_t imagecount = 0;
  std::uint64_t movCount = 0;

  bool operator==(const ScanCounters&) const = default;
};

// What the desktop shell shows of the model; all calls default to nothing.
// Scan events arrive on the scanning thread: progressChanged and listGrew
// are called there, and a window must hand them to its own thread. The
// others come on the thread that called into the model (the end of a scan
// comes through the main-thread dispatcher).
class ResultViewObserver {
 public:
  virtual ~ResultViewObserver() = default;
  // a progress event: percent 0 to 100 and the count label texts
  virtual void progressChanged(int /*percent*/, const std::vector<std::string>& /*countLabels*/) {}
  // rows were appended to a list
  virtual void listGrew(ResultList /*list*/) {}
  virtual void scanFinished() {}
  virtual void tickCountChanged(std::int32_t /*selectedFilesNum*/) {}
  virtual void displayListChanged(ResultTable /*table*/) {}
};

// The headless model behind the results screen: the twenty lists filled by
// scan events, counters, per-table display lists, ticks, select-all and
// sorting. Lists grow on the scanning thread under the model's mutex and in
// posting order; readers take snapshots.
class PRResultViewController : public ScanEndListener {
 public:
  explicit PRResultViewController(CorvelAppDelegate& app);
  ~PRResultViewController() override;
  PRResultViewController(const PRResultViewController&) = delete;
  PRResultViewController& operator=(const PRResultViewController&) = delete;

  void setObserver(ResultViewObserver* observer) { observer_ = observer; }

  // --- lists ---
  std::vector<RecordPtr> snapshot(ResultList list) const;
  template <class T>
  std::vector<std::shared_ptr<T>> snapshotAs(ResultList list) const {
    std::vector<std::shared_ptr<T>> typed;
    for (const auto& record : snapshot(list)) {
      if (auto t = std::dynamic_pointer_cast<T>(record)) typed.push_back(std::move(t));
    }
    return typed;
  }
  std::size_t count(ResultList list) const;
  // Every record of every list in posting order (the order of arrival).
  std::vector<RecordPtr> allRecordsInPostingOrder() const;
  ScanCounters counters() const;

  // --- screen state ---
  // A scan starts: mode from the controller's raw-scan flag; counters,
  // ticks count and select-all flags of the backup categories cleared.
  void showView(BrowseSource source);
  BrowseSource browseSource() const { return source_; }
  int progressPercent() const { return progressPercent_; }

  // The list a table shows for the source being browsed.
  static ResultList sourceListFor(ResultTable table, BrowseSource source);
  // The category pages whose records a source can export, in the order of
  // their buttons.
  static std::vector<ResultTable> categoriesOf(BrowseSource source);
  // Whether a record was carved from free space (only device-backup records
  // can be).
  static bool isDeletedRecord(const PRRecord& record);

  // --- category selection, display lists ---
  // Makes `table` current and refills its display list from its source list.
  void selectCategory(ResultTable table);
  std::optional<ResultTable> currentTableView() const { return currentTable_; }
  std::vector<RecordPtr> displayList(ResultTable table) const;
  // The deleted-only box for the current table.
  void actCheck(bool onlyDeleted);

  // --- ticks ---
  // A tick clicked with `selectedRows` selected in the current table.
  void setTickForRows(const std::vector<std::size_t>& selectedRows, bool ticked);
  // The select-all box of the current table.
  void ClickSelectAll(bool on);
  bool selectAllFlag(ResultTable table) const;
  // Ticks every record of every category of the current mode, as the
  // select-all box would in each category; answers how many are ticked.
  std::int32_t selectAllCategories();
  std::int32_t selectedFilesNum() const { return selectedFilesNum_; }
  std::atomic<std::int32_t> recovredFilesNum{0};

  // --- sorting ---
  // A click on a column header of `table` ("bSelected", "Name", "Size", ...).
  void didClickTableColumn(ResultTable table, std::string_view columnIdentifier);

  // Size text ("12.50M") to a byte count.
  static std::uint64_t sizeFormString(std::string_view sizeText);

  // --- end of scan and clean-up ---
  void ScanThreadFinish() override;
  void ScanFinishOnMainThread();
  void releaseUIMemory();

  // The deleted-record colour (red 217, green 81, blue 30).
  static constexpr std::array<int, 3> kDeletedColour{217, 81, 30};

 private:
  struct Lists;
  void subscribe();
  void append(ResultList list, RecordPtr record);
  void handleDeleted(const char* eventName, ResultList list, const RecordPtr& record);
  void handleMediaPath(const std::string& path);
  void handleRawFile(const RecordPtr& record);
  void handleProgress(std::int64_t percent);
  void changeTick(PRRecord& record, bool ticked);
  void refreshTickCount();

  CorvelAppDelegate& app_;
  ResultViewObserver* observer_ = nullptr;
  std::vector<NotificationCenter::Token> tokens_;

  mutable std::mutex mutex_;
  std::unique_ptr<Lists> lists_;
  ScanCounters counters_;
  // What the progress page was last told, so that the same number and
  // counts are not sent again; touched only by the scanning thread and by
  // showView before a scan starts.
  struct ShownProgress {
    std::int64_t percent;
    ScanCounters counters;
  };
  std::optional<ShownProgress> lastShownProgress_;

  BrowseSource source_ = BrowseSource::blackBerry;
  std::optional<ResultTable> currentTable_;
  std::array<bool, kResultTableCount> selectAllFlags_{};
  std::atomic<int> progressPercent_{0};
  std::atomic<std::int32_t> selectedFilesNum_{0};
};

}  // namespace orvane
