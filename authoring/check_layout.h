#pragma once
// The lint's text window: lays out the text and the ▼ as a straight reading of a script moves
// them, to find what runs off the picture.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "authoring/check_model.h"
#include "engine/config.h"
#include "engine/text/text_window_layout.h"
#include "engine/script/commands.h"

// Its rows are known from the story's start and from each @P; a label can be reached from
// anywhere, so after one they are not.
struct TextWindowState {
  GameConfig settings;
  TextWindowLayout layout;  // nev.ini's, then as each @R leaves it
  int32_t cursorX = 0, cursorY = 0;
  int32_t choiceX = 0, choiceY = 0;
  int32_t markerX = 0, markerY = 0;
  bool rowsKnown = false;
  bool markerKnown = false;        // a line has been typed since the last label
  bool markerRowKnown = false;     // and its row was known
  std::vector<std::string> page;   // the lines since @P, for @X
  std::set<std::string> reported;  // what has been said since the last @P, @R or label
};

// The window where a reading starts in `layout`: at the story's start its rows are known, from
// the top.
TextWindowState windowAtStart(const GameConfig& settings, const TextWindowLayout& layout,
                              bool rowsKnown);

void checkTextLine(StoryCheck& story, size_t script, int line, const char* text,
                   TextWindowState& window);
void checkChoiceItem(StoryCheck& story, size_t script, int line, const char* text,
                     TextWindowState& window);

// What the page, wait, label and layout commands do to the text window.
void moveTextWindow(StoryCheck& story, size_t script, int line, Command command,
                    const std::vector<const char*>& arguments, TextWindowState& window);

// A choice item is picked where the pointer is inside its band, fontSize rows of the picture
// tall; a negative size, or one whose band overflows the 32-bit arithmetic, leaves no row.
void checkFontSize(StoryCheck& story, const std::string& shownFile, int line, int32_t fontSize);
