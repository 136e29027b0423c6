#include "app/start_view.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/catalogue_model.h"
#include "app/ui_style.h"
#include "widgets/pr_button.h"
#include "widgets/pr_image_and_text_cell.h"

namespace orvane {

namespace {

constexpr QSize kOptionSize{390, 96};
constexpr QSize kOptionPicture{56, 56};

// The option button's parts, found by name when the pictures change.
constexpr const char* kBackground = "optionBackground";
constexpr const char* kPicture = "optionPicture";

// Shows its ring while the watched widget has keyboard focus.
class FocusRing final : public QObject {
 public:
  FocusRing(QLabel* ring, QObject* parent) : QObject(parent), ring_(ring) {}
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) {
      // a click focuses too; only the keyboard's focus is drawn
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      ring_->setVisible(reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
      ring_->raise();
    } else if (event->type() == QEvent::FocusOut) {
      ring_->hide();
    }
    return false;
  }

 private:
  QLabel* ring_;
};

QLabel* partOf(PRButton* button, const char* name) {
  return button->findChild<QLabel*>(QString::fromLatin1(name));
}

}  // namespace

QString StartView::defaultNote() {
  return ui::text(
      "* Extract data and files from your BlackBerry's .BBB or .IPD backup files.\n* Recover "
      "deleted Photos, Videos, Audios, Document and others from BlackBerry's external memory "
      "card.");
}

StartView::StartView(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 14, 20, 12);
  layout->setSpacing(10);

  auto* header = new QHBoxLayout();
  auto* logo = new QLabel(this);
  logo->setPixmap(ui::artwork("orvane", {48, 48}));
  header->addWidget(logo);
  auto* titles = new QVBoxLayout();
  titles->setSpacing(0);
  auto* title = new QLabel(ui::text("Orvane"), this);
  title->setFont(ui::font(26, true));
  title->setStyleSheet(QStringLiteral("color: %1").arg(ui::inkColour().name()));
  titles->addWidget(title);
  auto* tagline = new QLabel(
      ui::text("Rescue contacts, messages and files from phone backups and memory cards"), this);
  tagline->setFont(ui::font(13));
  titles->addWidget(tagline);
  header->addLayout(titles);
  header->addStretch(1);
  layout->addLayout(header);

  auto* columns = new QHBoxLayout();
  columns->setSpacing(18);
  auto* options = new QVBoxLayout();
  options->setSpacing(12);
  auto* optionsTitle = new QLabel(ui::text("Choose what to recover"), this);
  optionsTitle->setFont(ui::font(14, true));
  options->addWidget(optionsTitle);
  backupButton_ = makeOption(ui::text("BlackBerry Backup File"),
                             ui::text("Read a .BBB or .IPD backup file"), "ipdBtn");
  backupButton_->setObjectName("backupButton");
  cardButton_ = makeOption(ui::text("Memory Card"), ui::text("Find deleted files on a memory card"),
                           "cardBtn");
  cardButton_->setObjectName("cardButton");
  options->addWidget(backupButton_);
  options->addWidget(cardButton_);
  options->addStretch(1);
  columns->addLayout(options);

  auto* backups = new QVBoxLayout();
  backups->setSpacing(6);
  auto* backupsTitle = new QLabel(ui::text("Device backups on this computer"), this);
  backupsTitle->setFont(ui::font(14, true));
  backups->addWidget(backupsTitle);
  catalogue_ = new CatalogueModel(this);
  backupTable_ = new QTableView(this);
  backupTable_->setObjectName("backupTable");
  backupTable_->setModel(catalogue_);
  backupTable_->setItemDelegateForColumn(0, new PRImageAndTextCell(backupTable_));
  backupTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  backupTable_->setSelectionMode(QAbstractItemView::SingleSelection);
  backupTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  backupTable_->setShowGrid(false);
  backupTable_->setAlternatingRowColors(true);
  backupTable_->verticalHeader()->hide();
  backupTable_->horizontalHeader()->setStretchLastSection(true);
  backupTable_->setColumnWidth(0, 130);
  backupTable_->setColumnWidth(1, 80);
  backupTable_->setColumnWidth(2, 60);
  backups->addWidget(backupTable_, 1);
  auto* hint = new QLabel(
      ui::text("No device backups were found on this computer.\nA backup kept elsewhere opens "
               "with \"Open Backup Folder...\"."),
      backupTable_->viewport());
  hint->setObjectName("emptyCatalogueHint");
  hint->setAlignment(Qt::AlignCenter);
  hint->setWordWrap(true);
  hint->setMinimumWidth(320);
  hint->setFont(ui::font(12));
  hint->setStyleSheet("color: #7a8894");
  auto* hintLayout = new QVBoxLayout(backupTable_->viewport());
  hintLayout->addWidget(hint, 0, Qt::AlignCenter);
  auto showHint = [this, hint] { hint->setVisible(catalogue_->rowCount() == 0); };
  auto* backupButtons = new QHBoxLayout();
  openFolderButton_ = new QPushButton(ui::text("Open Backup Folder..."), this);
  openFolderButton_->setObjectName("openFolderButton");
  backupButtons->addWidget(openFolderButton_);
  backupButtons->addStretch(1);
  scanButton_ = new QPushButton(ui::text("Scan"), this);
  scanButton_->setObjectName("scanButton");
  scanButton_->setEnabled(false);
  scanButton_->setMinimumWidth(90);
  backupButtons->addWidget(scanButton_);
  backups->addLayout(backupButtons);
  columns->addLayout(backups, 1);
  layout->addLayout(columns, 1);

  auto* bottom = new QHBoxLayout();
  noteLabel_ = new QLabel(defaultNote(), this);
  noteLabel_->setObjectName("noteLabel");
  noteLabel_->setFont(ui::font(12));
  noteLabel_->setMinimumHeight(noteLabel_->fontMetrics().lineSpacing() * 2 + 4);
  noteLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  bottom->addWidget(noteLabel_, 1);
  auto* learnMore = new QPushButton(ui::text("Learn More..."), this);
  learnMore->setObjectName("learnMoreButton");
  ui::styleAsLink(learnMore, ui::font(12));
  bottom->addWidget(learnMore, 0, Qt::AlignTop);
  layout->addLayout(bottom);

  connect(backupButton_, &PRButton::clicked, this, &StartView::ClickBBBackUp);
  connect(cardButton_, &PRButton::clicked, this, &StartView::ClickRawRecover);
  connect(learnMore, &QPushButton::clicked, this, &StartView::ClickLearnMore);
  connect(openFolderButton_, &QPushButton::clicked, this, &StartView::openBackupFolder);
  for (PRButton* button : {backupButton_, cardButton_}) {
    connect(button, &PRButton::PRbuttonMouseEntered, this, &StartView::mouseEntered);
    connect(button, &PRButton::PRbuttonMouseExited, this, &StartView::mouseExited);
  }
  // the scan button works exactly while a backup is selected
  connect(backupTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { scanButton_->setEnabled(backupTable_->selectionModel()->hasSelection()); });
  connect(catalogue_, &QAbstractItemModel::modelReset, this, [this, showHint] {
    scanButton_->setEnabled(false);
    showHint();
  });
  // Enter and a double-click open the selected backup, as Scan does
  connect(backupTable_, &QAbstractItemView::activated, scanButton_, &QPushButton::click);
  connect(scanButton_, &QPushButton::clicked, this, [this] {
    const QModelIndexList rows = backupTable_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    if (const auto node = catalogue_->nodeAt(rows.first().row())) {
      emit scanBackupFolder(QString::fromStdString(node->backUpFilePath));
    }
  });
}

PRButton* StartView::makeOption(const QString& title, const QString& detail,
                                const QString& picture) {
  auto* button = new PRButton(this);
  button->setFixedSize(kOptionSize);
  button->setFlat(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet("QPushButton { border: none; background: transparent; }");
  button->setAccessibleName(title);
  button->setProperty("pictureName", picture);

  auto* background = new QLabel(button);
  background->setObjectName(kBackground);
  background->setGeometry(QRect(QPoint(0, 0), kOptionSize));
  auto* image = new QLabel(button);
  image->setObjectName(kPicture);
  image->setGeometry(
      QRect(QPoint(18, (kOptionSize.height() - kOptionPicture.height()) / 2), kOptionPicture));
  auto* titleLabel = new QLabel(title, button);
  titleLabel->setFont(ui::font(16, true));
  titleLabel->setGeometry(90, 22, 250, 26);
  auto* detailLabel = new QLabel(detail, button);
  detailLabel->setFont(ui::font(12));
  detailLabel->setGeometry(90, 50, 250, 22);
  for (QLabel* part : {background, image, titleLabel, detailLabel}) {
    part->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  // keyboard focus shows as a ring over the card's picture
  auto* focusRing = new QLabel(button);
  focusRing->setGeometry(QRect(QPoint(0, 0), kOptionSize));
  focusRing->setStyleSheet(
      QStringLiteral("border: 2px solid %1; border-radius: 10px;").arg(ui::inkColour().name()));
  focusRing->setAttribute(Qt::WA_TransparentForMouseEvents);
  focusRing->hide();
  button->setFocusPolicy(Qt::StrongFocus);
  button->installEventFilter(new FocusRing(focusRing, button));
  setOptionImages(button, false);
  return button;
}

void StartView::setOptionImages(PRButton* button, bool hovered) {
  const QString background = hovered ? "firstBtnDown" : "firstBtn";
  const QString picture = button->property("pictureName").toString() + (hovered ? "Down" : "");
  QLabel* backgroundLabel = partOf(button, kBackground);
  QLabel* pictureLabel = partOf(button, kPicture);
  backgroundLabel->setPixmap(ui::artwork(background, kOptionSize));
  backgroundLabel->setProperty("artwork", background);
  pictureLabel->setPixmap(ui::artwork(picture, kOptionPicture));
  pictureLabel->setProperty("artwork", picture);
}

QString StartView::pictureOf(PRButton* button) const {
  return partOf(button, kPicture)->property("artwork").toString();
}

QString StartView::backgroundOf(PRButton* button) const {
  return partOf(button, kBackground)->property("artwork").toString();
}

void StartView::mouseEntered(PRButton* button) {
  setOptionImages(button, true);
  if (button == backupButton_) {
    noteLabel_->setText(
        ui::text("* This option will scan your BlackBerry's .BBB or .IPD backup files."));
  } else if (button == cardButton_) {
    noteLabel_->setText(
        ui::text("* Please plug the external memory card into the computer before scanning."));
  }
}

void StartView::mouseExited(PRButton* button) {
  setOptionImages(button, false);
  noteLabel_->setText(defaultNote());
}

void StartView::showIphoneDisk(const std::filesystem::path& root) {
  catalogue_->showIphoneDisk(root);
}

}  // namespace orvane
