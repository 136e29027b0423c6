#include "app/feedback_window.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "app/web_pages.h"

namespace orvane {

const char* const PRFeedBackView::kPlaceholder = "Provide any suggestions or problems to us.";
const char* const PRFeedBackView::kWriteSomething = "write something.";

void PRFeedBackView::showPlaceholder() {
  QFont grey = QGuiApplication::font();
  grey.setPixelSize(13);
  setFont(grey);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Text, Qt::gray);
  setPalette(palette);
  setPlainText(ui::text(kPlaceholder));
}

bool PRFeedBackView::showsPlaceholder() const {
  const QString text = toPlainText();
  return text == ui::text(kPlaceholder) || text == ui::text(kWriteSomething);
}

void PRFeedBackView::clearPlaceholder() {
  if (!showsPlaceholder()) return;
  clear();
  QFont plain = QGuiApplication::font();
  plain.setPixelSize(11);
  setFont(plain);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Text, Qt::black);
  setPalette(palette);
}

void PRFeedBackView::mousePressEvent(QMouseEvent* event) {
  clearPlaceholder();
  QPlainTextEdit::mousePressEvent(event);
}

void PRFeedBackView::focusInEvent(QFocusEvent* event) {
  // reaching the area by keyboard empties the placeholder as a click does
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    clearPlaceholder();
  }
  QPlainTextEdit::focusInEvent(event);
}

FeedbackWindow::FeedbackWindow(UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts) {
  setObjectName("feedbackWindow");
  setWindowTitle(ui::text("Feedback"));
  setFixedSize(540, 400);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(makeTitle(this));
  layout->addWidget(makeHeadline(this));
  feedbackView_ = new PRFeedBackView(this);
  feedbackView_->setObjectName("feedbackView");
  layout->addWidget(feedbackView_, 1);
  auto* emailRow = new QHBoxLayout();
  auto* emailLabel = new QLabel(ui::text("Your e-mail (optional):"), this);
  emailLabel->setFont(ui::font(12));
  emailRow->addWidget(emailLabel);
  feedbackEmailVaule_ = new QLineEdit(this);
  feedbackEmailVaule_->setObjectName("feedbackEmailVaule");
  emailRow->addWidget(feedbackEmailVaule_, 1);
  layout->addLayout(emailRow);
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName("feedbackStatus");
  statusLabel_->setWordWrap(true);
  statusLabel_->setFont(ui::font(12));
  layout->addWidget(statusLabel_);
  auto* buttons = new QHBoxLayout();
  auto* help = new QPushButton(ui::text("Need Help? Go to our Support Portal"), this);
  help->setFlat(true);
  help->setCursor(Qt::PointingHandCursor);
  help->setFont(ui::font(9));
  help->setStyleSheet("QPushButton { color: #0645ad; text-decoration: underline; border: none; }");
  buttons->addWidget(help);
  buttons->addStretch(1);
  dontSendButton_ = new QPushButton(ui::text("Don't send"), this);
  sendButton_ = new QPushButton(ui::text("Send"), this);
  sendButton_->setDefault(true);
  buttons->addWidget(dontSendButton_);
  buttons->addWidget(sendButton_);
  layout->addLayout(buttons);

  connect(help, &QPushButton::clicked, this,
          [this] { prompts_.openWithDesktop(QUrl(web::kSupport)); });
  connect(sendButton_, &QPushButton::clicked, this, &FeedbackWindow::clickSendFeedBack);
  connect(dontSendButton_, &QPushButton::clicked, this, &FeedbackWindow::ClickDontSendFeedBack);
}

QLabel* FeedbackWindow::makeTitle(QWidget* parent) {
  auto* title = new QLabel(ui::text("Feedback"), parent);
  title->setFont(ui::font(28));
  title->setStyleSheet(QStringLiteral("color: %1").arg(ui::deletedColour().name()));
  return title;
}

QLabel* FeedbackWindow::makeHeadline(QWidget* parent) {
  // the word "suggestions" is drawn in the accent colour
  QString headline = ui::text("Please help me get BETTER with your suggestions!").toHtmlEscaped();
  headline.replace(ui::text("suggestions"),
                   QStringLiteral("<span style=\"color:%1\">%2</span>")
                       .arg(ui::deletedColour().name(), ui::text("suggestions")));
  auto* headlineLabel = new QLabel(headline, parent);
  headlineLabel->setObjectName("feedbackHeadline");
  headlineLabel->setTextFormat(Qt::RichText);
  headlineLabel->setFont(ui::font(18));
  headlineLabel->setWordWrap(true);
  return headlineLabel;
}

void FeedbackWindow::clickFeedBack() {
  feedbackView_->showPlaceholder();
  feedbackEmailVaule_->clear();
  statusLabel_->clear();
  if (isVisible()) return;
  show();
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void FeedbackWindow::clickSendFeedBack() {
  const QString suggestion =
      feedbackView_->showsPlaceholder() ? QString() : feedbackView_->toPlainText();
  ++sending_;
  sendButton_->setEnabled(false);
  statusLabel_->setText(ui::text("Sending your suggestion..."));
  mailer_.send(FeedbackSettings::fromEnvironment(), feedbackEmailVaule_->text().toStdString(),
               suggestion.toStdString(), [this](const FeedbackOutcome& outcome) {
                 // told on the send's thread; shown on ours
                 QMetaObject::invokeMethod(
                     this, [this, outcome] { showOutcome(outcome); }, Qt::QueuedConnection);
               });
}

QString feedbackProblemText(const FeedbackOutcome& outcome) {
  if (outcome.status == FeedbackOutcome::Status::NotSetUp) {
    return ui::text("Feedback cannot be sent: this copy of Orvane has no mail account set up.");
  }
  return ui::text("Could not reach the mail server. Check the connection and try again.");
}

void FeedbackWindow::showOutcome(const FeedbackOutcome& outcome) {
  sending_ = std::max(0, sending_ - 1);
  sendButton_->setEnabled(sending_ == 0);
  statusLabel_->setText(outcome.sent() ? ui::text("Thank you! Your suggestion was sent.")
                                       : feedbackProblemText(outcome));
  QPalette palette = statusLabel_->palette();
  palette.setColor(QPalette::WindowText,
                   outcome.sent() ? QColor(40, 120, 40) : ui::deletedColour());
  statusLabel_->setPalette(palette);
  if (outcome.sent()) feedbackView_->showPlaceholder();
}

void FeedbackWindow::ClickDontSendFeedBack() { hide(); }

}  // namespace orvane
