#include "app/recovery_sheet.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QUrl>
#include <QVBoxLayout>
#include <ctime>

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
  setFixedSize(360, 110);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(ui::text("Recovering the selected files..."), this);
  title->setFont(ui::font(13, true));
  layout->addWidget(title);
  saveProgressor_ = new QProgressBar(this);
  saveProgressor_->setObjectName("saveProgressor");
  saveProgressor_->setRange(0, 100);
  saveProgressor_->setTextVisible(false);
  layout->addWidget(saveProgressor_);
  savepercentlab_ = new QLabel("0%", this);
  savepercentlab_->setObjectName("savepercentlab");
  savepercentlab_->setFont(ui::font(11));
  layout->addWidget(savepercentlab_, 0, Qt::AlignRight);
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
  if (!running()) QDialog::reject();
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
  if (!report.problems.empty()) {
    QStringList lines;
    for (const std::string& problem : report.problems) lines << QString::fromStdString(problem);
    const QString headline =
        report.complete()
            ? ui::text("Exported %1 records to \"%2\"; some details were left out.")
                  .arg(report.recordsWritten)
                  .arg(recoverPath_)
            : ui::text("Exported %1 of %2 records to \"%3\"; %4 could not be written.")
                  .arg(report.recordsWritten)
                  .arg(report.recordsTicked)
                  .arg(recoverPath_)
                  .arg(report.recordsNotWritten());
    prompts_.inform(parentWidget(), headline, lines.join('\n'));
  }
  prompts_.openWithDesktop(QUrl::fromLocalFile(recoverPath_));
  emit finished(recoverPath_, report.recordsWritten);
}

}  // namespace orvane
