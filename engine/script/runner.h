#pragma once
// The ScriptRunner: the thread that reads the story's scripts line by line, types text lines
// and carries out command lines by their letter.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "base/text_file.h"
#include "engine/script/commands.h"
#include "engine/script/line_reader.h"

struct NevContext;

inline constexpr int kHistorySlots = 255;
inline constexpr int kChoiceSlots = 255;

// Where a choice stands, for whoever plays the reader's part: written by the runner during the
// choice, read by the headless player's clock and by the window's keys.
struct ChoiceProgress {
  std::atomic<int32_t> serial{0};  // counts the choices begun
  std::atomic<int32_t> count{0};   // items of the choice in progress; 0 outside a choice
  std::atomic<int32_t> item{0};    // the item last drawn
  std::atomic<bool> highlighted{false};
  std::atomic<bool> decided{false};
  std::atomic<int32_t> selected{0};
  std::atomic<int32_t> bandTop[kChoiceSlots] = {};  // each item's hit band, client rows, as last tested
  std::atomic<int32_t> bandBottom[kChoiceSlots] = {};
};

// The text lines shown since the last new page; the page redraw is its only reader.
struct TextHistory {
  char lines[kHistorySlots][kScriptLineSize];
  int32_t lineCount = 0;
};

// What the runner keeps for its whole life; nothing is allocated per line.
struct RunnerStorage {
  TextFile script;
  std::string scriptName;  // the story name the script was opened by
  int32_t linesRead = 0;   // from the script's start: where a save point resumes reading
  char lineBuffer[kScriptLineSize] = {};
  TextHistory history;
  char choiceTable[kChoiceSlots][kScriptLineSize];
  // As long as a line, so no name or label is ever cut short.
  char jumpFileName[kScriptLineSize] = {};
  char jumpLabel[kScriptLineSize] = {};
  ChoiceProgress choice;
};

// The operations the runner calls outside the script engine.
struct RunnerOperations {
  std::function<void()> prepareRunnerSurfaces;
  std::function<void(const char* text, bool redraw)> drawTextLine;
  std::function<void()> waitForClick;
  // Every command with a handler; `arguments` starts at the line's third byte.
  std::function<CommandOutcome(Command command, char* arguments)> carryOut;
};

// The runner thread's body. Returns at the end of the script, or when asked to stop.
void ScriptRunner(NevContext& context, const RunnerOperations& operations);

// The operations of the real system: the page, the pictures and the commands.
RunnerOperations standardRunnerOperations(NevContext& context);

// The name of the start script for a scrambledScripts value.
const char* startScriptName(int32_t scrambledScripts);

// Opens one of the story's scripts by its name in the runner's script slot, closing the one
// before.
bool openScript(NevContext& context, const char* name);

// The runner's next script line into its line buffer, counted; 0 at the end of the script.
int readRunnerLine(NevContext& context);
