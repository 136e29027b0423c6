#pragma once

#include <atomic>

#include "core/main_thread_dispatcher.h"

namespace orvane {

// Hands work to the Qt event loop of the GUI thread and waits for it; work
// asked for on the GUI thread itself runs at once.
class QtMainThreadDispatcher final : public MainThreadDispatcher {
 public:
  void runAndWait(const std::function<void()>& work) override;

  // At shutdown the windows are going: work handed over from then on is
  // dropped, so that a worker still reading never waits on a closed window.
  void abandon() { abandoned_ = true; }

 private:
  std::atomic<bool> abandoned_{false};
};

}  // namespace orvane
