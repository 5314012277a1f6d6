#pragma once
// SIGINT, SIGTERM and SIGHUP while a headless run plays: taken as a request to stop, so that the
// run ends as at a limit, its log closed by its end event, instead of dying half-way.

#include <atomic>
#include <csignal>
#include <thread>

class StopSignals {
 public:
  // From here on the signals reach only this object, in this thread and every thread it starts.
  StopSignals();
  // The signals act as before again; one that came since is not acted on twice.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal that came, or 0.
  int received() const { return received_.load(); }

 private:
  sigset_t signals_;
  sigset_t previousMask_;
  std::atomic<int> received_{0};
  std::atomic<bool> done_{false};
  std::thread watcher_;
};
