#pragma once
// What other threads ask of the window thread. They never touch Qt objects themselves: they
// leave requests here and post one wake-up, and the window thread collects them.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/surface.h"

class RunnerMailbox {
 public:
  struct BoxRequest {
    std::string text;
    std::string caption;
    std::shared_ptr<bool> closed;  // under the runner host's lock
    std::string details = {};
  };
  // Everything asked since the last collection.
  struct Mail {
    bool repaintAll = false;
    std::vector<Rect> repaints;  // client pixels
    std::vector<BoxRequest> boxes;
    std::vector<uint32_t> endedPieces;
  };

  // `postWakeUp` has the window thread collect soon; it is called from any thread.
  explicit RunnerMailbox(std::function<void()> postWakeUp) : postWakeUp_(std::move(postWakeUp)) {}

  // From any thread; each wakes the window.
  void askRepaint(const Rect* area);  // null: all
  void askBox(BoxRequest request);
  void tellEndOfPiece(uint32_t piece);
  // From any thread: one wake-up however often it is asked before the next collection.
  void wake();

  // On the window thread, as the wake-up arrives: a request made from here on wakes again.
  Mail collect();

 private:
  std::function<void()> postWakeUp_;
  std::mutex lock_;
  Mail mail_;  // under lock_
  std::atomic<int32_t> wakePosted_{0};
};
