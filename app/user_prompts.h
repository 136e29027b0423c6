#pragma once

// Every question the windows put to the user, behind one seam: the desktop
// answers with dialogs, the GUI tests answer in code.

#include <QString>
#include <QUrl>
#include <optional>

class QWidget;

namespace orvane {

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A question with a default and an alternate button; true for the default.
  virtual bool confirm(QWidget* parent, const QString& message, const QString& defaultButton,
                       const QString& alternateButton) = 0;
  // A message the user only acknowledges.
  virtual void inform(QWidget* parent, const QString& message, const QString& details) = 0;
  // Something went wrong: acknowledged as a message, shown with a warning.
  virtual void warn(QWidget* parent, const QString& message, const QString& details) {
    inform(parent, message, details);
  }
  // A ".bbb" or ".ipd" file to scan; nothing on Cancel.
  virtual std::optional<QString> chooseBackupFile(QWidget* parent) = 0;
  // A device backup folder kept elsewhere; nothing on Cancel.
  virtual std::optional<QString> chooseBackupFolder(QWidget* parent) = 0;
  // A disk image file to list as one more disk; nothing on Cancel.
  virtual std::optional<QString> chooseDiskImage(QWidget* parent) = 0;
  // The new export folder, proposed under `proposedName`; nothing on Cancel.
  virtual std::optional<QString> chooseExportFolder(QWidget* parent,
                                                    const QString& proposedName) = 0;
  // Shows a folder or opens a file with the desktop's default application.
  virtual void openWithDesktop(const QUrl& url) = 0;
  // Whether the desktop has a file manager to show a folder in.
  virtual bool canShowFolders() const { return true; }
};

// Dialogs of the platform.
class DesktopPrompts final : public UserPrompts {
 public:
  bool confirm(QWidget* parent, const QString& message, const QString& defaultButton,
               const QString& alternateButton) override;
  void inform(QWidget* parent, const QString& message, const QString& details) override;
  void warn(QWidget* parent, const QString& message, const QString& details) override;
  std::optional<QString> chooseBackupFile(QWidget* parent) override;
  std::optional<QString> chooseBackupFolder(QWidget* parent) override;
  std::optional<QString> chooseDiskImage(QWidget* parent) override;
  std::optional<QString> chooseExportFolder(QWidget* parent, const QString& proposedName) override;
  void openWithDesktop(const QUrl& url) override;
  bool canShowFolders() const override;
};

}  // namespace orvane
