#pragma once
// Typing the story's words into displaySurface: text lines with their shadows, the click wait
// with its blinking marker, and choice items. All of it runs on the runner thread.

#include <cstdint>

struct NevContext;

// Types one line, two bytes a unit, wrapping after charsPerLine units. With `redraw` nonzero
// nothing is paused and no repaint is asked for, but the cursor, marker and delay end the same.
void drawTextLine(NevContext& context, const char* text, bool redraw);

// Blinks the marker after the last line until a left click (or until the runner is stopped).
void waitForClick(NevContext& context);

// Draws one choice item at the choice cursor, in the pick colour when `highlighted`.
void drawChoiceItem(NevContext& context, const char* text, bool highlighted);

// Sleeps, treating a negative length as none. Returns false once the runner is to stop.
bool pauseRunner(NevContext& context, int32_t milliseconds);

// While the reader hides the text: asks for the clean picture and holds until it is shown again.
void holdWhileTextHidden(NevContext& context);
