#include "app/disk_tree_model.h"

#include <QFont>

#include "app/ui_style.h"

namespace orvane {

namespace {

constexpr QSize kIconSize{16, 16};

}  // namespace

// An index points at its parent's node (none at the top), and its row is
// the position among that parent's children: a partition finds its disk
// through the pointer, and a disk needs no parent.
DiskTreeModel::DiskTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void DiskTreeModel::setRows(std::vector<DiskRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

const PRDiskInfoNode* DiskTreeModel::nodeOf(const QModelIndex& index) const {
  if (!index.isValid()) return nullptr;
  const auto* parentNode = static_cast<const PRDiskInfoNode*>(index.internalPointer());
  const auto row = static_cast<std::size_t>(index.row());
  if (parentNode == nullptr) return row < rows_.size() ? rows_[row].get() : nullptr;
  return row < parentNode->children.size() ? parentNode->children[row].get() : nullptr;
}

DiskRow DiskTreeModel::rowAt(const QModelIndex& index) const {
  if (!index.isValid()) return nullptr;
  const auto* parentNode = static_cast<const PRDiskInfoNode*>(index.internalPointer());
  const auto row = static_cast<std::size_t>(index.row());
  const std::vector<DiskRow>& siblings = parentNode == nullptr ? rows_ : parentNode->children;
  return row < siblings.size() ? siblings[row] : nullptr;
}

QModelIndex DiskTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kColumnCount || row >= rowCount(parent)) return {};
  // a partition's index carries its disk
  return createIndex(row, column, nodeOf(parent));
}

QModelIndex DiskTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalPointer() == nullptr) return {};
  const auto* disk = static_cast<const PRDiskInfoNode*>(child.internalPointer());
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].get() == disk) return createIndex(static_cast<int>(row), 0, nullptr);
  }
  return {};
}

int DiskTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  if (!parent.isValid()) return static_cast<int>(rows_.size());
  // partitions have no children of their own in the chooser
  if (parent.internalPointer() != nullptr) return 0;
  const PRDiskInfoNode* disk = nodeOf(parent);
  return disk == nullptr ? 0 : static_cast<int>(disk->children.size());
}

int DiskTreeModel::columnCount(const QModelIndex&) const { return kColumnCount; }

QVariant DiskTreeModel::data(const QModelIndex& index, int role) const {
  const PRDiskInfoNode* node = nodeOf(index);
  if (node == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (index.column() == kName) return QString::fromStdString(node->partitionName);
      if (index.column() == kFileSystem) {
        return QString::fromStdString(node->partitionType.value_or(""));
      }
      return {};
    case Qt::DecorationRole:
      if (index.column() == kName && !node->partitionIcon.empty()) {
        return ui::artworkIcon(QString::fromStdString(node->partitionIcon), kIconSize);
      }
      return {};
    case Qt::FontRole:
      return ui::font(12);
    default:
      return {};
  }
}

QVariant DiskTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName:
      return ui::text("Name");
    case kFileSystem:
      return ui::text("File System");
    default:
      return {};
  }
}

}  // namespace orvane
