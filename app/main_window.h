#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

#include "rawscan/disk_info_node.h"
#include "rawscan/raw_scan.h"
#include "results/result_view_controller.h"

class QStackedWidget;

namespace orvane {

class AboutWindow;
class CryWindow;
class FeedbackWindow;
class LeadWindow;
class PRDiskViewController;
class ResultView;
class StartView;
class UserPrompts;

// The application's one window: the start screen, the disk chooser of the
// memory-card source, then the results screen of the source the user chose.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr QSize kStartSize{849, 560};
  // the results screen's least size; it may be enlarged
  static constexpr QSize kResultSize{850, 620};

  MainWindow(CorvelAppDelegate& app, PRResultViewController& results, PRRawScan& rawScan,
             UserPrompts& prompts, QWidget* parent = nullptr);

  // Scans a BlackBerry backup file, a device backup folder, a disk or a
  // disk image at once.
  void openSource(const QString& path);

  StartView* startView() const { return startView_; }
  ResultView* resultView() const { return resultView_; }
  // Each made when first asked for, then kept.
  FeedbackWindow* feedbackWindow();
  PRDiskViewController* diskViewController();
  LeadWindow* leadWindow();
  AboutWindow* aboutWindow();
  CryWindow* cryWindow();

  void showMainView();
  void hideMainView();

  // The welcome sheet.
  void showLeadWindow();
  // Shows the about window unless it is already on screen.
  void ClickAbout();
  // The exit feedback sheet, offered when the user quits.
  void showCryWindow();
  void ClickRawRecover();
  // Ends the application without asking (Quit, a signal to stop).
  void endApplication();

 signals:
  // The user left through a sheet that already asked: nothing asks again.
  void applicationEnding();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void makeMenus();
  // Keeps the window's position, and the results screen's size, for the
  // next start.
  void rememberPlace();
  // Asks for the 8-bit character set of message texts that are not UTF-8
  // and keeps it in the settings for the scans to come.
  void chooseTextCharset();
  void ClickBBBackUp();
  void openBackupFolder();
  void openDiskImage();
  void ClickHelp();
  void ClickHomePage();
  void ClickLearnMore();
  void startRawScan(const DiskRow& row);
  // The results screen, once a scan is under way.
  void showScanScreen();
  // The source chosen cannot be read: the screen it was chosen on, and why.
  void openFailed(const QString& message);

  CorvelAppDelegate& app_;
  PRResultViewController& results_;
  PRRawScan& rawScan_;
  UserPrompts& prompts_;
  QStackedWidget* screens_;
  StartView* startView_;
  ResultView* resultView_;
  PRDiskViewController* diskViewController_ = nullptr;
  FeedbackWindow* feedbackWindow_ = nullptr;
  LeadWindow* leadWindow_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  CryWindow* cryWindow_ = nullptr;
  bool ending_ = false;
  // File menu entries that start a scan, off while the results show
  QList<QAction*> openActions_;
};

}  // namespace orvane
