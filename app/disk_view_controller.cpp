#include "app/disk_view_controller.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/disk_tree_model.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "widgets/pr_image_and_text_cell.h"

namespace orvane {

PRDiskViewController::PRDiskViewController(CorvelAppDelegate& app, const RawEngine& engine,
                                           UserPrompts& prompts, QWidget* parent)
    : QWidget(parent), app_(app), engine_(engine), controller_(engine), prompts_(prompts) {
  setObjectName("DiskInfoView");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 10, 16, 12);
  layout->setSpacing(8);

  auto* header = new QHBoxLayout();
  auto* logo = new QLabel(this);
  logo->setPixmap(ui::artwork("orvane", {36, 36}));
  header->addWidget(logo);
  auto* title = new QLabel(ui::text("Orvane"), this);
  title->setFont(ui::font(22, true));
  title->setStyleSheet(QStringLiteral("color: %1").arg(ui::inkColour().name()));
  header->addWidget(title);
  auto* subtitle = new QLabel(ui::text("- Memory Card Recovery"), this);
  subtitle->setFont(ui::font(16));
  header->addWidget(subtitle, 0, Qt::AlignBottom);
  header->addStretch(1);
  homeButton_ = new QPushButton(ui::text("Home"), this);
  homeButton_->setObjectName("homeButton");
  header->addWidget(homeButton_);
  layout->addLayout(header);

  auto* banner = new QHBoxLayout();
  banner->setSpacing(12);
  auto* card = new QLabel(this);
  card->setObjectName("BannerImageView");
  card->setPixmap(ui::artwork("cardBtn", {48, 48}));
  banner->addWidget(card, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(4);
  selectlab_ =
      new QLabel(ui::text("Choose the memory card, or one of its partitions, to scan:"), this);
  selectlab_->setObjectName("selectlab");
  selectlab_->setFont(ui::font(13, true));
  texts->addWidget(selectlab_);
  notelab_ = new QLabel(ui::text("* Plug the memory card into the computer before scanning. The "
                                 "card is only read: nothing is written to it."),
                        this);
  notelab_->setObjectName("notelab");
  notelab_->setFont(ui::font(12));
  notelab_->setWordWrap(true);
  texts->addWidget(notelab_);
  banner->addLayout(texts, 1);
  layout->addLayout(banner);

  model_ = new DiskTreeModel(this);
  quickTableView_ = new QTreeView(this);
  quickTableView_->setObjectName("quickTableView");
  quickTableView_->setModel(model_);
  quickTableView_->setItemDelegateForColumn(DiskTreeModel::kName,
                                            new PRImageAndTextCell(quickTableView_));
  quickTableView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  quickTableView_->setSelectionMode(QAbstractItemView::SingleSelection);
  quickTableView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  quickTableView_->setAlternatingRowColors(true);
  quickTableView_->setUniformRowHeights(true);
  quickTableView_->setIconSize({16, 16});
  quickTableView_->header()->setStretchLastSection(true);
  quickTableView_->setColumnWidth(DiskTreeModel::kName, 520);
  layout->addWidget(quickTableView_, 1);

  emptyHint_ = new QLabel(quickTableView_->viewport());
  emptyHint_->setObjectName("emptyDiskHint");
  emptyHint_->setAlignment(Qt::AlignCenter);
  emptyHint_->setFont(ui::font(12));
  emptyHint_->setStyleSheet("color: #7a8894");
  auto* hintLayout = new QVBoxLayout(quickTableView_->viewport());
  hintLayout->addWidget(emptyHint_, 0, Qt::AlignCenter);

  auto* buttons = new QHBoxLayout();
  imageButton_ = new QPushButton(ui::text("Open Disk Image..."), this);
  imageButton_->setObjectName("openDiskImageButton");
  buttons->addWidget(imageButton_);
  buttons->addStretch(1);
  auto* refresh = new QPushButton(ui::text("Refresh"), this);
  refresh->setObjectName("refreshButton");
  buttons->addWidget(refresh);
  scanButton_ = new QPushButton(ui::text("Scan"), this);
  scanButton_->setObjectName("scanButton");
  scanButton_->setDefault(true);
  scanButton_->setMinimumWidth(90);
  buttons->addWidget(scanButton_);
  layout->addLayout(buttons);

  connect(quickTableView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &PRDiskViewController::outlineViewSelectionDidChange);
  connect(scanButton_, &QPushButton::clicked, this, &PRDiskViewController::CilckScan);
  connect(homeButton_, &QPushButton::clicked, this, &PRDiskViewController::ClickHome);
  connect(imageButton_, &QPushButton::clicked, this, &PRDiskViewController::openDiskImage);
  connect(refresh, &QPushButton::clicked, this, &PRDiskViewController::showView);
  connect(quickTableView_, &QTreeView::doubleClicked, this, &PRDiskViewController::CilckScan);
}

void PRDiskViewController::showView() {
  // the rows about to go must not stay chosen
  controller_.currentScanNode.reset();
  controller_.reload();
  model_->setRows(controller_.content());
  quickTableView_->expandAll();
  emptyHint_->setText(
      engine_.engineTable() == nullptr
          ? ui::text("The recovery engine could not be loaded:\nmemory cards cannot be listed.")
          : ui::text("No memory card was found.\nPlug the card in and press Refresh, or open a "
                     "disk image file."));
  emptyHint_->setVisible(model_->rowCount() == 0);
  imageButton_->setEnabled(engine_.engineTable() != nullptr);
  // a scan needs a chosen disk: without one it would find nothing
  scanButton_->setEnabled(false);
}

void PRDiskViewController::outlineViewSelectionDidChange() {
  const QModelIndexList rows = quickTableView_->selectionModel()->selectedRows();
  const DiskRow row = rows.isEmpty() ? nullptr : model_->rowAt(rows.first());
  if (row) controller_.outlineViewSelectionDidChange(row);
  scanButton_->setEnabled(row != nullptr);
}

void PRDiskViewController::CilckScan() {
  if (!scanButton_->isEnabled() || !controller_.currentScanNode) return;
  emit scanRequested(controller_.currentScanNode);
}

void PRDiskViewController::ClickHome() { emit homeRequested(); }

void PRDiskViewController::openDiskImage() {
  if (const std::optional<QString> chosen = prompts_.chooseDiskImage(window())) {
    chooseDevice(*chosen);
  }
}

bool PRDiskViewController::chooseDevice(const QString& path) {
  // the listing names an image by its whole path
  const QFileInfo info(path);
  const QString device = QDir::cleanPath(info.absoluteFilePath());
  if (info.isFile() && controller_.addDiskImage(device.toStdString()) != 0) {
    prompts_.warn(window(), ui::text("\"%1\" cannot be read as a disk image.").arg(device), {});
    return false;
  }
  showView();
  if (selectDevice(device.toStdString())) return true;
  prompts_.warn(window(), ui::text("\"%1\" is not among the disks of this computer.").arg(device),
                {});
  return false;
}

bool PRDiskViewController::selectDevice(const std::string& deviceName) {
  for (int row = 0; row < model_->rowCount(); ++row) {
    const QModelIndex index = model_->index(row, 0);
    const DiskRow disk = model_->rowAt(index);
    if (disk && disk->diskdev == deviceName) {
      quickTableView_->selectionModel()->select(
          index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      quickTableView_->scrollTo(index);
      return true;
    }
  }
  return false;
}

}  // namespace orvane
