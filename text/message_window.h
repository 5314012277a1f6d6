#pragma once
// MessageWindow: the runner's text state.

#include <cstdint>

struct MessageWindow {
  int32_t cursorX = 0;       // surface x of the next character
  int32_t cursorY = 0;       // surface y of the current row
  int32_t currentDelay = 0;  // milliseconds after each character of the line being typed
};
