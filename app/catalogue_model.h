#pragma once

#include <QAbstractTableModel>
#include <memory>

#include "ios/ios_device_controller.h"

namespace orvane {

// The start screen's table of the device backups kept on this computer.
class CatalogueModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CatalogueModel(QObject* parent = nullptr);

  // Empties the catalogue and reads `root` again.
  void showIphoneDisk(const std::filesystem::path& root);
  std::shared_ptr<PRIOSDeviceNode> nodeAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  PRIOSDeviceController deviceController_;
};

}  // namespace orvane
