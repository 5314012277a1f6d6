#pragma once
// SharedState: all the window thread may touch of a story while its runner plays. Each part is
// a word written and read whole, without locks; whatever else of the story the window reads
// either guards itself with a lock or is the settings, read-only once loaded.

#include <atomic>
#include <cstdint>

inline constexpr int kChoiceSlots = 255;

// Where a choice stands, for whoever plays the reader's part: written by the runner during the
// choice, read by the headless player's clock and by the window's keys.
struct ChoiceProgress {
  std::atomic<int32_t> serial{0};  // counts the choices begun
  std::atomic<int32_t> count{0};   // items of the choice in progress; 0 outside a choice
  std::atomic<int32_t> item{0};    // the item last drawn
  std::atomic<bool> highlighted{false};
  std::atomic<bool> decided{false};
  std::atomic<int32_t> selected{0};
  std::atomic<int32_t> bandTop[kChoiceSlots] = {};  // each item's hit band, client rows, as last tested
  std::atomic<int32_t> bandBottom[kChoiceSlots] = {};
};

struct SharedState {
  std::atomic<int32_t> messageSpeed{1};  // divisor of the per-character delay: 1, 4 or 32000
  std::atomic<int32_t> clicked{0};
  std::atomic<int32_t> waitingForClick{0};
  std::atomic<int32_t> hideText{0};
  std::atomic<int32_t> endRequested{0};
  std::atomic<int32_t> mouseY{0};
  std::atomic<int32_t> cwinX{0};
  std::atomic<int32_t> cwinY{0};
  // Set when the program ends, so the runner stops and can be joined from any wait.
  std::atomic<int32_t> stopRunner{0};
  ChoiceProgress choice;
  // The message font's size as the runner last set it (nev.ini's, then each @R's), which the
  // backlog draws its lines in.
  std::atomic<int32_t> messageFontSize{0};
  // 1 while the runner is in a loop only the reader's input moves on (the text hidden, the
  // original shown, a choice's items): once a pass of it changed nothing, a host may leave the
  // runner asleep until input comes.
  std::atomic<int32_t> awaitingInput{0};
};

// Marks such a loop for its lifetime; loops nest.
class AwaitingInput {
 public:
  explicit AwaitingInput(SharedState& shared) : shared_(shared), before_(shared.awaitingInput.exchange(1)) {}
  ~AwaitingInput() { shared_.awaitingInput = before_; }
  AwaitingInput(const AwaitingInput&) = delete;
  AwaitingInput& operator=(const AwaitingInput&) = delete;

 private:
  SharedState& shared_;
  const int32_t before_;
};
