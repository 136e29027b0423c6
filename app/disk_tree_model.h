#pragma once

#include <QAbstractItemModel>
#include <vector>

#include "rawscan/disk_info_node.h"

namespace orvane {

// The chooser's tree: a row per disk, its partitions under it. It reads
// the rows the disk controller built and never copies them.
class DiskTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column { kName, kFileSystem, kColumnCount };

  explicit DiskTreeModel(QObject* parent = nullptr);

  // Shows `rows` (the top of the tree) from now on.
  void setRows(std::vector<DiskRow> rows);
  DiskRow rowAt(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // The node behind an index; none for the invisible root.
  const PRDiskInfoNode* nodeOf(const QModelIndex& index) const;
  std::vector<DiskRow> rows_;
};

}  // namespace orvane
