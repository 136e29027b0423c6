#pragma once

#include <QWidget>
#include <memory>

#include "core/app_delegate.h"
#include "rawscan/disk_file_controller.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace orvane {

class DiskTreeModel;
class UserPrompts;

// The disk and partition chooser of the memory-card source: the tree of
// the engine's disks, Scan for the chosen row, Home, and a disk image file
// opened as one more disk.
class PRDiskViewController : public QWidget {
  Q_OBJECT

 public:
  PRDiskViewController(CorvelAppDelegate& app, const RawEngine& engine, UserPrompts& prompts,
                       QWidget* parent = nullptr);

  // Builds the tree again (the engine's disks, their volume names) and
  // expands every disk. Nothing is chosen afterwards.
  void showView();

  void CilckScan();
  void ClickHome();
  // Asks for a disk image file and lists it as one more disk, chosen.
  void openDiskImage();
  // Chooses the disk of that device name, listing a disk image file first;
  // false, after telling the user why, when there is no such disk.
  bool chooseDevice(const QString& path);

  PRDiskFileController& controller() { return controller_; }
  DiskTreeModel* model() const { return model_; }
  QTreeView* quickTableView() const { return quickTableView_; }
  QPushButton* scanButton() const { return scanButton_; }
  QPushButton* homeButton() const { return homeButton_; }
  QPushButton* imageButton() const { return imageButton_; }
  QLabel* emptyHint() const { return emptyHint_; }

 signals:
  // Scan was pressed with `row` chosen.
  void scanRequested(DiskRow row);
  void homeRequested();

 private:
  void outlineViewSelectionDidChange();
  bool selectDevice(const std::string& deviceName);

  CorvelAppDelegate& app_;
  const RawEngine& engine_;
  PRDiskFileController controller_;
  UserPrompts& prompts_;
  DiskTreeModel* model_;
  QTreeView* quickTableView_;
  QLabel* selectlab_;
  QLabel* notelab_;
  QLabel* emptyHint_;
  QPushButton* scanButton_;
  QPushButton* homeButton_;
  QPushButton* imageButton_;
};

}  // namespace orvane
