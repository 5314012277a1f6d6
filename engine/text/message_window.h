#pragma once
// MessageWindow: the runner's text state. The text window has no frame of its own: text is
// typed straight into displaySurface from (textLeft, textTop) downward.

#include <cstdint>
#include <memory>

#include "base/font.h"
#include "base/surface.h"

struct NevContext;
struct GameConfig;
struct TextWindowLayout;

struct MessageWindow {
  int32_t cursorX = 0;       // surface x of the next character
  int32_t cursorY = 0;       // surface y of the current row
  int32_t markerX = 0;       // where the last text line ended: the click marker goes here
  int32_t markerY = 0;
  int32_t choiceX = 0;       // the next choice-item character
  int32_t choiceY = 0;
  int32_t currentDelay = 0;  // milliseconds after each character of the line being typed
};

// The font attributes of message text for a character height of `fontSize` pixels.
FontSpec messageFontSpec(int32_t fontSize);

// Start-up, before the window: makes the surfaces' messageFont from nev.ini's fontSize.
void createMessageFont(NevContext& context);

// After the text-window command: a new font of `fontSize` replaces the old one in
// displaySurface, and the size is published for the backlog. When the new font cannot be made
// the old one stays selected and alive.
void replaceMessageFont(NevContext& context, int32_t fontSize);

// The cell at (x, y) together with its shadow, right and bottom exclusive.
Rect cellRect(const GameConfig& settings, const TextWindowLayout& layout, int32_t x, int32_t y);

// Colours formed afresh for each character from the low 8 bits of each field.
ColourValue textColour(const GameConfig& config);
ColourValue shadowColour(const GameConfig& config);
ColourValue pickColour(const GameConfig& config);
ColourValue choiceColour(const GameConfig& config);

// charDelay / messageSpeed, truncated toward zero.
int32_t delayForSpeed(int32_t charDelay, int32_t messageSpeed);
