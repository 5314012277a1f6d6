#pragma once
// PageBlink: the page keeps the marker blinking while the reader rests at a wait, so the runner
// is not woken (its stack rewound, its frame painted) twice a blink for a picture it only
// alternates. The player tells it what each sleep painted; once the last sleeps showed one area
// alternating between two pictures for equal times, the page flips those very pixels at the
// runner's own times and hands back at the first of them when something is for the runner.

#include <cstdint>
#include <vector>

#include "base/surface.h"

class PageBlink {
 public:
  // What a sleep of `milliseconds` shows: one painted `area` of RGBA `pixels`, or, with no area,
  // anything else (nothing painted, or several areas).
  void slept(const Rect* area, const std::vector<uint8_t>& pixels, int32_t milliseconds);
  // The last three sleeps showed the same area as A, B, A, each for the same time.
  bool alternating() const { return alternations_ >= 2; }

  // Lets the page flip the area from the picture shown now to the other one and back, its
  // first flip at `deadline` (page ms); returns at one of the flip times, `deadline` moved to
  // it, when input waits or a piece of music ended. The flips the page made meanwhile.
  int32_t blinkInPage(double& deadline);

 private:
  Rect area_{};
  std::vector<uint8_t> shown_;
  std::vector<uint8_t> before_;
  int32_t milliseconds_ = 0;
  int32_t alternations_ = 0;
};
