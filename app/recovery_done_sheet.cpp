#include "app/recovery_done_sheet.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/sheet_placement.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"

namespace orvane {

RecoveryDoneSheet::RecoveryDoneSheet(UserPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Sheet), prompts_(prompts) {
  setObjectName("recoveryDoneSheet");
  setWindowTitle(ui::text("Recovery"));
  setWindowModality(Qt::WindowModal);
  attachSheet(this, parent->window());
  setMinimumWidth(460);
  auto* layout = new QVBoxLayout(this);
  headline_ = new QLabel(this);
  headline_->setFont(ui::font(13, true));
  headline_->setWordWrap(true);
  layout->addWidget(headline_);
  countsTitle_ = new QLabel(this);
  countsTitle_->setFont(ui::font(12, true));
  layout->addWidget(countsTitle_);
  counts_ = new QLabel(this);
  counts_->setFont(ui::font(12));
  counts_->setContentsMargins(12, 0, 0, 0);
  layout->addWidget(counts_);
  auto* folderRow = new QHBoxLayout();
  folderLabel_ = new QLabel(this);
  folderLabel_->setFont(ui::font(12));
  folderLabel_->setWordWrap(true);
  folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  folderRow->addWidget(folderLabel_, 1);
  showFolderButton_ = new QPushButton(ui::text("Show in File Manager"), this);
  showFolderButton_->setObjectName("showFolderButton");
  folderRow->addWidget(showFolderButton_);
  layout->addLayout(folderRow);
  problems_ = new QPlainTextEdit(this);
  problems_->setReadOnly(true);
  problems_->setMinimumHeight(90);
  layout->addWidget(problems_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(showFolderButton_, &QPushButton::clicked, this,
          [this] { prompts_.openWithDesktop(QUrl::fromLocalFile(folder_)); });
}

void RecoveryDoneSheet::showReport(const RecoveryReport& report, const QString& folder,
                                   const std::vector<CategoryCount>& ticked) {
  folder_ = folder;
  if (report.stopped) {
    headline_->setText(ui::text("Recovery cancelled: %1 of %2 records were written. Every file "
                                "in the folder is whole.")
                           .arg(report.recordsWritten)
                           .arg(report.recordsTicked));
  } else if (report.complete()) {
    headline_->setText(
        ui::text("Recovery finished: %1 records were written.").arg(report.recordsWritten));
  } else {
    headline_->setText(ui::text("Recovery finished: %1 of %2 records were written; %3 could not "
                                "be written.")
                           .arg(report.recordsWritten)
                           .arg(report.recordsTicked)
                           .arg(report.recordsNotWritten()));
  }
  // a run that wrote every record wrote each category's ticked ones; any
  // other run tells only what was asked per category
  const bool everyRecord = !report.stopped && report.recordsNotWritten() == 0;
  countsTitle_->setText(everyRecord ? ui::text("Written per category:")
                                    : ui::text("Selected per category:"));
  QStringList lines;
  for (const auto& [name, count] : ticked) {
    if (count > 0) lines << QStringLiteral("%1: %2").arg(name).arg(count);
  }
  counts_->setText(lines.join('\n'));
  folderLabel_->setText(ui::text("Folder: %1").arg(folder));
  showFolderButton_->setVisible(prompts_.canShowFolders());
  QStringList problemLines;
  for (const std::string& problem : report.problems) {
    problemLines << QString::fromStdString(problem);
  }
  problems_->setPlainText(problemLines.join('\n'));
  problems_->setVisible(!problemLines.isEmpty());
  adjustSize();
  show();
}

QStringList RecoveryDoneSheet::categoryLines() const {
  return counts_->text().isEmpty() ? QStringList() : counts_->text().split('\n');
}

}  // namespace orvane
