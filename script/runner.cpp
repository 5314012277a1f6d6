#include "script/runner.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "app/context.h"
#include "app/messages.h"
#include "platform/story_files.h"
#include "script/commands.h"
#include "text/text_output.h"

namespace {

// Indexed by the second byte minus ";": every byte from ";" to "Z".
constexpr Command kDispatch[] = {
    Command::Comment,       // ;
    Command::None,          // <
    Command::None,          // =
    Command::None,          // >
    Command::None,          // ?
    Command::None,          // @
    Command::None,          // A
    Command::None,          // B
    Command::TransparentPicture,  // C
    Command::None,          // D
    Command::End,           // E
    Command::None,          // F
    Command::RasterPicture, // G
    Command::None,          // H
    Command::Repaint,       // I
    Command::Jump,          // J
    Command::None,          // K
    Command::Label,         // L
    Command::ClickWait,     // M
    Command::None,          // N
    Command::None,          // O
    Command::NewPage,       // P
    Command::StopMusic,     // Q
    Command::TextWindow,    // R
    Command::Speed,         // S
    Command::Pause,         // T
    Command::None,          // U
    Command::None,          // V
    Command::Choice,        // W
    Command::Redraw,        // X
    Command::Music,         // Y
    Command::Sound,         // Z
};
static_assert(std::size(kDispatch) == 'Z' - ';' + 1);

void keepInHistory(TextHistory& history, const char* line, int length) {
  // A page longer than the history keeps its first lines: those are the ones standing in the
  // text window from its top, which is what a redraw reproduces.
  if (history.lineCount >= kHistorySlots) return;
  std::memcpy(history.lines[history.lineCount], line, length + 1);
  ++history.lineCount;
}

}  // namespace

RunnerOperations standardRunnerOperations(NevContext& context) {
  RunnerOperations operations;
  operations.prepareRunnerSurfaces = [&context] { prepareRunnerSurfaces(context); };
  operations.drawTextLine = [&context](const char* text, int redraw) {
    drawTextLine(context, text, redraw);
  };
  operations.waitForClick = [&context] { waitForClick(context); };
  operations.carryOut = [&context](Command command, char* arguments) {
    return carryOutCommand(context, command, arguments);
  };
  return operations;
}

Command commandForLetter(char secondByte) {
  const signed char letter = static_cast<signed char>(secondByte);
  if (letter < ';' || letter > 'Z') return Command::None;
  return kDispatch[letter - ';'];
}

const char* startScriptName(int32_t scrambledScripts) {
  return scrambledScripts == 0 ? "start.txt" : "start.stx";
}

bool openScript(RunnerStorage& runner, const char* name) {
  runner.script.close();
  std::optional<std::string> path = resolveStoryFile(name);
  return path && runner.script.open(*path, "r");
}

void ScriptRunner(NevContext& context, const RunnerOperations& operations) {
  RunnerStorage& runner = context.runner;
  const GameConfig& config = context.config;

  operations.prepareRunnerSurfaces();
  const char* startName = startScriptName(config.scrambledScripts);
  if (!openScript(runner, startName)) {
    context.platform.messageBox(startName, kCaptionBadFile);
    return;  // no script lines to run; the window stays
  }
  context.messageWindow.cursorY = config.textTop;
  context.messageWindow.cursorX = config.textLeft;
  runner.history.lineCount = 0;
  context.messageWindow.currentDelay =
      delayForSpeed(config.charDelay, context.words.messageSpeed.load());

  char* line = runner.lineBuffer;
  while (context.words.stopRunner.load() == 0) {
    const int length = readScriptLine(line, kScriptLineSize, runner.script, config.scrambledScripts);
    if (length == 0) break;
    if (line[0] != '@') {
      keepInHistory(runner.history, line, length);
      operations.drawTextLine(line, 0);
      if (config.waitEveryLine == 1) operations.waitForClick();
      continue;
    }
    const Command command = commandForLetter(line[1]);
    if (command != Command::None && command != Command::Comment &&
        operations.carryOut(command, line + 2) == CommandOutcome::EndRunner) {
      break;
    }
  }
}
