#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "export/recovery_run.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace orvane {

class UserPrompts;

// The end of a recovery: what was written per category, where, and every
// problem line; a button shows the folder in the file manager.
class RecoveryDoneSheet : public QDialog {
  Q_OBJECT

 public:
  // A category's name and how many of its records were ticked.
  using CategoryCount = std::pair<QString, int>;

  RecoveryDoneSheet(UserPrompts& prompts, QWidget* parent);

  // Fills the sheet from a finished (or cancelled) run into `folder` and
  // shows it.
  void showReport(const RecoveryReport& report, const QString& folder,
                  const std::vector<CategoryCount>& ticked);

  QLabel* headline() const { return headline_; }
  // One line per category, "Contacts: 3".
  QStringList categoryLines() const;
  QPushButton* showFolderButton() const { return showFolderButton_; }
  QPlainTextEdit* problemsView() const { return problems_; }

 private:
  UserPrompts& prompts_;
  QString folder_;
  QLabel* headline_;
  QLabel* countsTitle_;
  QLabel* counts_;
  QLabel* folderLabel_;
  QPushButton* showFolderButton_;
  QPlainTextEdit* problems_;
};

}  // namespace orvane
