#pragma once

#include <memory>

#include "app/qt_dispatcher.h"
#include "core/app_delegate.h"
#include "rawscan/raw_scan.h"
#include "results/result_view_controller.h"

namespace orvane {

class MainWindow;
class UserPrompts;

// The application's objects in the order they depend on each other: the
// controller with its sources and engine, the results model, the window.
// Going away, it lets a running backup scan reach its end and stops a
// memory-card scan before anything goes.
class AppSession {
 public:
  explicit AppSession(UserPrompts& prompts);
  ~AppSession();
  AppSession(const AppSession&) = delete;
  AppSession& operator=(const AppSession&) = delete;

  CorvelAppDelegate& app() { return app_; }
  PRResultViewController& results() { return results_; }
  PRRawScan& rawScan() { return *rawScan_; }
  RawEngine& engine() { return engine_; }
  MainWindow& window() { return *window_; }

 private:
  QtMainThreadDispatcher dispatcher_;
  CorvelAppDelegate app_;
  PRResultViewController results_;
  RawEngine engine_;
  // lives until the event loop has ended: its end of scan runs there
  std::unique_ptr<PRRawScan> rawScan_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace orvane
