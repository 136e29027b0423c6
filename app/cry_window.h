#pragma once

#include <QDialog>
#include <QTimer>

#include "feedback/feedback_sender.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvane {

class PRFeedBackView;

// The exit feedback sheet: a last suggestion before the application ends.
// Send mails it and ends the application once the mail is out, or after
// ten seconds at the latest; Exit ends it at once; Cancel keeps it running.
class CryWindow : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kLongestSendMs = 10000;

  explicit CryWindow(QWidget* parent);

  // Shows the sheet afresh.
  void begin();

  void Sender();
  void Cancel();
  void Exit();

  PRFeedBackView* feedbackView() const { return feedbackView_; }
  QLabel* statusLabel() const { return statusLabel_; }
  QProgressBar* busyIndicator() const { return busyIndicator_; }
  QPushButton* sendButton() const { return sendButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  QPushButton* exitButton() const { return exitButton_; }

 signals:
  // The user chose to leave: the application ends without asking again.
  void endApplication();

 protected:
  void reject() override;

 private:
  void showOutcome(const FeedbackOutcome& outcome);
  void stopSending();
  void leave();

  PRFeedBackView* feedbackView_;
  QLabel* statusLabel_;
  QProgressBar* busyIndicator_;
  QPushButton* sendButton_;
  QPushButton* cancelButton_;
  QPushButton* exitButton_;
  QTimer sendTimer_;
  // the send whose outcome ends the application; a cancelled one no longer does
  int leavingSend_ = 0;
  int sends_ = 0;
  FeedbackMailer mailer_;
};

}  // namespace orvane
