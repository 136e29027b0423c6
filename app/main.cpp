// orvane: the desktop application. `orvane PATH` scans that backup file or
// device backup folder at once; started without one it greets the user with
// the welcome sheet.

#include <QApplication>
#include <QLocale>
#include <QMetaObject>
#include <QTimer>
#include <QTranslator>

#include "app/app_session.h"
#include "app/lead_window.h"
#include "app/main_window.h"
#include "app/ui_style.h"
#include "app/user_prompts.h"
#include "core/stop_signals.h"

int main(int argc, char** argv) {
  // before Qt starts any thread, so that every thread leaves the signals to it
  orvane::StopSignals stopSignals;
  QApplication application(argc, argv);
  QApplication::setApplicationName("Orvane");
  QApplication::setDesktopFileName("orvane");
  QApplication::setWindowIcon(orvane::ui::artworkIcon("orvane", {128, 128}));

  // fixed texts are their own keys; a translation replaces them when present
  QTranslator translator;
  if (translator.load(QLocale(), "orvane", "_", ":/i18n")) {
    QApplication::installTranslator(&translator);
  }

  orvane::DesktopPrompts prompts;
  orvane::AppSession session(prompts);
  // Ctrl-C and SIGTERM stop the scan on its next record and end the app the
  // ordinary way, so the scan's private folder goes with it
  stopSignals.onStop([&session] {
    session.app().requestStop();
    session.rawScan().stop();
    // without the exit question: nobody may be there to answer it
    QMetaObject::invokeMethod(
        &session.window(), [&session] { session.window().endApplication(); }, Qt::QueuedConnection);
  });
  session.window().show();
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &session.window(),
                       [&session, path] { session.window().openSource(path); });
  } else if (orvane::LeadWindow::showAtStart()) {
    // the welcome sheet greets every start made without a source until the
    // user asks it not to; Help > Welcome to Orvane shows it again
    QTimer::singleShot(0, &session.window(), [&session] { session.window().showLeadWindow(); });
  }
  const int status = QApplication::exec();
  stopSignals.onStop({});
  return stopSignals.received() ? 128 + stopSignals.signalNumber() : status;
}
