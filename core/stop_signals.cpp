#include "core/stop_signals.h"

#include <pthread.h>
#include <signal.h>

#include <utility>

namespace orvane {

namespace {

sigset_t stopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t set = stopSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  waiter_ = std::thread([this] { wait(); });
}

StopSignals::~StopSignals() {
  quitting_ = true;
  // wakes the waiting thread; the signal stays within it
  pthread_kill(waiter_.native_handle(), SIGTERM);
  waiter_.join();
}

void StopSignals::onStop(std::function<void()> action) {
  std::lock_guard lock(actionMutex_);
  action_ = std::move(action);
}

void StopSignals::wait() {
  const sigset_t set = stopSignalSet();
  for (;;) {
    int number = 0;
    if (sigwait(&set, &number) != 0) continue;
    if (quitting_) return;
    if (received_.exchange(true)) {
      // the second signal: end at once, with the signal's own status
      struct sigaction plain {};
      plain.sa_handler = SIG_DFL;
      sigaction(number, &plain, nullptr);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, number);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(number);
      continue;
    }
    signal_ = number;
    // under the lock: onStop({}) returns only once an action in hand is done
    std::lock_guard lock(actionMutex_);
    if (action_) action_();
  }
}

}  // namespace orvane
