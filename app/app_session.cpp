#include "app/app_session.h"

#include <QCoreApplication>
#include <atomic>
#include <thread>

#include "app/main_window.h"
#include "app/password_sheet.h"
#include "blackberry/blackberry_source.h"
#ifdef ORVANE_HAVE_IOS
#include "carving/deleted_records_step.h"
#endif

namespace orvane {

namespace {

CorvelAppDelegate& withSources(CorvelAppDelegate& app) {
  app.addBackupSource(makeBlackBerrySource());
#ifdef ORVANE_HAVE_IOS
  app.addBackupSource(makeDeviceBackupSource(askBackupPasswordFromWorker));
#endif
  return app;
}

}  // namespace

AppSession::AppSession(UserPrompts& prompts) : app_(dispatcher_), results_(withSources(app_)) {
  engine_.initDll();
  rawScan_ = std::make_unique<PRRawScan>(app_, engine_);
  window_ = std::make_unique<MainWindow>(app_, results_, *rawScan_, prompts);
}

AppSession::~AppSession() {
  // A worker may be waiting on the event loop right now: keep the loop
  // turning until it has read to its end; what it hands over from now on
  // is dropped.
  dispatcher_.abandon();
  std::atomic<bool> done{false};
  std::thread joiner([this, &done] {
    app_.waitForScanWorker();
    // stops the engine and waits for the scan's thread
    rawScan_.reset();
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  joiner.join();
  window_.reset();
}

}  // namespace orvane
