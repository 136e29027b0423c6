#pragma once

#include <functional>

namespace orvane {

// Work that must run on the main thread (media classification, the end of a
// scan) goes through this. The desktop app hands it to its event loop and
// waits; the command line and the tests run it at once on the calling thread.
class MainThreadDispatcher {
 public:
  virtual ~MainThreadDispatcher() = default;
  virtual void runAndWait(const std::function<void()>& work) = 0;
};

class DirectDispatcher final : public MainThreadDispatcher {
 public:
  void runAndWait(const std::function<void()>& work) override { work(); }
};

}  // namespace orvane
