#include "app/recovery_sheet.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "app/recovery_done_sheet.h"
#include "app/sheet_placement.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "export/export_folder.h"

namespace orvane {

RecoverySheet::RecoverySheet(PRResultViewController& results, CorvelAppDelegate& app,
                             UserPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Sheet), results_(results), app_(app), prompts_(prompts) {
  setObjectName("saveWindow");
  setWindowTitle(ui::text("Recovering"));
  setWindowModality(Qt::WindowModal);
  attachSheet(this, parent->window());
  setFixedSize(360, 140);
  auto* layout = new QVBoxLayout(this);
  title_ = new QLabel(this);
  title_->setFont(ui::font(13, true));
  layout->addWidget(title_);
  saveProgressor_ = new QProgressBar(this);
  saveProgressor_->setObjectName("saveProgressor");
  saveProgressor_->setRange(0, 100);
  saveProgressor_->setTextVisible(false);
  layout->addWidget(saveProgressor_);
  savepercentlab_ = new QLabel("0%", this);
  savepercentlab_->setObjectName("savepercentlab");
  savepercentlab_->setFont(ui::font(11));
  cancelButton_ = new QPushButton(ui::text("Cancel"), this);
  cancelButton_->setObjectName("cancelRecoveryButton");
  auto* bottom = new QHBoxLayout();
  bottom->addWidget(cancelButton_);
  bottom->addStretch(1);
  bottom->addWidget(savepercentlab_);
  layout->addLayout(bottom);
  connect(cancelButton_, &QPushButton::clicked, this, &RecoverySheet::cancel);
  doneSheet_ = new RecoveryDoneSheet(prompts_, parent);
  recoverTimer_.setInterval(1000);
  connect(&recoverTimer_, &QTimer::timeout, this, &RecoverySheet::IphonerecoveryTimer_hander);
}

RecoverySheet::~RecoverySheet() {
  // the app is ending (its window closed, Ctrl-C, SIGTERM): the run finishes
  // the file in hand and starts no other
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

void RecoverySheet::reject() {
  if (running()) {
    cancel();
  } else {
    QDialog::reject();
  }
}

void RecoverySheet::cancel() {
  if (!running()) return;
  stop_ = true;
  cancelButton_->setEnabled(false);
  title_->setText(ui::text("Cancelling after the file in hand..."));
}

int RecoverySheet::shownPercent() const { return saveProgressor_->value(); }

void RecoverySheet::actRecovery() {
  if (running()) return;
  results_.recovredFilesNum = 0;
  saveProgressor_->setValue(0);
  savepercentlab_->setText("0%");
  const QString proposed =
      QString::fromStdString(RecoveryRun::proposedFolderName(std::time(nullptr)));
  const std::optional<QString> chosen = prompts_.chooseExportFolder(parentWidget(), proposed);
  if (!chosen) return;
  const QString folder = QDir::cleanPath(QFileInfo(*chosen).absoluteFilePath());
  // nothing may be written into the backup being rescued
  if (results_.browseSource() != BrowseSource::memoryCard && app_.bbbackUpFilepath &&
      exportFolderInsideSource(std::filesystem::path(folder.toStdString()),
                               *app_.bbbackUpFilepath)) {
    prompts_.warn(parentWidget(),
                  ui::text("\"%1\" is inside the backup being rescued. Please choose a folder "
                           "outside it, so that nothing in the backup is changed.")
                      .arg(folder),
                  {});
    return;
  }
  // made here, in one step that fails when the folder exists: an existing
  // one could hold the user's files, or another run's
  const std::error_code made = makeExportFolder(std::filesystem::path(folder.toStdString()));
  if (made == std::errc::file_exists) {
    prompts_.warn(parentWidget(),
                  ui::text("\"%1\" already exists. Please name a new folder, so that nothing "
                           "in it is overwritten.")
                      .arg(folder),
                  {});
    return;
  }
  if (made) {
    prompts_.warn(parentWidget(), ui::text("The folder \"%1\" cannot be made.").arg(folder),
                  QString::fromStdString(made.message()));
    return;
  }
  start(folder);
}

void RecoverySheet::start(const QString& folder) {
  recoverPath_ = folder;
  stop_ = false;
  title_->setText(ui::text("Recovering the selected files..."));
  cancelButton_->setEnabled(true);
  ticked_.clear();
  for (const CategoryList* list : listsOf(results_.browseSource())) {
    int count = 0;
    for (const RecordPtr& record : results_.snapshot(list->list)) count += record->bSelected == 1;
    ticked_.emplace_back(ui::text(std::string(list->summaryName).c_str()), count);
  }
  show();
  recoverTimer_.start();
  std::optional<EngineFileCopier> copier;
  if (rawScan_ != nullptr) copier.emplace(rawScan_->copier());
  worker_ = std::thread([this, path = folder.toStdString(), copier = std::move(copier)] {
    RecoveryRun run(results_, copier ? &*copier : nullptr);
    run.setStopFlag(&stop_);
    RecoveryReport report = run.recoverFilesThread(std::filesystem::path(path));
    QMetaObject::invokeMethod(
        this,
        [this, report = std::move(report)]() mutable {
          saveProgressorHanderToMainThread(std::move(report));
        },
        Qt::QueuedConnection);
  });
}

void RecoverySheet::IphonerecoveryTimer_hander() {
  const int percent =
      RecoveryRun::progressPercent(results_.recovredFilesNum.load(), results_.selectedFilesNum());
  saveProgressor_->setValue(percent);
  savepercentlab_->setText(QStringLiteral("%1%").arg(percent));
}

void RecoverySheet::saveProgressorHanderToMainThread(RecoveryReport report) {
  if (worker_.joinable()) worker_.join();
  recoverTimer_.stop();
  hide();
  saveProgressor_->setValue(0);
  savepercentlab_->setText("0%");
  results_.recovredFilesNum = 0;
  doneSheet_->showReport(report, recoverPath_, ticked_);
  emit finished(recoverPath_, report.recordsWritten);
}

}  // namespace orvane
