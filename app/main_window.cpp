#include "app/main_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>

#include "app/feedback_window.h"
#include "app/result_view.h"
#include "app/start_view.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "ios/ios_device_controller.h"

namespace orvane {

namespace {

// Where "Learn More..." leads; the project's own page is configured here.
constexpr const char* kLearnMoreAddress = "https://orvane.example/learn-more";

}  // namespace

MainWindow::MainWindow(CorvelAppDelegate& app, PRResultViewController& results,
                       UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), app_(app), results_(results), prompts_(prompts) {
  setWindowTitle(ui::text("Orvane"));
  setWindowIcon(ui::artworkIcon("orvane", {64, 64}));
  screens_ = new QStackedWidget(this);
  startView_ = new StartView(screens_);
  resultView_ = new ResultView(results_, app_, prompts_, screens_);
  screens_->addWidget(startView_);
  screens_->addWidget(resultView_);
  setCentralWidget(screens_);

  connect(startView_, &StartView::ClickBBBackUp, this, &MainWindow::ClickBBBackUp);
  connect(startView_, &StartView::ClickRawRecover, this, &MainWindow::ClickRawRecover);
  connect(startView_, &StartView::openBackupFolder, this, &MainWindow::openBackupFolder);
  connect(startView_, &StartView::scanBackupFolder, this, &MainWindow::openSource);
  connect(startView_, &StartView::ClickLearnMore, this,
          [this] { prompts_.openWithDesktop(QUrl(kLearnMoreAddress)); });
  connect(resultView_, &ResultView::homeRequested, this, &MainWindow::showMainView);
  connect(resultView_, &ResultView::feedbackRequested, this,
          [this] { feedbackWindow()->clickFeedBack(); });

  startView_->showIphoneDisk(defaultBackupRoot());
  showMainView();
}

FeedbackWindow* MainWindow::feedbackWindow() {
  if (feedbackWindow_ == nullptr) feedbackWindow_ = new FeedbackWindow(prompts_, this);
  return feedbackWindow_;
}

void MainWindow::showMainView() {
  setFixedSize(kStartSize);
  screens_->setCurrentWidget(startView_);
}

void MainWindow::hideMainView() {
  setFixedSize(kResultSize);
  screens_->setCurrentWidget(resultView_);
}

void MainWindow::ClickBBBackUp() {
  const std::optional<QString> path = prompts_.chooseBackupFile(this);
  if (!path) return;
  // the open panel closes before the window changes
  QTimer::singleShot(100, this, [this, chosen = *path] { openSource(chosen); });
}

void MainWindow::openBackupFolder() {
  if (const std::optional<QString> folder = prompts_.chooseBackupFolder(this)) openSource(*folder);
}

void MainWindow::ClickRawRecover() {
  prompts_.inform(this, ui::text("Memory card recovery is not available in this build of Orvane."),
                  {});
}

void MainWindow::openSource(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    prompts_.inform(this, ui::text("\"%1\" does not exist.").arg(path), {});
    return;
  }
  const std::string source = info.absoluteFilePath().toStdString();
  BrowseSource mode = BrowseSource::blackBerry;
  if (info.isDir()) {
    mode = BrowseSource::ios;
    app_.currentNodeIsiOS6Version =
        CorvelAppDelegate::IOSVersionIOS6(backupProductVersion(std::filesystem::path(source)));
  }
  hideMainView();
  results_.showView(mode);
  resultView_->showView(mode);
  app_.bbbackUpFilepath = source;
  app_.brawScan = 0;
  if (!app_.ScanIOSBackFile(source)) {
    prompts_.inform(this, ui::text("A scan is still running."), {});
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (prompts_.confirm(this, ui::text("Are you sure you want to Exit ?"), ui::text(" Exit "),
                       ui::text("Cancel"))) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace orvane
