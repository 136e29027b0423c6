#include "app/about_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_style.h"

namespace orvane {

namespace {

QFont arialLink() {
  QFont font("Arial");
  font.setPixelSize(12);
  return font;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("aboutWindow");
  setWindowTitle(ui::text("About Orvane"));
  setFixedWidth(360);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->setSpacing(6);
  auto* logo = new QLabel(this);
  logo->setPixmap(ui::artwork("orvane", {72, 72}));
  layout->addWidget(logo, 0, Qt::AlignHCenter);
  auto* name = new QLabel(ui::text("Orvane"), this);
  name->setFont(ui::font(24, true));
  name->setStyleSheet(QStringLiteral("color: %1").arg(ui::inkColour().name()));
  layout->addWidget(name, 0, Qt::AlignHCenter);
  auto* version = new QLabel(ui::text("Version %1").arg(QStringLiteral(ORVANE_VERSION)), this);
  version->setObjectName("versionLabel");
  version->setFont(ui::font(12));
  layout->addWidget(version, 0, Qt::AlignHCenter);
  auto* about = new QLabel(
      ui::text("Rescues personal data from BlackBerry backups, device backups and memory cards."),
      this);
  about->setWordWrap(true);
  about->setAlignment(Qt::AlignHCenter);
  about->setFont(ui::font(12));
  layout->addSpacing(4);
  layout->addWidget(about);
  layout->addSpacing(6);

  auto* links = new QHBoxLayout();
  links->setSpacing(18);
  supportButton_ = new QPushButton(ui::text("Support"), this);
  supportButton_->setObjectName("supportButton");
  homePageButton_ = new QPushButton(ui::text("Home Page"), this);
  homePageButton_->setObjectName("homePageButton");
  links->addStretch(1);
  for (QPushButton* link : {supportButton_, homePageButton_}) {
    ui::styleAsLink(link, arialLink());
    links->addWidget(link);
  }
  links->addStretch(1);
  layout->addLayout(links);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  closeButton_ = buttons->button(QDialogButtonBox::Close);
  closeButton_->setObjectName("closeButton");
  layout->addSpacing(6);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  connect(supportButton_, &QPushButton::clicked, this, &AboutWindow::ClickHelp);
  connect(homePageButton_, &QPushButton::clicked, this, &AboutWindow::ClickHomePage);
}

}  // namespace orvane
