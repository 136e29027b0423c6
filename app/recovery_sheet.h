#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/app_delegate.h"
#include "export/recovery_run.h"
#include "rawscan/raw_scan.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvane {

class RecoveryDoneSheet;
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
  // The memory-card scan whose found files a run copies out.
  void setRawScan(const PRRawScan* rawScan) { rawScan_ = rawScan; }
  int shownPercent() const;
  // Cancel: the run ends after the file in hand, which it finishes.
  void cancel();
  QPushButton* cancelButton() const { return cancelButton_; }
  // The sheet that tells what the last run wrote.
  RecoveryDoneSheet* doneSheet() const { return doneSheet_; }

 protected:
  // Escape cancels a run; the sheet stays until the run is over
  void reject() override;

 signals:
  void finished(const QString& folder, int recordsWritten);

 private:
  void start(const QString& folder);
  void IphonerecoveryTimer_hander();
  void saveProgressorHanderToMainThread(RecoveryReport report);

  PRResultViewController& results_;
  CorvelAppDelegate& app_;
  const PRRawScan* rawScan_ = nullptr;
  UserPrompts& prompts_;
  QProgressBar* saveProgressor_;
  QLabel* savepercentlab_;
  QLabel* title_;
  QPushButton* cancelButton_;
  RecoveryDoneSheet* doneSheet_;
  // the ticked records of each category as the run starts
  std::vector<std::pair<QString, int>> ticked_;
  QTimer recoverTimer_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  QString recoverPath_;
};

}  // namespace orvane
