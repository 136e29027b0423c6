#pragma once

#include <QMainWindow>
#include <QString>

#include "results/result_view_controller.h"

class QStackedWidget;

namespace orvane {

class FeedbackWindow;
class ResultView;
class StartView;
class UserPrompts;

// The application's one window: the start screen, then the results screen
// of the source the user chose.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr QSize kStartSize{849, 560};
  static constexpr QSize kResultSize{850, 620};

  MainWindow(CorvelAppDelegate& app, PRResultViewController& results, UserPrompts& prompts,
             QWidget* parent = nullptr);

  // Scans a BlackBerry backup file or a device backup folder at once.
  void openSource(const QString& path);

  StartView* startView() const { return startView_; }
  ResultView* resultView() const { return resultView_; }
  // Made when first asked for.
  FeedbackWindow* feedbackWindow();
  void showMainView();
  void hideMainView();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ClickBBBackUp();
  void ClickRawRecover();
  void openBackupFolder();

  CorvelAppDelegate& app_;
  PRResultViewController& results_;
  UserPrompts& prompts_;
  QStackedWidget* screens_;
  StartView* startView_;
  ResultView* resultView_;
  FeedbackWindow* feedbackWindow_ = nullptr;
};

}  // namespace orvane
