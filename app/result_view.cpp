#include "app/result_view.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/preview_pane.h"
#include "app/record_table_model.h"
#include "app/record_table_view.h"
#include "app/recovery_sheet.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "rawscan/found_file_preview.h"
#include "rawscan/raw_scan.h"

namespace orvane {

namespace {

constexpr QSize kButtonSize{91, 70};
// The running scan is looked at 30 times a second, whatever it reports.
constexpr int kRefreshMs = 33;
// The table open during a scan is refilled every tenth look.
constexpr int kTableRefreshTicks = 10;
constexpr int kWideButtonWidth = 110;
constexpr QSize kButtonImage{34, 34};
// Titles longer than this get the wide button.
constexpr std::size_t kLongestNormalTitle = 12;

std::size_t at(ResultTable table) { return static_cast<std::size_t>(table); }

// The category buttons of each source: those of the lists it fills.
std::vector<ResultTable> buttonsOf(BrowseSource source) {
  std::vector<ResultTable> buttons;
  for (const CategoryList* list : listsOf(source)) buttons.push_back(list->table);
  return buttons;
}

// Carved records exist only in device backups; there the box filters.
bool offersDeletedOnly(ResultTable table, BrowseSource source) {
  const CategoryList& list = categoryList(table, source);
  return list.source == source && list.deletedBox;
}

QIcon buttonImage(std::string_view name) {
  return ui::artworkIcon(ui::recordText(name), kButtonImage);
}

// What a category's records are called where the table says it has none.
const char* recordsCalled(ResultTable table) {
  switch (table) {
    case ResultTable::photo:
      return "photos or videos";
    case ResultTable::contact:
      return "contacts";
    case ResultTable::message:
      return "messages";
    case ResultTable::note:
      return "notes";
    case ResultTable::callHistory:
      return "calls";
    case ResultTable::calender:
      return "calendar entries";
    case ResultTable::mms:
      return "MMS messages";
    case ResultTable::bookMark:
      return "bookmarks";
    case ResultTable::faceTwitter:
      return "app media files";
    case ResultTable::bbImage:
      return "pictures";
    case ResultTable::bbVideo:
      return "videos";
    case ResultTable::bbAudio:
      return "audio files";
    case ResultTable::bbDocument:
      return "documents";
    case ResultTable::bbArchive:
      return "archives";
  }
  return "records";
}

bool onGuiThread(const QObject* object) { return QThread::currentThread() == object->thread(); }

QString buttonTitle(std::string_view title) {
  // a lone "&" would be taken for a shortcut mark
  return ui::text(std::string(title).c_str()).replace("&", "&&");
}

}  // namespace

ResultView::ResultView(PRResultViewController& results, CorvelAppDelegate& app,
                       UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), results_(results), app_(app), prompts_(prompts) {
  setObjectName("ResulutView");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 10);
  layout->setSpacing(6);
  layout->addWidget(makeHeader());
  layout->addWidget(makeCategoryBar());
  pages_ = new QStackedWidget(this);
  pages_->addWidget(makeProgressPage());
  for (const CategoryTraits& category : categoryPages()) {
    categoryPages_[at(category.table)] = makeCategoryPage(category);
    pages_->addWidget(categoryPages_[at(category.table)]);
  }
  layout->addWidget(pages_, 1);
  layout->addWidget(makeBottomBar());

  recoverySheet_ = new RecoverySheet(results_, app_, prompts_, this);
  connect(recoverButton_, &QPushButton::clicked, recoverySheet_, &RecoverySheet::actRecovery);

  growthTimer_.setInterval(kRefreshMs);
  connect(&growthTimer_, &QTimer::timeout, this, &ResultView::refreshRunningScan);
  results_.setObserver(this);
}

ResultView::~ResultView() { results_.setObserver(nullptr); }

QWidget* ResultView::makeHeader() {
  auto* header = new QWidget(this);
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(0, 0, 0, 0);
  auto* logo = new QLabel(header);
  logo->setPixmap(ui::artwork("orvane", {36, 36}));
  row->addWidget(logo);
  auto* title = new QLabel(ui::text("Orvane"), header);
  title->setFont(ui::font(22, true));
  title->setStyleSheet(QStringLiteral("color: %1").arg(ui::inkColour().name()));
  row->addWidget(title);
  subtitleLabel_ = new QLabel(header);
  subtitleLabel_->setObjectName("subtitleLabel");
  subtitleLabel_->setFont(ui::font(16));
  row->addWidget(subtitleLabel_, 0, Qt::AlignBottom);
  partialLabel_ = new QLabel(ui::text("Stopped: the results are partial."), header);
  partialLabel_->setObjectName("partialLabel");
  partialLabel_->setFont(ui::font(12));
  partialLabel_->setStyleSheet(QStringLiteral("color: %1").arg(ui::deletedColour().name()));
  partialLabel_->hide();
  row->addSpacing(12);
  row->addWidget(partialLabel_, 0, Qt::AlignBottom);
  row->addStretch(1);
  stopButton_ = new QPushButton(ui::text("Stop"), header);
  stopButton_->setObjectName("stopButton");
  row->addWidget(stopButton_);
  homeButton_ = new QPushButton(ui::text("Home"), header);
  homeButton_->setObjectName("homeButton");
  row->addWidget(homeButton_);
  connect(homeButton_, &QPushButton::clicked, this, &ResultView::actHome);
  connect(stopButton_, &QPushButton::clicked, this, &ResultView::CilckStop);
  return header;
}

void ResultView::setRawScan(const PRRawScan* rawScan) {
  rawScan_ = rawScan;
  recoverySheet_->setRawScan(rawScan);
}

void ResultView::CilckStop() {
  stopped_ = true;
  partialLabel_->show();
  app_.requestStop();
  if (rawScan_ != nullptr) rawScan_->stop();
  // the screen browses at once; the scan thread ends on its own a moment later
  results_.ScanThreadFinish();
}

QWidget* ResultView::makeCategoryBar() {
  auto* bar = new QWidget(this);
  categoryBar_ = bar;
  bar->setObjectName("categoryBar");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  for (const CategoryTraits& category : categoryPages()) {
    auto* button = new QToolButton(bar);
    button->setObjectName(ui::recordText(category.buttonName));
    button->setText(buttonTitle(category.name));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(kButtonImage);
    button->setIcon(buttonImage(category.normalIcon));
    // a long title gets a wider button and a point less, so that it is
    // read whole also in bold when selected
    const bool longTitle = category.name.size() > kLongestNormalTitle;
    button->setFixedSize(longTitle ? QSize(kWideButtonWidth, kButtonSize.height()) : kButtonSize);
    button->setAutoRaise(true);
    button->setFont(ui::font(longTitle ? 11 : 12));
    button->hide();
    connect(button, &QToolButton::clicked, this,
            [this, table = category.table] { selectCategory(table); });
    buttons_[at(category.table)] = button;
    row->addWidget(button);
  }
  row->addStretch(1);
  return bar;
}

QWidget* ResultView::makeProgressPage() {
  progressPage_ = new QWidget(this);
  progressPage_->setObjectName("progressPage");
  auto* layout = new QVBoxLayout(progressPage_);
  layout->addStretch(1);
  scanInfoLabel_ = new QLabel(ui::text("Scanning, please wait..."), progressPage_);
  scanInfoLabel_->setFont(ui::font(15, true));
  layout->addWidget(scanInfoLabel_, 0, Qt::AlignHCenter);
  auto* barRow = new QHBoxLayout();
  progressBar_ = new QProgressBar(progressPage_);
  progressBar_->setRange(0, 100);
  progressBar_->setTextVisible(false);
  progressBar_->setFixedWidth(460);
  barRow->addStretch(1);
  barRow->addWidget(progressBar_);
  percentLabel_ = new QLabel("1%", progressPage_);
  percentLabel_->setObjectName("percentLabel");
  percentLabel_->setFont(ui::font(13));
  percentLabel_->setMinimumWidth(44);
  barRow->addWidget(percentLabel_);
  barRow->addStretch(1);
  layout->addLayout(barRow);
  layout->addSpacing(18);

  countsBox_ = new QWidget(progressPage_);
  auto* grid = new QGridLayout(countsBox_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(60);
  grid->setVerticalSpacing(8);
  auto* found = new QLabel(ui::text("Found"), countsBox_);
  deletedHeading_ = new QLabel(ui::text("Deleted"), countsBox_);
  for (QLabel* heading : {found, deletedHeading_}) heading->setFont(ui::font(13, true));
  grid->addWidget(found, 0, 0);
  grid->addWidget(deletedHeading_, 0, 1);
  auto* gridRow = new QHBoxLayout();
  gridRow->addStretch(1);
  gridRow->addWidget(countsBox_);
  gridRow->addStretch(1);
  layout->addLayout(gridRow);
  // a card has files, not the categories of a backup
  cardCountLabel_ = new QLabel(progressPage_);
  cardCountLabel_->setObjectName("cardCountLabel");
  cardCountLabel_->setFont(ui::font(13));
  layout->addWidget(cardCountLabel_, 0, Qt::AlignHCenter);
  layout->addStretch(2);
  return progressPage_;
}

QWidget* ResultView::makeCategoryPage(const CategoryTraits& category) {
  const ResultTable table = category.table;
  auto* page = new QWidget(this);
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  auto* model = new RecordTableModel(results_, table, this);
  auto* view = new RecordTableView(model, category.severalRows, page);
  models_[at(table)] = model;
  views_[at(table)] = view;
  row->addWidget(view, 3);
  if (category.preview != PreviewKind::none) {
    auto* preview = new PreviewPane(category.preview, prompts_, page);
    // the least width at the least window; a wider window widens it too
    preview->setMinimumWidth(262);
    previews_[at(table)] = preview;
    if (category.preview == PreviewKind::cardImage) {
      preview->setFoundFileReader(
          [this](const PRScanListNode& node) -> std::optional<std::vector<std::byte>> {
            if (rawScan_ == nullptr) return std::nullopt;
            return readFoundFileBytes(rawScan_->engine(), rawScan_->scannedDisk(), node);
          });
    }
    row->addWidget(preview, 1);
    connect(view, &RecordTableView::currentRecordChanged, preview, [view, preview](int row_) {
      // with nothing selected the pane keeps what it shows
      if (const RecordPtr record = view->recordModel()->recordAt(row_)) {
        preview->showRecord(*record);
      }
    });
  }
  connect(view, &RecordTableView::columnHeaderClicked, this, [this, table](const QString& id) {
    results_.didClickTableColumn(table, id.toStdString());
    showSortArrow(table, id);
  });
  // a refilled or reordered list starts again at its first row
  connect(model, &QAbstractItemModel::modelReset, this, [this, table, view, model] {
    view->selectFirstRow();
    if (PreviewPane* preview = previews_[at(table)])
      preview->setContentVisible(model->rowCount() > 0);
  });
  return page;
}

QWidget* ResultView::makeBottomBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  selectAllBox_ = new QCheckBox(ui::text("Select All"), bar);
  selectAllBox_->setObjectName("selectAllBox");
  selectAllBox_->setFont(ui::font(12));
  row->addWidget(selectAllBox_);
  deletedOnlyBox_ = new QCheckBox(ui::text("Only dispaly deleted files"), bar);
  deletedOnlyBox_->setObjectName("deletedOnlyBox");
  deletedOnlyBox_->setFont(ui::font(12));
  deletedOnlyBox_->setStyleSheet(
      QStringLiteral("QCheckBox { color: %1; }").arg(ui::deletedColour().name()));
  row->addWidget(deletedOnlyBox_);
  tickCountLabel_ = new QLabel(bar);
  tickCountLabel_->setObjectName("tickCountLabel");
  tickCountLabel_->setFont(ui::font(12));
  row->addWidget(tickCountLabel_);
  row->addStretch(1);
  feedbackButton_ = new QPushButton(ui::text("Feedback"), bar);
  feedbackButton_->setObjectName("feedbackButton");
  row->addWidget(feedbackButton_);
  recoverButton_ = new QPushButton(ui::text("Recover"), bar);
  recoverButton_->setObjectName("recoverButton");
  recoverButton_->setFont(ui::font(13, true));
  recoverButton_->setMinimumWidth(110);
  row->addWidget(recoverButton_);

  connect(selectAllBox_, &QCheckBox::clicked, this,
          [this](bool on) { results_.ClickSelectAll(on); });
  connect(deletedOnlyBox_, &QCheckBox::clicked, this, [this](bool on) {
    results_.actCheck(on);
    if (shownTable_) showEmptyText(*shownTable_);
  });
  connect(feedbackButton_, &QPushButton::clicked, this, &ResultView::feedbackRequested);
  return bar;
}

RecordTableView* ResultView::tableView(ResultTable table) const { return views_[at(table)]; }
RecordTableModel* ResultView::tableModel(ResultTable table) const { return models_[at(table)]; }
PreviewPane* ResultView::previewPane(ResultTable table) const { return previews_[at(table)]; }
QToolButton* ResultView::categoryButton(ResultTable table) const { return buttons_[at(table)]; }

void ResultView::showView(BrowseSource source) {
  source_ = source;
  browsing_ = false;
  shownTable_.reset();
  grownLists_ = 0;
  switch (source) {
    case BrowseSource::blackBerry:
      subtitleLabel_->setText(ui::text("- Backup File Recovery"));
      break;
    case BrowseSource::ios:
      subtitleLabel_->setText(ui::text("- Device Backup Recovery"));
      break;
    case BrowseSource::memoryCard:
      subtitleLabel_->setText(ui::text("- Memory Card Recovery"));
      break;
  }
  // every scan can be stopped; what it found so far is kept
  stopButton_->setVisible(true);
  partialLabel_->hide();
  for (QToolButton* button : buttons_) button->hide();
  for (ResultTable table : buttonsOf(source)) {
    QToolButton* button = buttons_[at(table)];
    button->show();
    // while a scan runs, only MMS and the card categories can be opened
    button->setEnabled(source == BrowseSource::memoryCard || table == ResultTable::mms);
  }
  placeCategoryButtons();
  setButtonImages(std::nullopt);
  stopped_ = false;
  for (RecordTableModel* model : models_) model->setSource(source);
  pages_->setCurrentWidget(progressPage_);
  reportedPercent_ = 1;
  shownPercent_ = 1;
  ticks_ = 0;
  progressBar_->setValue(1);
  progressBar_->show();
  percentLabel_->setText("1%");
  percentLabel_->show();
  scanInfoLabel_->show();
  makeCountLabels();
  countsBox_->setVisible(source != BrowseSource::memoryCard);
  cardCountLabel_->setVisible(source == BrowseSource::memoryCard);
  showCardCounts();
  deletedOnlyBox_->setChecked(false);
  deletedOnlyBox_->hide();
  selectAllBox_->setChecked(false);
  selectAllBox_->hide();
  tickCountLabel_->hide();
  recoverButton_->setEnabled(false);
  homeButton_->setEnabled(false);
  feedbackButton_->setEnabled(false);
  growthTimer_.start();
}

void ResultView::placeCategoryButtons() {
  // The row starts where the window's design puts its first button: the
  // five card categories sit further in than the backup categories.
  const int firstButtonX = source_ == BrowseSource::memoryCard ? 191 : 91;
  // the bar spans the screen inside its margin, and the screen the window
  const int inset = std::max(0, firstButtonX - layout()->contentsMargins().left());
  categoryBar_->layout()->setContentsMargins(inset, 0, 0, 0);
}

void ResultView::setButtonImages(std::optional<ResultTable> selected) {
  for (const CategoryTraits& category : categoryPages()) {
    QToolButton* button = buttons_[at(category.table)];
    const bool on = selected == category.table;
    button->setIcon(buttonImage(on ? category.selectedIcon : category.normalIcon));
    // keyboard focus is a thin outline, never the selected look
    const QString focus =
        QStringLiteral("QToolButton:focus { border: 1px dotted #7a8894; border-radius: 4px; }");
    button->setStyleSheet(on ? QStringLiteral("QToolButton { color: %1; font-weight: bold; }")
                                       .arg(ui::deletedColour().name()) +
                                   focus
                             : focus);
  }
}

void ResultView::selectCategory(ResultTable table) {
  const bool offered = offersDeletedOnly(table, source_);
  deletedOnlyBox_->setVisible(offered && browsing_);
  deletedOnlyBox_->setChecked(false);
  setButtonImages(table);
  shownTable_ = table;
  results_.selectCategory(table);
  // the list is refilled in its own order
  views_[at(table)]->horizontalHeader()->setSortIndicatorShown(false);
  pages_->setCurrentWidget(categoryPages_[at(table)]);
  RecordTableView* view = views_[at(table)];
  view->selectFirstRow();
  if (PreviewPane* preview = previews_[at(table)]) {
    preview->setContentVisible(models_[at(table)]->rowCount() > 0);
  }
  selectAllBox_->setChecked(results_.selectAllFlag(table));
  showEmptyText(table);
}

void ResultView::showSortArrow(ResultTable table, const QString& columnIdentifier) {
  // the model sorts one way, then the other, on each click on a column of
  // the same kind (name, size, other), in any table: the arrow follows it
  const HeaderSort& sort = categoryTraits(table).sort;
  const SortKey key = columnIdentifier == "bSelected" ? SortKey::none
                      : columnIdentifier == "Name"    ? sort.onName
                      : columnIdentifier == "Size"    ? sort.onSize
                                                      : sort.onOther;
  if (key == SortKey::none) return;
  bool& ascending = sortAscending_[static_cast<std::size_t>(key)];
  ascending = !ascending;
  RecordTableModel* model = models_[at(table)];
  for (int column = 0; column < model->columnCount(); ++column) {
    if (model->columnIdentifier(column) != columnIdentifier) continue;
    QHeaderView* header = views_[at(table)]->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  }
}

void ResultView::showEmptyText(ResultTable table) {
  const QString where =
      source_ == BrowseSource::memoryCard ? ui::text("on this card") : ui::text("in this backup");
  const QString what = ui::text(recordsCalled(table));
  views_[at(table)]->setEmptyText(deletedOnlyBox_->isChecked()
                                      ? ui::text("No deleted %1 were found %2.").arg(what, where)
                                      : ui::text("No %1 were found %2.").arg(what, where));
}

void ResultView::actHome() {
  if (!prompts_.confirm(window(),
                        ui::text("Are you sure you want to go back to Home? If Back, the "
                                 "scanning results will not be saved."),
                        ui::text(" Back "), ui::text("Cancel"))) {
    return;
  }
  if (rawScan_ != nullptr) rawScan_->stop();
  results_.releaseUIMemory();
  growthTimer_.stop();
  for (RecordTableModel* model : models_) model->reload();
  shownTable_.reset();
  browsing_ = false;
  emit homeRequested();
}

void ResultView::progressChanged(int percent, const std::vector<std::string>& /*countLabels*/) {
  // called on the scanning thread for each new number: it is only kept,
  // the page shows the highest on its next look
  int shown = reportedPercent_.load(std::memory_order_relaxed);
  while (percent > shown && !reportedPercent_.compare_exchange_weak(shown, percent)) {
  }
}

void ResultView::makeCountLabels() {
  for (QLabel* label : countLabels_) delete label;
  countLabels_.clear();
  auto* grid = static_cast<QGridLayout*>(countsBox_->layout());
  // device backups count found and deleted records side by side; a
  // BlackBerry backup has no deleted records, only its categories
  const bool deletedColumn = source_ == BrowseSource::ios;
  deletedHeading_->setVisible(deletedColumn);
  const std::size_t count = source_ == BrowseSource::memoryCard ? 0 : countTexts().size();
  for (std::size_t i = 0; i < count; ++i) {
    auto* label = new QLabel(countsBox_);
    label->setObjectName(QStringLiteral("countLabel%1").arg(i));
    label->setFont(ui::font(12));
    label->setMinimumWidth(150);
    const int column = deletedColumn ? static_cast<int>(i % 2) : 0;
    if (column == 1) {
      QPalette palette = label->palette();
      palette.setColor(QPalette::WindowText, ui::deletedColour());
      label->setPalette(palette);
    }
    const int row = static_cast<int>(deletedColumn ? i / 2 : i) + 1;
    grid->addWidget(label, row, column);
    countLabels_.push_back(label);
  }
  showProgress();
}

std::vector<QString> ResultView::countTexts() const {
  std::vector<QString> texts;
  if (source_ == BrowseSource::ios) {
    const ScanCounters c = results_.counters();
    const std::pair<const char*, std::array<std::int32_t, 2>> rows[] = {
        {"Photo&Video:  %1", {c.photovideoNum, 0}},
        {"Contacts:  %1", {c.contactNum, c.delContactNum}},
        {"Messages:  %1", {c.messageNum, c.delMessageNum}},
        {"Notes:  %1", {c.noteNum, c.delNoteNum}},
        {"Call History:  %1", {c.callNum, c.delCallNum}},
    };
    for (const auto& [title, counts] : rows) {
      for (std::int32_t count : counts) texts.push_back(ui::text(title).arg(count));
    }
  } else if (source_ == BrowseSource::blackBerry) {
    for (const CategoryList* list : listsOf(source_)) {
      texts.push_back(QStringLiteral("%1:  %2")
                          .arg(ui::text(std::string(list->summaryName).c_str()))
                          .arg(results_.count(list->list)));
    }
  }
  return texts;
}

QStringList ResultView::countLabelTexts() const {
  QStringList texts;
  for (const QLabel* label : countLabels_) texts << label->text();
  return texts;
}

void ResultView::showProgress() {
  if (browsing_) return;
  const int percent = std::max(shownPercent_, reportedPercent_.load());
  if (percent != shownPercent_) {
    shownPercent_ = percent;
    progressBar_->setValue(percent);
    percentLabel_->setText(QStringLiteral("%1%").arg(percent));
  }
  const std::vector<QString> texts = countTexts();
  for (std::size_t i = 0; i < texts.size() && i < countLabels_.size(); ++i) {
    if (countLabels_[i]->text() != texts[i]) countLabels_[i]->setText(texts[i]);
  }
  if (source_ == BrowseSource::memoryCard) showCardCounts();
}

void ResultView::refreshRunningScan() {
  if (browsing_) return;
  emit scanUnderway();
  showProgress();
  if (++ticks_ % kTableRefreshTicks == 0) refreshGrowingTable();
}

void ResultView::listGrew(ResultList list) {
  grownLists_.fetch_or(1u << static_cast<unsigned>(list));
}

void ResultView::showCardCounts() {
  cardCountLabel_->setText(ui::text("Found so far:   Pictures: %1    Videos: %2    Audio: %3    "
                                    "Documents: %4")
                               .arg(results_.count(ResultList::bbImageArray))
                               .arg(results_.count(ResultList::bbVedioArray))
                               .arg(results_.count(ResultList::bbAudioArray))
                               .arg(results_.count(ResultList::bbDocumentArray)));
}

void ResultView::refreshGrowingTable() {
  const std::uint32_t grown = grownLists_.exchange(0);
  if (grown == 0 || browsing_ || !shownTable_) return;
  const ResultList shownList = PRResultViewController::sourceListFor(*shownTable_, source_);
  if ((grown & (1u << static_cast<unsigned>(shownList))) == 0) return;
  // the page open during a scan grows with its list
  results_.selectCategory(*shownTable_);
}

void ResultView::scanFinished() {
  if (browsing_) {
    // the scan thread's own end after Stop: the model went back to its
    // default category, the screen keeps what the user has open
    if (shownTable_) selectCategory(*shownTable_);
    return;
  }
  growthTimer_.stop();
  if (source_ != BrowseSource::memoryCard && !stopped_) {
    const ScanOutcome outcome = app_.lastScanOutcome();
    if (!outcome.scanned()) {
      const QString source = QString::fromStdString(app_.bbbackUpFilepath.value_or(""));
      // the worker waits for this call; the message must not hold it
      QMetaObject::invokeMethod(
          this,
          [this, message = ui::text("\"%1\" could not be read: %2.")
                               .arg(source, QString::fromStdString(outcome.reason))] {
            dropUnreadableScan(message);
          },
          Qt::QueuedConnection);
      return;
    }
  }
  browsing_ = true;
  progressBar_->setValue(0);
  percentLabel_->setText("0%");
  progressBar_->hide();
  percentLabel_->hide();
  scanInfoLabel_->hide();
  stopButton_->hide();
  selectAllBox_->show();
  homeButton_->setEnabled(true);
  feedbackButton_->setEnabled(true);
  for (ResultTable table : buttonsOf(source_)) buttons_[at(table)]->setEnabled(true);
  selectCategory(firstCategoryToShow());
  // the keyboard starts in the table shown, not on whatever follows Stop
  views_[at(*shownTable_)]->setFocus();
  emit scanUnderway();
  if (source_ == BrowseSource::memoryCard) {
    QMetaObject::invokeMethod(this, &ResultView::showScanProblem, Qt::QueuedConnection);
  }
}

ResultTable ResultView::firstCategoryToShow() const {
  // call history (a card's pictures) when it has records, else the first
  // category that has some
  const ResultTable preferred =
      source_ == BrowseSource::memoryCard ? ResultTable::bbImage : ResultTable::callHistory;
  const auto hasRecords = [this](ResultTable table) {
    return results_.count(PRResultViewController::sourceListFor(table, source_)) > 0;
  };
  if (hasRecords(preferred)) return preferred;
  for (ResultTable table : buttonsOf(source_)) {
    if (hasRecords(table)) return table;
  }
  return preferred;
}

void ResultView::dropUnreadableScan(const QString& message) {
  if (rawScan_ != nullptr) rawScan_->stop();
  results_.releaseUIMemory();
  for (RecordTableModel* model : models_) model->reload();
  shownTable_.reset();
  browsing_ = false;
  emit openFailed(message);
}

void ResultView::showScanProblem() {
  if (stopped_ || rawScan_ == nullptr) return;
  const QString device = QString::fromStdString(rawScan_->scannedDisk());
  switch (rawScan_->lastResult()) {
    case RawScanResult::unreadable:
      dropUnreadableScan(ui::text("\"%1\" could not be read. Check that the card is still "
                                  "plugged in and that you may read it.")
                             .arg(device));
      return;
    case RawScanResult::noEngine:
      dropUnreadableScan(
          ui::text("The recovery engine could not be loaded: memory "
                   "cards cannot be scanned."));
      return;
    default:
      return;
  }
}

void ResultView::tickCountChanged(std::int32_t selectedFilesNum) {
  if (onGuiThread(this)) {
    showTickCount(selectedFilesNum);
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, selectedFilesNum] { showTickCount(selectedFilesNum); }, Qt::QueuedConnection);
}

void ResultView::showTickCount(std::int32_t selectedFilesNum) {
  if (selectedFilesNum < 1) {
    tickCountLabel_->hide();
    recoverButton_->setEnabled(false);
    return;
  }
  tickCountLabel_->setText(
      ui::text("You select %1 files in the recovery results.").arg(selectedFilesNum));
  tickCountLabel_->show();
  recoverButton_->setEnabled(true);
}

void ResultView::displayListChanged(ResultTable table) {
  if (onGuiThread(this)) {
    models_[at(table)]->reload();
    return;
  }
  QMetaObject::invokeMethod(
      this, [this, table] { models_[at(table)]->reload(); }, Qt::QueuedConnection);
}

}  // namespace orvane
