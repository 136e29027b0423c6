#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <thread>

#include "export/recovery_run.h"

class QLabel;
class QProgressBar;

namespace orvane {

class UserPrompts;

// Recover: asks for a new folder, exports the ticked records on a thread
// of its own behind a modal progress sheet that a one-second timer keeps
// current, then reports problems and shows the folder.
class RecoverySheet : public QDialog {
  Q_OBJECT

 public:
  RecoverySheet(PRResultViewController& results, CorvelAppDelegate& app, UserPrompts& prompts,
                QWidget* parent);
  ~RecoverySheet() override;

  // The save panel, then the run; returns at once.
  void actRecovery();
  bool running() const { return worker_.joinable(); }
  int shownPercent() const;

 protected:
  // the sheet stays until the run is over
  void reject() override;

 signals:
  void finished(const QString& folder, int recordsWritten);

 private:
  void start(const QString& folder);
  void IphonerecoveryTimer_hander();
  void saveProgressorHanderToMainThread(RecoveryReport report);

  PRResultViewController& results_;
  CorvelAppDelegate& app_;
  UserPrompts& prompts_;
  QProgressBar* saveProgressor_;
  QLabel* savepercentlab_;
  QTimer recoverTimer_;
  std::thread worker_;
  QString recoverPath_;
};

}  // namespace orvane
