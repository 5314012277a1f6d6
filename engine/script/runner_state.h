#pragma once
// The runner's own record: its cursor in the script, the message window's places, the text
// window's layout, the page's history and the choice table. The ScriptRunner owns it and hands
// it only to what it calls on its own thread; what the window thread may see is in SharedState.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/script/line_reader.h"
#include "engine/script/script_cursor.h"
#include "engine/shared_state.h"
#include "engine/text/message_window.h"
#include "engine/text/text_window_layout.h"

inline constexpr int kHistorySlots = 255;
// The text lines shown since the last new page; the page redraw is its only reader.
struct TextHistory {
  char lines[kHistorySlots][kScriptLineSize];
  // Each line's translation, owned by the story's translation; null: the line as it stands.
  const std::string* translated[kHistorySlots] = {};
  int32_t lineCount = 0;
};

// What the runner keeps for its whole life; nothing is allocated per line.
struct RunnerStorage {
  explicit RunnerStorage(const GameConfig& settings) : layout(layoutFromSettings(settings)) {}

  ScriptCursor cursor;
  // The text cursor, the marker and the choice cursor, the delay in force and the font.
  MessageWindow messageWindow;
  TextHistory history;
  char choiceTable[kChoiceSlots][kScriptLineSize];
  // As long as a line, so no name or label is ever cut short.
  char jumpFileName[kScriptLineSize] = {};
  char jumpLabel[kScriptLineSize] = {};
  // The text window as @R leaves it; only the runner reads or changes it.
  TextWindowLayout layout;
  // The item picked at each choice, in order; from the story's start unless a save whose picks
  // were not kept was loaded.
  std::vector<int32_t> picks;
  bool picksFromStart = true;
};

struct NevContext;

// What a command, the typing or a save point works on: the story, and the record of the runner
// whose thread calls it.
struct RunnerScope {
  NevContext& story;
  RunnerStorage& runner;
};
