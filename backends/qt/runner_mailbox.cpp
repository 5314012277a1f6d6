#include "backends/qt/runner_mailbox.h"

#include <utility>

void RunnerMailbox::askRepaint(const Rect* area) {
  {
    std::lock_guard guard(lock_);
    if (area == nullptr) {
      mail_.repaintAll = true;
    } else {
      mail_.repaints.push_back(*area);
    }
  }
  wake();
}

void RunnerMailbox::askBox(BoxRequest request) {
  {
    std::lock_guard guard(lock_);
    mail_.boxes.push_back(std::move(request));
  }
  wake();
}

void RunnerMailbox::tellEndOfPiece(uint32_t piece) {
  {
    std::lock_guard guard(lock_);
    mail_.endedPieces.push_back(piece);
  }
  wake();
}

void RunnerMailbox::wake() {
  if (wakePosted_.exchange(1) != 0) return;
  postWakeUp_();
}

RunnerMailbox::Mail RunnerMailbox::collect() {
  wakePosted_ = 0;
  Mail taken;
  std::lock_guard guard(lock_);
  std::swap(taken, mail_);
  return taken;
}
