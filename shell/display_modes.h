#pragma once
// Display modes, emulated: the monitor is never switched. A mode is the size of the display
// the picture is shown at in the full-size window and full screen, where the monitor shows it
// scaled with its proportions kept, as a monitor switched to that size would.

#include <cstdint>

#include "shell/window_port.h"

struct DisplayModes {
  Size table[10] = {};
  int32_t count = 0;
  int32_t startModeIndex = 0;
  int32_t current = 0;
};

// Lists up to ten modes in the screen menu ("Screen  %d * %d", ids 41000 + k): the display
// server's own, or else the monitor's size and the usual sizes that fit within it. Returns the
// index of the mode of the monitor's own size (the last such entry), or 0 when none has it,
// and ticks that mode's item.
int32_t buildDisplayModeMenu(DisplayModes& modes, WindowPort& port);

// Shows the picture at mode `index` from now on, its item ticked; an index without a mode
// changes nothing.
void setDisplayMode(DisplayModes& modes, WindowPort& port, int32_t index);
