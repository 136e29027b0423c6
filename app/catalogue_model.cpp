#include "app/catalogue_model.h"

#include "app/ui_style.h"

namespace orvane {

namespace {

enum Column { kName, kType, kVersion, kBackupTime, kColumnCount };

}  // namespace

CatalogueModel::CatalogueModel(QObject* parent) : QAbstractTableModel(parent) {}

void CatalogueModel::showIphoneDisk(const std::filesystem::path& root) {
  beginResetModel();
  deviceController_.showIphoneDisk(root);
  endResetModel();
}

std::shared_ptr<PRIOSDeviceNode> CatalogueModel::nodeAt(int row) const {
  const auto& nodes = deviceController_.content();
  if (row < 0 || static_cast<std::size_t>(row) >= nodes.size()) return nullptr;
  return nodes[static_cast<std::size_t>(row)];
}

int CatalogueModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(deviceController_.content().size());
}

int CatalogueModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant CatalogueModel::data(const QModelIndex& index, int role) const {
  const auto node = nodeAt(index.row());
  if (!node) return {};
  if (role == Qt::FontRole) return ui::font(11);
  if (role == Qt::DecorationRole && index.column() == kName) {
    return ui::artworkIcon(node->deviceImage == "ipad" ? "ipad" : "iphone", {16, 16});
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kName:
      return role == Qt::ToolTipRole ? QString::fromStdString(node->backUpFilePath)
                                     : QString::fromStdString(node->strDeviceName);
    case kType:
      return QString::fromStdString(node->strDeviceType);
    case kVersion:
      return QString::fromStdString(node->strIOSVersion);
    case kBackupTime:
      return QString::fromStdString(node->strDeviceBackUpTime);
    default:
      return {};
  }
}

QVariant CatalogueModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::FontRole) return ui::font(11);
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return ui::text("Name");
    case kType:
      return ui::text("Type");
    case kVersion:
      return ui::text("Version");
    case kBackupTime:
      return ui::text("Backup Time");
    default:
      return {};
  }
}

}  // namespace orvane
