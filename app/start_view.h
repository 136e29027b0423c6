#pragma once

#include <QString>
#include <QWidget>
#include <filesystem>

class QLabel;
class QPushButton;
class QTableView;

namespace orvane {

class CatalogueModel;
class PRButton;

// The start screen: the two sources to choose from, with their hover
// texts, and the table of device backups kept on this computer.
class StartView : public QWidget {
  Q_OBJECT

 public:
  explicit StartView(QWidget* parent = nullptr);

  static QString defaultNote();

  // Reads the catalogue of device backups again.
  void showIphoneDisk(const std::filesystem::path& root);

  PRButton* backupButton() const { return backupButton_; }
  PRButton* cardButton() const { return cardButton_; }
  QLabel* noteLabel() const { return noteLabel_; }
  QTableView* backupTable() const { return backupTable_; }
  QPushButton* scanButton() const { return scanButton_; }
  QPushButton* openFolderButton() const { return openFolderButton_; }
  CatalogueModel* catalogue() const { return catalogue_; }
  // The picture beside an option button ("ipdBtn", "cardBtn" or their
  // "Down" forms) and its background ("firstBtn" or "firstBtnDown").
  QString pictureOf(PRButton* button) const;
  QString backgroundOf(PRButton* button) const;

 signals:
  void ClickBBBackUp();
  void ClickRawRecover();
  void ClickLearnMore();
  void openBackupFolder();
  // the catalogue entry whose scan button was pressed
  void scanBackupFolder(const QString& folder);

 private:
  PRButton* makeOption(const QString& title, const QString& detail, const QString& picture);
  void mouseEntered(PRButton* button);
  void mouseExited(PRButton* button);
  void setOptionImages(PRButton* button, bool hovered);

  PRButton* backupButton_ = nullptr;
  PRButton* cardButton_ = nullptr;
  QLabel* noteLabel_ = nullptr;
  QTableView* backupTable_ = nullptr;
  QPushButton* scanButton_ = nullptr;
  QPushButton* openFolderButton_ = nullptr;
  CatalogueModel* catalogue_ = nullptr;
};

}  // namespace orvane
