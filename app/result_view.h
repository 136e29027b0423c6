#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <optional>

#include "results/category_traits.h"
#include "results/result_view_controller.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace orvane {

class PRRawScan;
class PreviewPane;
class RecordTableModel;
class RecordTableView;
class RecoverySheet;
class UserPrompts;

// The results screen: the progress page while a scan runs, then one page
// per category with its table and preview, the ticks and Recover. It shows
// the headless results model and leaves every decision to it.
class ResultView : public QWidget, public ResultViewObserver {
  Q_OBJECT

 public:
  ResultView(PRResultViewController& results, CorvelAppDelegate& app, UserPrompts& prompts,
             QWidget* parent = nullptr);
  ~ResultView() override;

  // A scan of `source` starts: the progress page, everything else disabled.
  void showView(BrowseSource source);
  bool browsing() const { return browsing_; }
  BrowseSource source() const { return source_; }

  // The memory-card scan whose outcome the screen reports.
  void setRawScan(const PRRawScan* rawScan);
  // Stop: the engine stops and the screen shows what was found so far.
  void CilckStop();

  // The category buttons' action.
  void selectCategory(ResultTable table);
  std::optional<ResultTable> shownTable() const { return shownTable_; }
  // Home: asks, and on " Back " empties everything.
  void actHome();

  RecordTableView* tableView(ResultTable table) const;
  RecordTableModel* tableModel(ResultTable table) const;
  PreviewPane* previewPane(ResultTable table) const;
  QToolButton* categoryButton(ResultTable table) const;
  QCheckBox* selectAllBox() const { return selectAllBox_; }
  QCheckBox* deletedOnlyBox() const { return deletedOnlyBox_; }
  QLabel* tickCountLabel() const { return tickCountLabel_; }
  QPushButton* recoverButton() const { return recoverButton_; }
  QPushButton* homeButton() const { return homeButton_; }
  QPushButton* feedbackButton() const { return feedbackButton_; }
  QPushButton* stopButton() const { return stopButton_; }
  QWidget* progressPage() const { return progressPage_; }
  QLabel* percentLabel() const { return percentLabel_; }
  QLabel* partialLabel() const { return partialLabel_; }
  // The texts of the progress page's counts, in reading order.
  QStringList countLabelTexts() const;
  RecoverySheet* recoverySheet() const { return recoverySheet_; }

  // ResultViewObserver
  void progressChanged(int percent, const std::vector<std::string>& countLabels) override;
  void listGrew(ResultList list) override;
  void scanFinished() override;
  void tickCountChanged(std::int32_t selectedFilesNum) override;
  void displayListChanged(ResultTable table) override;

 signals:
  void homeRequested();
  void feedbackRequested();
  // The scan started has read something or ended with results.
  void scanUnderway();
  // The scan started could not read its source; nothing is kept.
  void openFailed(const QString& message);

 private:
  QWidget* makeHeader();
  QWidget* makeCategoryBar();
  QWidget* makeProgressPage();
  QWidget* makeCategoryPage(const CategoryTraits& category);
  QWidget* makeBottomBar();
  // The timer's look at the running scan: progress, counts, the open table.
  void refreshRunningScan();
  void showProgress();
  // The count texts of the progress page for the source being scanned.
  std::vector<QString> countTexts() const;
  void makeCountLabels();
  void showTickCount(std::int32_t selectedFilesNum);
  void setButtonImages(std::optional<ResultTable> selected);
  void refreshGrowingTable();
  void showScanProblem();
  // What the table says while it has no rows.
  void showEmptyText(ResultTable table);
  // The arrow on the column a header click sorted by.
  void showSortArrow(ResultTable table, const QString& columnIdentifier);
  // The category a finished scan opens.
  ResultTable firstCategoryToShow() const;
  // Empties what a scan that could not read its source left and says why.
  void dropUnreadableScan(const QString& message);
  void placeCategoryButtons();
  void showCardCounts();

  PRResultViewController& results_;
  CorvelAppDelegate& app_;
  UserPrompts& prompts_;
  const PRRawScan* rawScan_ = nullptr;
  BrowseSource source_ = BrowseSource::blackBerry;
  bool browsing_ = false;
  // Stop was pressed: the scan's own end that follows reports nothing
  bool stopped_ = false;
  std::optional<ResultTable> shownTable_;
  // the direction of the last sort of each kind (by SortKey)
  std::array<bool, 4> sortAscending_{};

  QLabel* subtitleLabel_ = nullptr;
  QWidget* categoryBar_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* progressPage_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QLabel* percentLabel_ = nullptr;
  QLabel* scanInfoLabel_ = nullptr;
  std::vector<QLabel*> countLabels_;
  QWidget* countsBox_ = nullptr;
  QLabel* deletedHeading_ = nullptr;
  QLabel* partialLabel_ = nullptr;
  QLabel* cardCountLabel_ = nullptr;
  std::array<QToolButton*, kResultTableCount> buttons_{};
  std::array<QWidget*, kResultTableCount> categoryPages_{};
  std::array<RecordTableModel*, kResultTableCount> models_{};
  std::array<RecordTableView*, kResultTableCount> views_{};
  std::array<PreviewPane*, kResultTableCount> previews_{};
  QCheckBox* selectAllBox_ = nullptr;
  QCheckBox* deletedOnlyBox_ = nullptr;
  QLabel* tickCountLabel_ = nullptr;
  QPushButton* recoverButton_ = nullptr;
  QPushButton* homeButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QPushButton* feedbackButton_ = nullptr;
  RecoverySheet* recoverySheet_ = nullptr;

  // lists appended on the scanning thread since the last look
  std::atomic<std::uint32_t> grownLists_{0};
  // the highest percentage the scan reported, and the one shown: the page
  // is redrawn by a timer, never by the scan's events
  std::atomic<int> reportedPercent_{0};
  int shownPercent_ = 0;
  int ticks_ = 0;
  QTimer growthTimer_;
};

}  // namespace orvane
