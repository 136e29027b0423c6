#include "app/user_prompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

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
  // the patterns take any letter case (".Ipd"); the list shows only the name
  const QString path = QFileDialog::getOpenFileName(
      parent, ui::text("Open BlackBerry Backup"), QDir::homePath(),
      ui::text("BlackBerry backups (.bbb, .ipd)") + " (*.[bB][bB][bB] *.[iI][pP][dD])", nullptr,
      QFileDialog::HideNameFilterDetails);
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
      ui::text("Disk images") +
          " (*.[iI][mM][gG] *.[dD][dD] *.[rR][aA][wW] *.[bB][iI][nN] *.[iI][sS][oO] "
          "*.[dD][mM][gG]);;" +
          ui::text("All files") + " (*)",
      nullptr, QFileDialog::HideNameFilterDetails);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> DesktopPrompts::chooseExportFolder(QWidget* parent,
                                                          const QString& proposedName) {
  // where the new folder goes, and its name
  QDialog dialog(parent);
  dialog.setWindowTitle(ui::text("Recover"));
  dialog.setWindowModality(Qt::WindowModal);
  if (parent != nullptr) attachSheet(&dialog, parent->window());
  auto* form = new QFormLayout(&dialog);
  auto* place = new QLabel(QDir::homePath(), &dialog);
  place->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* choose = new QPushButton(ui::text("Choose..."), &dialog);
  auto* placeRow = new QHBoxLayout();
  placeRow->addWidget(place, 1);
  placeRow->addWidget(choose);
  form->addRow(ui::text("Save in:"), placeRow);
  auto* name = new QLineEdit(proposedName, &dialog);
  name->setMinimumWidth(320);
  form->addRow(ui::text("New folder name:"), name);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  QPushButton* recover = buttons->addButton(ui::text("Recover"), QDialogButtonBox::AcceptRole);
  recover->setDefault(true);
  form->addRow(buttons);
  QObject::connect(choose, &QPushButton::clicked, &dialog, [&dialog, place] {
    const QString folder = QFileDialog::getExistingDirectory(
        &dialog, ui::text("Save Recovered Files In"), place->text());
    if (!folder.isEmpty()) place->setText(folder);
  });
  QObject::connect(name, &QLineEdit::textChanged, recover, [recover](const QString& text) {
    // a name, not a path
    recover->setEnabled(!text.trimmed().isEmpty() && !text.contains('/'));
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  name->selectAll();
  name->setFocus();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return QDir(place->text()).filePath(name->text().trimmed());
}

void DesktopPrompts::openWithDesktop(const QUrl& url) { QDesktopServices::openUrl(url); }

bool DesktopPrompts::canShowFolders() const {
  return !QStandardPaths::findExecutable("xdg-open").isEmpty();
}

}  // namespace orvane
