#include "app/user_prompts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/sheet_placement.h"
#include "app/ui_style.h"

namespace orvane {

bool DesktopPrompts::confirm(QWidget* parent, const QString& message, const QString& defaultButton,
                             const QString& alternateButton) {
  QMessageBox box(parent);
  box.setIcon(QMessageBox::Question);
  box.setWindowModality(Qt::WindowModal);
  if (parent != nullptr) attachSheet(&box, parent->window());
  box.setText(message);
  QPushButton* yes = box.addButton(defaultButton, QMessageBox::AcceptRole);
  box.addButton(alternateButton, QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.exec();
  return box.clickedButton() == yes;
}

namespace {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& message,
                 const QString& details) {
  QMessageBox box(parent);
  box.setIcon(icon);
  box.setWindowModality(Qt::WindowModal);
  if (parent != nullptr) attachSheet(&box, parent->window());
  box.setText(message);
  if (!details.isEmpty()) box.setDetailedText(details);
  box.exec();
}

}  // namespace

void DesktopPrompts::inform(QWidget* parent, const QString& message, const QString& details) {
  showMessage(parent, QMessageBox::Information, message, details);
}

void DesktopPrompts::warn(QWidget* parent, const QString& message, const QString& details) {
  showMessage(parent, QMessageBox::Warning, message, details);
}

std::optional<QString> DesktopPrompts::chooseBackupFile(QWidget* parent) {
  const QString path =
      QFileDialog::getOpenFileName(parent, ui::text("Open BlackBerry Backup"), QDir::homePath(),
                                   ui::text("BlackBerry backups (*.bbb *.ipd *.BBB *.IPD)"));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> DesktopPrompts::chooseBackupFolder(QWidget* parent) {
  const QString path = QFileDialog::getExistingDirectory(
      parent, ui::text("Open Device Backup Folder"), QDir::homePath());
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> DesktopPrompts::chooseDiskImage(QWidget* parent) {
  const QString path = QFileDialog::getOpenFileName(
      parent, ui::text("Open Disk Image"), QDir::homePath(),
      ui::text("Disk images (*.img *.dd *.raw *.bin *.iso *.dmg);;All files (*)"));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> DesktopPrompts::chooseExportFolder(QWidget* parent,
                                                          const QString& proposedName) {
  // the panel names a folder to be made, so it asks for a new name
  const QString path =
      QFileDialog::getSaveFileName(parent, ui::text("Recover"), QDir::home().filePath(proposedName),
                                   QString(), nullptr, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

void DesktopPrompts::openWithDesktop(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace orvane
