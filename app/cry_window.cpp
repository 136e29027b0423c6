#include "app/cry_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/feedback_window.h"
#include "app/ui_style.h"

namespace orvane {

CryWindow::CryWindow(QWidget* parent) : QDialog(parent, Qt::Sheet) {
  setObjectName("cryWindow");
  setWindowTitle(ui::text("Feedback"));
  setWindowModality(Qt::WindowModal);
  setFixedSize(520, 340);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 14);
  layout->addWidget(FeedbackWindow::makeTitle(this));
  layout->addWidget(FeedbackWindow::makeHeadline(this));
  feedbackView_ = new PRFeedBackView(this);
  feedbackView_->setObjectName("cryFeedbackView");
  layout->addWidget(feedbackView_, 1);
  auto* statusRow = new QHBoxLayout();
  busyIndicator_ = new QProgressBar(this);
  busyIndicator_->setObjectName("cryBusyIndicator");
  busyIndicator_->setRange(0, 0);  // turning, without a measure
  busyIndicator_->setTextVisible(false);
  busyIndicator_->setFixedSize(120, 12);
  busyIndicator_->hide();
  statusRow->addWidget(busyIndicator_);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName("cryStatus");
  statusLabel_->setWordWrap(true);
  statusLabel_->setFont(ui::font(12));
  statusRow->addWidget(statusLabel_, 1);
  layout->addLayout(statusRow);

  auto* buttons = new QHBoxLayout();
  cancelButton_ = new QPushButton(ui::text("Cancel"), this);
  exitButton_ = new QPushButton(ui::text("Exit"), this);
  sendButton_ = new QPushButton(ui::text("Send and Exit"), this);
  sendButton_->setDefault(true);
  buttons->addWidget(cancelButton_);
  buttons->addStretch(1);
  buttons->addWidget(exitButton_);
  buttons->addWidget(sendButton_);
  layout->addLayout(buttons);

  sendTimer_.setSingleShot(true);
  sendTimer_.setInterval(kLongestSendMs);
  connect(&sendTimer_, &QTimer::timeout, this, &CryWindow::leave);
  connect(sendButton_, &QPushButton::clicked, this, &CryWindow::Sender);
  connect(cancelButton_, &QPushButton::clicked, this, &CryWindow::Cancel);
  connect(exitButton_, &QPushButton::clicked, this, &CryWindow::Exit);
}

void CryWindow::begin() {
  stopSending();
  statusLabel_->clear();
  feedbackView_->showPlaceholder();
  if (!isVisible()) show();
}

void CryWindow::Sender() {
  if (leavingSend_ != 0) return;
  const QString suggestion =
      feedbackView_->showsPlaceholder() ? QString() : feedbackView_->toPlainText().trimmed();
  // with nothing written there is nothing to wait for
  if (suggestion.isEmpty()) {
    leave();
    return;
  }
  const FeedbackSettings settings = FeedbackSettings::fromEnvironment();
  if (!settings.problem().empty()) {
    // leaving now would lose the suggestion without a word
    FeedbackOutcome notSetUp;
    notSetUp.status = FeedbackOutcome::Status::NotSetUp;
    statusLabel_->setText(feedbackProblemText(notSetUp));
    return;
  }
  leavingSend_ = ++sends_;
  busyIndicator_->show();
  sendButton_->setEnabled(false);
  statusLabel_->setText(ui::text("Sending your suggestion..."));
  sendTimer_.start();
  mailer_.send(settings, {}, suggestion.toStdString(),
               [this, send = leavingSend_](const FeedbackOutcome& outcome) {
                 QMetaObject::invokeMethod(
                     this,
                     [this, send, outcome] {
                       if (send == leavingSend_) showOutcome(outcome);
                     },
                     Qt::QueuedConnection);
               });
}

void CryWindow::showOutcome(const FeedbackOutcome& outcome) {
  if (outcome.sent()) {
    leave();
    return;
  }
  // a mail that did not go out is told, and the user decides
  stopSending();
  statusLabel_->setText(feedbackProblemText(outcome));
}

void CryWindow::stopSending() {
  sendTimer_.stop();
  leavingSend_ = 0;
  busyIndicator_->hide();
  sendButton_->setEnabled(true);
}

void CryWindow::Cancel() {
  stopSending();
  done(QDialog::Rejected);
  close();
}

void CryWindow::reject() { Cancel(); }

void CryWindow::Exit() { leave(); }

void CryWindow::leave() {
  stopSending();
  done(QDialog::Accepted);
  close();
  emit endApplication();
}

}  // namespace orvane
