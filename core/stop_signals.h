#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane {

// Ctrl-C (SIGINT) and SIGTERM as a request to stop: they are blocked in the
// thread that makes this object and in every thread started after it, and
// one thread of its own waits for them (sigwait), raises the flag and runs
// the stop action, so the program ends its work the ordinary way: the file
// in hand finished or removed, the scan's private folder removed. A second
// signal ends the program at once, as it would have without this object.
// Make it first in main, before any other thread starts.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // What a signal does besides raising the flag; runs on the waiting
  // thread. Replaces the action set before, after waiting for it to end if
  // it runs: onStop({}) before what the action names goes.
  void onStop(std::function<void()> action);
  bool received() const { return received_.load(); }
  // Raised by the first signal; the flag a scan or an export checks.
  const std::atomic<bool>& flag() const { return received_; }
  // The signal that came first; 0 while none came.
  int signalNumber() const { return signal_.load(); }

 private:
  void wait();

  std::atomic<bool> received_{false};
  std::atomic<int> signal_{0};
  std::atomic<bool> quitting_{false};
  std::mutex actionMutex_;
  std::function<void()> action_;
  std::thread waiter_;
};

}  // namespace orvane
