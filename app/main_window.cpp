#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>

#include "app/about_window.h"
#include "app/cry_window.h"
#include "app/disk_view_controller.h"
#include "app/feedback_window.h"
#include "app/lead_window.h"
#include "app/result_view.h"
#include "app/sheet_placement.h"
#include "app/start_view.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "app/web_pages.h"
#include "blackberry/field_text.h"
#include "ios/ios_device_controller.h"

namespace orvane {

namespace {

// A disk, or a file that holds a copy of one: read by the recovery engine
// rather than as a backup.
bool isDiskSource(const QFileInfo& info) {
  static const QStringList kImageSuffixes = {"img", "dd", "raw", "bin", "iso", "dmg"};
  if (info.isDir()) return false;
  if (!info.isFile()) return info.absoluteFilePath().startsWith("/dev/");
  return kImageSuffixes.contains(info.suffix().toLower());
}

constexpr const char* kTextCharsetKey = "textCharset";
// Where the window was last, and the results screen's size.
constexpr const char* kWindowPositionKey = "window/position";
constexpr const char* kResultSizeKey = "window/resultSize";

}  // namespace

MainWindow::MainWindow(CorvelAppDelegate& app, PRResultViewController& results, PRRawScan& rawScan,
                       UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), app_(app), results_(results), rawScan_(rawScan), prompts_(prompts) {
  setWindowTitle(ui::text("Orvane"));
  setWindowIcon(ui::artworkIcon("orvane", {64, 64}));
  screens_ = new QStackedWidget(this);
  startView_ = new StartView(screens_);
  resultView_ = new ResultView(results_, app_, prompts_, screens_);
  resultView_->setRawScan(&rawScan_);
  screens_->addWidget(startView_);
  screens_->addWidget(resultView_);
  setCentralWidget(screens_);
  makeMenus();
  const std::string savedCharset =
      QSettings().value(kTextCharsetKey).toString().trimmed().toStdString();
  if (isKnownTextCharset(savedCharset)) app_.textCharset = savedCharset;

  connect(startView_, &StartView::ClickBBBackUp, this, &MainWindow::ClickBBBackUp);
  connect(startView_, &StartView::ClickRawRecover, this, &MainWindow::ClickRawRecover);
  connect(startView_, &StartView::openBackupFolder, this, &MainWindow::openBackupFolder);
  connect(startView_, &StartView::scanBackupFolder, this, &MainWindow::openSource);
  connect(startView_, &StartView::ClickLearnMore, this, &MainWindow::ClickLearnMore);
  connect(resultView_, &ResultView::homeRequested, this, &MainWindow::showMainView);
  connect(resultView_, &ResultView::scanUnderway, this, &MainWindow::showScanScreen);
  connect(resultView_, &ResultView::openFailed, this, &MainWindow::openFailed);
  connect(resultView_, &ResultView::feedbackRequested, this,
          [this] { feedbackWindow()->clickFeedBack(); });

  startView_->showIphoneDisk(defaultBackupRoot());
  showMainView();
  const QPoint position = QSettings().value(kWindowPositionKey).toPoint();
  // only where a screen still is
  if (QSettings().contains(kWindowPositionKey) && QGuiApplication::screenAt(position) != nullptr) {
    move(position);
  }
}

void MainWindow::rememberPlace() {
  QSettings settings;
  settings.setValue(kWindowPositionKey, pos());
  if (screens_->currentWidget() == resultView_) settings.setValue(kResultSizeKey, size());
}

void MainWindow::makeMenus() {
  QMenu* file = menuBar()->addMenu(ui::text("&File"));
  QAction* openFile =
      file->addAction(ui::text("Open Backup File..."), this, &MainWindow::ClickBBBackUp);
  openFile->setShortcut(QKeySequence::Open);
  QAction* openFolder =
      file->addAction(ui::text("Open Backup Folder..."), this, &MainWindow::openBackupFolder);
  QAction* openImage =
      file->addAction(ui::text("Open Disk Image..."), this, &MainWindow::openDiskImage);
  openActions_ = {openFile, openFolder, openImage};
  file->addSeparator();
  QAction* quit = file->addAction(ui::text("Quit"), this, &MainWindow::endApplication);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  quit->setMenuRole(QAction::QuitRole);

  QMenu* application = menuBar()->addMenu(ui::text("&Orvane"));
  application->addAction(ui::text("About Orvane"), this, &MainWindow::ClickAbout);
  application->addAction(ui::text("Text Character Set..."), this, &MainWindow::chooseTextCharset);
  application->addSeparator();
  // leaving with a word to the makers: the exit feedback sheet
  application->addAction(ui::text("Quit Orvane"), this, &MainWindow::showCryWindow);

  QMenu* help = menuBar()->addMenu(ui::text("&Help"));
  help->addAction(ui::text("Welcome to Orvane"), this, &MainWindow::showLeadWindow);
  help->addAction(ui::text("Learn More..."), this, &MainWindow::ClickLearnMore);
  help->addSeparator();
  help->addAction(ui::text("Orvane Support"), this, &MainWindow::ClickHelp);
  help->addAction(ui::text("Orvane Home Page"), this, &MainWindow::ClickHomePage);
}

void MainWindow::chooseTextCharset() {
  const QString current = app_.textCharset.empty() ? QString::fromUtf8(kDefaultTextCharset)
                                                   : QString::fromStdString(app_.textCharset);
  bool ok = false;
  const QString chosen =
      QInputDialog::getText(this, ui::text("Text Character Set"),
                            ui::text("Character set of message texts that are not UTF-8 "
                                     "(for example WINDOWS-1252 or ISO-8859-7):"),
                            QLineEdit::Normal, current, &ok)
          .trimmed();
  if (!ok) return;
  const std::string charset = chosen.toStdString();
  if (!isKnownTextCharset(charset)) {
    prompts_.warn(this, ui::text("Unknown character set: %1").arg(chosen), {});
    return;
  }
  app_.textCharset = charset;
  QSettings().setValue(kTextCharsetKey, chosen);
}

FeedbackWindow* MainWindow::feedbackWindow() {
  if (feedbackWindow_ == nullptr) feedbackWindow_ = new FeedbackWindow(prompts_, this);
  return feedbackWindow_;
}

LeadWindow* MainWindow::leadWindow() {
  if (leadWindow_ == nullptr) {
    leadWindow_ = new LeadWindow(this);
    attachSheet(leadWindow_, this);
    connect(leadWindow_, &LeadWindow::ClickLearnMore, this, &MainWindow::ClickLearnMore);
  }
  return leadWindow_;
}

AboutWindow* MainWindow::aboutWindow() {
  if (aboutWindow_ == nullptr) {
    aboutWindow_ = new AboutWindow(this);
    connect(aboutWindow_, &AboutWindow::ClickHelp, this, &MainWindow::ClickHelp);
    connect(aboutWindow_, &AboutWindow::ClickHomePage, this, &MainWindow::ClickHomePage);
  }
  return aboutWindow_;
}

CryWindow* MainWindow::cryWindow() {
  if (cryWindow_ == nullptr) {
    cryWindow_ = new CryWindow(this);
    attachSheet(cryWindow_, this);
    connect(cryWindow_, &CryWindow::endApplication, this, &MainWindow::endApplication);
  }
  return cryWindow_;
}

PRDiskViewController* MainWindow::diskViewController() {
  if (diskViewController_ == nullptr) {
    diskViewController_ = new PRDiskViewController(app_, rawScan_.engine(), prompts_, screens_);
    screens_->addWidget(diskViewController_);
    connect(diskViewController_, &PRDiskViewController::homeRequested, this,
            &MainWindow::showMainView);
    connect(diskViewController_, &PRDiskViewController::scanRequested, this,
            &MainWindow::startRawScan);
  }
  return diskViewController_;
}

void MainWindow::showLeadWindow() {
  // the Start button takes it away; shown twice it stays one sheet
  LeadWindow* lead = leadWindow();
  if (!lead->isVisible()) lead->show();
}

void MainWindow::ClickAbout() {
  AboutWindow* about = aboutWindow();
  if (!about->isVisible()) about->show();
}

void MainWindow::showCryWindow() { cryWindow()->begin(); }

void MainWindow::ClickHelp() { prompts_.openWithDesktop(QUrl(web::kSupport)); }
void MainWindow::ClickHomePage() { prompts_.openWithDesktop(QUrl(web::kHomePage)); }
void MainWindow::ClickLearnMore() { prompts_.openWithDesktop(QUrl(web::kLearnMore)); }

void MainWindow::showMainView() {
  if (screens_->currentWidget() == resultView_) rememberPlace();
  setFixedSize(kStartSize);
  screens_->setCurrentWidget(startView_);
  for (QAction* action : openActions_) action->setEnabled(true);
}

void MainWindow::hideMainView() {
  // the results may be enlarged; their described size is the least
  setMinimumSize(kResultSize);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const QSize saved = QSettings().value(kResultSizeKey).toSize();
  resize(saved.isValid() ? saved.expandedTo(kResultSize) : kResultSize);
  screens_->setCurrentWidget(resultView_);
  // one scan at a time: Home leads back to the start screen
  for (QAction* action : openActions_) action->setEnabled(false);
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

void MainWindow::openDiskImage() {
  if (const std::optional<QString> image = prompts_.chooseDiskImage(this)) openSource(*image);
}

void MainWindow::ClickRawRecover() {
  PRDiskViewController* chooser = diskViewController();
  // the chooser keeps the start screen's size until a scan starts
  screens_->setCurrentWidget(chooser);
  chooser->showView();
}

void MainWindow::startRawScan(const DiskRow& row) {
  hideMainView();
  results_.showView(BrowseSource::memoryCard);
  resultView_->showView(BrowseSource::memoryCard);
  if (!rawScan_.QuickScanStart(row)) {
    // a stopped scan may still be leaving the engine
    prompts_.warn(this, ui::text("A scan is still running."), {});
    setFixedSize(kStartSize);
    screens_->setCurrentWidget(diskViewController_);
  }
}

void MainWindow::openSource(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    prompts_.warn(this, ui::text("\"%1\" does not exist.").arg(path), {});
    return;
  }
  if (isDiskSource(info)) {
    ClickRawRecover();
    if (diskViewController_->chooseDevice(path)) diskViewController_->CilckScan();
    return;
  }
  const std::string source = info.absoluteFilePath().toStdString();
  BrowseSource mode = BrowseSource::blackBerry;
  if (info.isDir()) {
    mode = BrowseSource::ios;
    app_.currentNodeIsiOS6Version =
        CorvelAppDelegate::IOSVersionIOS6(backupProductVersion(std::filesystem::path(source)));
  }
  // The start screen stays until the scan is under way: a source that
  // cannot be read is told over it, and the user keeps their place.
  results_.showView(mode);
  resultView_->showView(mode);
  app_.bbbackUpFilepath = source;
  if (!app_.ScanIOSBackFile(source)) {
    prompts_.warn(this, ui::text("A scan is still running."), {});
  }
}

void MainWindow::showScanScreen() {
  if (screens_->currentWidget() != resultView_) hideMainView();
}

void MainWindow::openFailed(const QString& message) {
  // back where the user chose the source
  if (resultView_->source() == BrowseSource::memoryCard && diskViewController_ != nullptr) {
    setFixedSize(kStartSize);
    screens_->setCurrentWidget(diskViewController_);
  } else {
    showMainView();
  }
  prompts_.warn(this, message, {});
}

void MainWindow::endApplication() {
  rememberPlace();
  ending_ = true;
  emit applicationEnding();
  close();
  QApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ending_ || prompts_.confirm(this, ui::text("Are you sure you want to Exit ?"),
                                  ui::text(" Exit "), ui::text("Cancel"))) {
    rememberPlace();
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace orvane
