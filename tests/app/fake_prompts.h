#pragma once

// Answers the windows' questions in code and remembers what was asked.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "app/user_prompts.h"

namespace orvane::testing {

class FakePrompts final : public UserPrompts {
 public:
  bool answerDefault = false;
  std::optional<QString> backupFile;
  std::optional<QString> exportFolder;
  std::optional<QString> diskImage;
  QStringList questions;  // "message|default|alternate"
  QStringList messages;
  QStringList proposedNames;
  QList<QUrl> opened;

  bool confirm(QWidget*, const QString& message, const QString& defaultButton,
               const QString& alternateButton) override {
    questions << message + "|" + defaultButton + "|" + alternateButton;
    return answerDefault;
  }
  void inform(QWidget*, const QString& message, const QString&) override { messages << message; }
  std::optional<QString> chooseBackupFile(QWidget*) override { return backupFile; }
  std::optional<QString> chooseBackupFolder(QWidget*) override { return std::nullopt; }
  std::optional<QString> chooseDiskImage(QWidget*) override { return diskImage; }
  std::optional<QString> chooseExportFolder(QWidget*, const QString& proposedName) override {
    proposedNames << proposedName;
    return exportFolder;
  }
  void openWithDesktop(const QUrl& url) override { opened << url; }
};

}  // namespace orvane::testing
