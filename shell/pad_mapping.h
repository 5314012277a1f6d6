#pragma once
// A game controller's buttons as the window procedure takes them: readers on handheld machines
// have no mouse, so the pad reaches waits, choices, the backlog and a small menu of its own.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/window_port.h"

struct NevContext;
struct WindowState;

// The buttons by their place on the pad, whatever the maker prints on them.
enum class PadButton {
  A, B, X, Y, Start, Back, Up, Down, Left, Right,
  SkipShoulder,  // the left one: skips while held
  AutoShoulder,  // the right one: auto on or off
};

struct PadEvent {
  PadButton button = PadButton::A;
  bool pressed = true;
};

// The reader's menu Start opens, with its skip and auto ticks as they stand.
std::vector<ReaderMenuItem> readerMenuItems(NevContext& context, const WindowState& state);

// A button pressed or released over the story's picture. The backlog and the boxes take the
// pad themselves while they are open.
void onPadButton(NevContext& context, WindowState& state, WindowPort& port, PadEvent event);
