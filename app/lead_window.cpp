#include "app/lead_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "app/ui_style.h"

namespace orvane {

namespace {
constexpr const char* kHiddenAtStartKey = "welcome/hiddenAtStart";
}  // namespace

namespace {

constexpr const char* kTips[] = {
    "To read a BlackBerry backup, choose \"BlackBerry Backup File\" and open its .BBB or .IPD "
    "file.",
    "To find deleted pictures, videos, music and documents, plug the memory card in first, then "
    "choose \"Memory Card\".",
    "Tick what you want back and press Recover: it is written to a new folder, never to the "
    "backup or the card.",
};

}  // namespace

LeadWindow::LeadWindow(QWidget* parent) : QDialog(parent, Qt::Sheet) {
  setObjectName("leadWindow");
  setWindowTitle(ui::text("Welcome to Orvane"));
  setWindowModality(Qt::WindowModal);
  setFixedWidth(500);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->setSpacing(10);
  auto* header = new QHBoxLayout();
  header->setSpacing(12);
  auto* logo = new QLabel(this);
  logo->setPixmap(ui::artwork("orvane", {48, 48}));
  header->addWidget(logo, 0, Qt::AlignTop);
  auto* titles = new QVBoxLayout();
  titles->setSpacing(4);
  auto* title = new QLabel(ui::text("Welcome to Orvane"), this);
  title->setFont(ui::font(20, true));
  title->setStyleSheet(QStringLiteral("color: %1").arg(ui::inkColour().name()));
  titles->addWidget(title);
  auto* welcome =
      new QLabel(ui::text("Orvane rescues contacts, messages, call history, notes and files from "
                          "BlackBerry backups, device backups and memory cards."),
                 this);
  welcome->setObjectName("welcomeText");
  welcome->setWordWrap(true);
  welcome->setFont(ui::font(13));
  titles->addWidget(welcome);
  header->addLayout(titles, 1);
  layout->addLayout(header);

  auto* tips = new QGridLayout();
  tips->setHorizontalSpacing(10);
  tips->setVerticalSpacing(8);
  tips->setContentsMargins(60, 6, 0, 0);
  int row = 0;
  for (const char* tip : kTips) {
    auto* number = new QLabel(QString::number(row + 1), this);
    number->setFont(ui::font(13, true));
    number->setFixedSize(22, 22);
    number->setAlignment(Qt::AlignCenter);
    number->setStyleSheet(QStringLiteral("color: white; background: %1; border-radius: 11px;")
                              .arg(ui::deletedColour().name()));
    auto* text = new QLabel(ui::text(tip), this);
    text->setObjectName(QStringLiteral("tip%1").arg(row + 1));
    text->setWordWrap(true);
    text->setFont(ui::font(12));
    tips->addWidget(number, row, 0, Qt::AlignTop);
    tips->addWidget(text, row, 1);
    ++row;
  }
  tips->setColumnStretch(1, 1);
  layout->addLayout(tips);
  layout->addSpacing(6);

  auto* buttons = new QHBoxLayout();
  learnMoreButton_ = new QPushButton(ui::text("Learn More..."), this);
  learnMoreButton_->setObjectName("learnMoreButton");
  ui::styleAsLink(learnMoreButton_, ui::font(12));
  buttons->addWidget(learnMoreButton_);
  buttons->addStretch(1);
  dontShowBox_ = new QCheckBox(ui::text("Don't show this again"), this);
  dontShowBox_->setObjectName("dontShowBox");
  dontShowBox_->setFont(ui::font(12));
  dontShowBox_->setChecked(!showAtStart());
  buttons->addWidget(dontShowBox_);
  buttons->addSpacing(12);
  startButton_ = new QPushButton(ui::text("Start"), this);
  startButton_->setObjectName("startButton");
  startButton_->setDefault(true);
  startButton_->setMinimumWidth(100);
  buttons->addWidget(startButton_);
  layout->addLayout(buttons);

  connect(startButton_, &QPushButton::clicked, this, &LeadWindow::ClickStart);
  connect(dontShowBox_, &QCheckBox::toggled, this,
          [](bool hidden) { QSettings().setValue(kHiddenAtStartKey, hidden); });
  connect(learnMoreButton_, &QPushButton::clicked, this, &LeadWindow::ClickLearnMore);
}

bool LeadWindow::showAtStart() { return !QSettings().value(kHiddenAtStartKey, false).toBool(); }

void LeadWindow::ClickStart() {
  // ends the sheet's modal session and takes it off the window
  done(QDialog::Accepted);
  close();
}

}  // namespace orvane
