#pragma once

#include <QDialog>
#include <QPlainTextEdit>

#include "feedback/feedback_sender.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane {

class UserPrompts;

// The suggestion text area: a click into the placeholder empties it.
class PRFeedBackView : public QPlainTextEdit {
  Q_OBJECT

 public:
  static const char* const kPlaceholder;
  static const char* const kWriteSomething;

  using QPlainTextEdit::QPlainTextEdit;
  void showPlaceholder();
  bool showsPlaceholder() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void clearPlaceholder();
};

// What a send that did not go through tells the user: words of this
// program, never a setting's name or the network's own message (those go
// to the log).
QString feedbackProblemText(const FeedbackOutcome& outcome);

// The feedback window: a suggestion and an optional e-mail address, sent
// to the support mailbox in the background; the window says how it went.
class FeedbackWindow : public QDialog {
  Q_OBJECT

 public:
  FeedbackWindow(UserPrompts& prompts, QWidget* parent = nullptr);

  // The title and the headline, shared with the exit feedback sheet.
  static QLabel* makeTitle(QWidget* parent);
  static QLabel* makeHeadline(QWidget* parent);

  void clickFeedBack();
  void clickSendFeedBack();
  void ClickDontSendFeedBack();

  PRFeedBackView* feedbackView() const { return feedbackView_; }
  QLineEdit* emailField() const { return feedbackEmailVaule_; }
  QLabel* statusLabel() const { return statusLabel_; }
  QPushButton* sendButton() const { return sendButton_; }
  QPushButton* dontSendButton() const { return dontSendButton_; }

 private:
  void showOutcome(const FeedbackOutcome& outcome);

  UserPrompts& prompts_;
  PRFeedBackView* feedbackView_;
  QLineEdit* feedbackEmailVaule_;
  QLabel* statusLabel_;
  QPushButton* sendButton_;
  QPushButton* dontSendButton_;
  int sending_ = 0;
  FeedbackMailer mailer_;
};

}  // namespace orvane
