#include "app/password_sheet.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QThread>

#include "app/sheet_placement.h"
#include "app/ui_style.h"

namespace orvane {

std::optional<std::string> askBackupPassword(QWidget* window, const std::filesystem::path& backup) {
  QInputDialog sheet(window);
  sheet.setWindowModality(Qt::WindowModal);
  sheet.setWindowTitle(ui::text("Encrypted Backup"));
  sheet.setLabelText(ui::text("The backup \"%1\" is encrypted. Enter the password it was "
                              "made with:")
                         .arg(QString::fromStdString(backup.filename().string())));
  sheet.setTextEchoMode(QLineEdit::Password);
  sheet.setOkButtonText(ui::text("Open"));
  if (window != nullptr) attachSheet(&sheet, window);
  if (sheet.exec() != QDialog::Accepted) return std::nullopt;
  return sheet.textValue().toStdString();
}

std::optional<std::string> askBackupPasswordFromWorker(const std::filesystem::path& backup) {
  auto* application = QCoreApplication::instance();
  if (application == nullptr) return std::nullopt;
  if (QThread::currentThread() == application->thread()) {
    return askBackupPassword(QApplication::activeWindow(), backup);
  }
  std::optional<std::string> answer;
  QMetaObject::invokeMethod(
      application, [&] { answer = askBackupPassword(QApplication::activeWindow(), backup); },
      Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace orvane
