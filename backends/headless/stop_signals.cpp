#include "backends/headless/stop_signals.h"

#include <pthread.h>
#include <time.h>

StopSignals::StopSignals() {
  sigemptyset(&signals_);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal);
  // A handler could reach nothing but a global: the signals wait, blocked, for one thread.
  pthread_sigmask(SIG_BLOCK, &signals_, &previousMask_);
  watcher_ = std::thread([this] {
    for (;;) {
      int signal = 0;
      if (sigwait(&signals_, &signal) != 0) continue;
      if (done_.load()) return;
      int none = 0;
      received_.compare_exchange_strong(none, signal);
    }
  });
}

StopSignals::~StopSignals() {
  done_ = true;
  pthread_kill(watcher_.native_handle(), SIGTERM);
  watcher_.join();
  const timespec now{0, 0};
  while (sigtimedwait(&signals_, nullptr, &now) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}
