#pragma once
// Typing the story's words into displaySurface: text lines with their shadows, the click wait
// with its blinking marker, and choice items. All of it runs on the runner thread.

#include <cstdint>

#include "base/wrapping_math.h"
#include "engine/script/runner_state.h"
#include "engine/text/text_window_layout.h"

struct NevContext;

// The marker a click wait blinks, in code page 932: "▼".
inline constexpr char kWaitMarker[] = "\x81\xa5";

// The layout of a text line or choice item, shared by the typing and by `nev check`: units
// until a NUL, stopping before a unit that starts with a line feed, a new row (textLeft, one
// linePitch down) after each charsPerLine units. `onUnit` draws one unit at (x, y) and moves x
// on; false stops the walk.
template <typename OnUnit>
void walkUnits(const TextWindowLayout& layout, const char* text, int32_t& x, int32_t& y,
               OnUnit onUnit) {
  int32_t rowCount = 0;
  for (const char* unit = text; unit[0] != '\0';) {
    if (rowCount >= layout.charsPerLine) {
      y = wrapAdd(y, layout.linePitch);
      x = layout.textLeft;
      rowCount = 1;
    } else {
      ++rowCount;
    }
    if (!onUnit(unit)) return;
    // The unit's second byte may be the text's end: nothing after a NUL belongs to the text.
    if (unit[1] == '\0') return;
    unit += 2;
    if (unit[0] == '\n') return;
  }
}

// Types one line, two bytes a unit, wrapping after charsPerLine units. With `redraw` nonzero
// nothing is paused and no repaint is asked for, but the cursor, marker and delay end the same.
void drawTextLine(RunnerScope scope, const char* text, bool redraw);

// Blinks the marker after the last line until a left click (or until the runner is stopped).
void waitForClick(RunnerScope scope);

// Draws one choice item at the choice cursor, in the pick colour when `highlighted`.
void drawChoiceItem(RunnerScope scope, const char* text, bool highlighted);

// Sleeps, treating a negative length as none. Returns false once the runner is to stop.
bool pauseRunner(NevContext& context, int32_t milliseconds);

// While the reader hides the text: asks for the clean picture and holds until it is shown again.
void holdWhileTextHidden(NevContext& context);
