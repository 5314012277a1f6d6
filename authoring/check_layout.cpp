#include "authoring/check_layout.h"

#include <algorithm>

#include "base/codepage.h"
#include "engine/script/arguments.h"
#include "engine/script/runner.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"

namespace {

// How far the cells of some text reach, right and bottom exclusive.
struct TextReach {
  int32_t right = INT32_MIN;
  int32_t bottom = INT32_MIN;
  void add(const Rect& cell) {
    right = std::max(right, cell.right);
    bottom = std::max(bottom, cell.bottom);
  }
};

// Lays out a text line as the typing does (the choice items' cursor when `item`), moving the
// cursor on; the ▼ goes where a line ends.
TextReach layOutLine(TextWindowState& window, const char* text, bool item) {
  const TextWindowLayout& layout = window.layout;
  int32_t& x = item ? window.choiceX : window.cursorX;
  int32_t& y = item ? window.choiceY : window.cursorY;
  TextReach reach;
  if (text[0] != '\n') {
    walkUnits(layout, text, x, y, [&](const char*) {
      reach.add(cellRect(window.settings, layout, x, y));
      x = wrapAdd(x, layout.charPitch);
      return true;
    });
  }
  if (!item) {
    window.markerX = x;
    window.markerY = y;
    window.markerKnown = true;
    window.markerRowKnown = window.rowsKnown;
  }
  y = wrapAdd(y, layout.linePitch);
  x = layout.textLeft;
  return reach;
}

void warnPastEdge(StoryCheck& story, size_t script, int line, TextWindowState& window,
                  const std::string& what, int32_t reach, int32_t edge, const char* edgeName) {
  if (reach <= edge || !window.reported.insert(what + edgeName).second) return;
  const int64_t past = int64_t{reach} - edge;
  reportInScript(story, script, line, FindingSeverity::Warning,
                 what + " runs " + std::to_string(past) + (past == 1 ? " pixel" : " pixels") +
                     " past the picture's " + edgeName + " edge");
}

// Text, or the ▼, that reaches beyond the picture is cut off there.
void checkReach(StoryCheck& story, size_t script, int line, TextWindowState& window,
                const std::string& what, const TextReach& reach, bool rowKnown) {
  warnPastEdge(story, script, line, window, what, reach.right, window.settings.screenWidth, "right");
  if (rowKnown) {
    warnPastEdge(story, script, line, window, what, reach.bottom, window.settings.screenHeight,
                 "bottom");
  }
}

// The ▼ is drawn without a shadow, one font size square.
void checkMarker(StoryCheck& story, size_t script, int line, TextWindowState& window) {
  if (!window.markerKnown) return;
  const int32_t size = window.layout.fontSize;
  TextReach reach;
  reach.add({window.markerX, window.markerY, wrapAdd(window.markerX, size),
             wrapAdd(window.markerY, size)});
  checkReach(story, script, line, window, "the ▼", reach, window.markerRowKnown);
}

// Numbers the line leaves out keep their values.
void applyTextWindowSettings(StoryCheck& story, size_t script, int line, TextWindowLayout& layout,
                             const std::vector<const char*>& arguments) {
  for (size_t i = 0; i < kTextWindowFields && i < arguments.size(); ++i) {
    layout.*kTextWindowSettings[i] = readNumber(arguments[i]);
  }
  // A line that leaves the font size out keeps the one checked before.
  constexpr size_t fontSize = textWindowPosition(&TextWindowLayout::fontSize);
  if (arguments.size() > fontSize) {
    checkFontSize(story, printableStoryText(story.scripts[script].name), line, layout.fontSize);
  }
}

}  // namespace

TextWindowState windowAtStart(const GameConfig& settings, const TextWindowLayout& layout,
                              bool rowsKnown) {
  TextWindowState window;
  window.settings = settings;
  window.layout = layout;
  window.cursorX = window.layout.textLeft;
  window.cursorY = window.layout.textTop;
  window.rowsKnown = rowsKnown;
  return window;
}

void checkTextLine(StoryCheck& story, size_t script, int line, const char* text,
                   TextWindowState& window) {
  const bool rowKnown = window.rowsKnown;
  checkReach(story, script, line, window, "text", layOutLine(window, text, false), rowKnown);
  // As in the runner's history, a page keeps its first lines.
  if (window.page.size() < kHistorySlots) window.page.push_back(text);
  if (window.layout.waitEveryLine == 1) checkMarker(story, script, line, window);
}

void checkChoiceItem(StoryCheck& story, size_t script, int line, const char* text,
                     TextWindowState& window) {
  checkReach(story, script, line, window, "text", layOutLine(window, text, true), window.rowsKnown);
}

void moveTextWindow(StoryCheck& story, size_t script, int line, Command command,
                    const std::vector<const char*>& arguments, TextWindowState& window) {
  switch (command) {
    case Command::NewPage:
      window.page.clear();
      window.reported.clear();
      window.rowsKnown = true;
      [[fallthrough]];
    case Command::Redraw: {
      window.cursorX = window.layout.textLeft;
      window.cursorY = window.layout.textTop;
      for (const std::string& text : window.page) layOutLine(window, text.c_str(), false);
      break;
    }
    case Command::Label:
      window = windowAtStart(window.settings, window.layout, false);
      break;
    case Command::TextWindow:
      applyTextWindowSettings(story, script, line, window.layout, arguments);
      window.reported.clear();
      break;
    case Command::ClickWait:
      if (window.layout.waitEveryLine == 0) checkMarker(story, script, line, window);
      break;
    case Command::Choice:
      window.choiceX = window.cursorX;
      window.choiceY = window.cursorY;
      break;
    default:
      break;
  }
}

void checkFontSize(StoryCheck& story, const std::string& shownFile, int line, int32_t fontSize) {
  if (story.screenHeight <= 0) return;
  if (fontSize >= 0 && int64_t{fontSize} * story.screenHeight <= INT32_MAX) return;
  reportFinding(story, shownFile, line, FindingSeverity::Warning,
                "font size " + std::to_string(fontSize) +
                    " leaves choice items no rows to be picked in; a choice can never be made");
}
