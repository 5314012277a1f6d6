#include "engine/script/flow_commands.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.h"
#include "engine/messages.h"
#include "base/wrapping_math.h"
#include "engine/gfx/surfaces.h"
#include "base/codepage.h"
#include "engine/script/arguments.h"
#include "engine/script/runner.h"
#include "engine/text/text_output.h"
#include "engine/translation/translated_typing.h"

namespace {

// The milliseconds of one choice poll between items.
constexpr int32_t kChoiceItemPause = 4;

void copyName(char* to, const char* from) {
  // The name comes from a line of the same size, so it always fits.
  std::strncpy(to, from, kScriptLineSize - 1);
  to[kScriptLineSize - 1] = '\0';
}

bool isLabelLine(char* line, const char* label) {
  if (line[0] != '@' || commandForLetter(line[1]) != Command::Label) return false;
  char* cursor = line + 2;
  const char* first = nextArgument(cursor);
  return first != nullptr && std::strcmp(first, label) == 0;
}

// The translation of item `item` of a choice of `count` whose items were the lines last read.
const std::string* translatedItem(RunnerScope scope, int32_t count, int32_t item) {
  const ScriptCursor& cursor = scope.runner.cursor;
  return translatedLine(scope.story, cursor.scriptName(), cursor.linesRead() - count + 1 + item);
}

}  // namespace

CommandOutcome commandJump(RunnerScope scope, char* arguments) {
  NevContext& context = scope.story;
  RunnerStorage& runner = scope.runner;
  char* cursor = arguments;
  const char* fileName = nextArgument(cursor);
  const char* label = nextArgument(cursor);
  copyName(runner.jumpFileName, fileName != nullptr ? fileName : "");
  // A jump without a label goes to the first line, as "NULL" does.
  copyName(runner.jumpLabel, label != nullptr ? label : "NULL");

  if (!runner.cursor.open(*context.files, runner.jumpFileName)) {
    reportProblem(context.platform.messageBox,
                  {.kind = ProblemKind::StoryFile,
                   .boxText = cp932ToUtf8Escaped(runner.jumpFileName),
                   .caption = kCaptionBadFile,
                   .detail = context.files->problem(runner.jumpFileName, "cannot be read")});
    return CommandOutcome::EndRunner;
  }
  if (std::strcmp(runner.jumpLabel, "NULL") == 0) return CommandOutcome::Continue;
  while (runner.cursor.readLine(context.config.scrambledScripts) > 0) {
    if (isLabelLine(runner.cursor.line(), runner.jumpLabel)) return CommandOutcome::Continue;
  }
  reportProblem(context.platform.messageBox,
                {.kind = ProblemKind::Label,
                 .boxText = cp932ToUtf8Escaped(runner.jumpLabel),
                 .caption = kCaptionLabelNotFound,
                 .detail = context.files->location(runner.jumpFileName) + ": label " +
                           printableStoryText(runner.jumpLabel) + " not found"});
  return CommandOutcome::EndRunner;
}

CommandOutcome commandChoice(RunnerScope scope, char* arguments) {
  NevContext& context = scope.story;
  RunnerStorage& runner = scope.runner;
  char* cursor = arguments;
  const char* countText = nextArgument(cursor);
  const int32_t count = countText != nullptr ? readNumber(countText) : 0;
  // A count the item table cannot hold is no choice at all; the lines run as they come.
  if (count < 1 || count > kChoiceSlots) return CommandOutcome::Continue;

  for (int32_t i = 0; i < count; ++i) {
    const int length = runner.cursor.readLine(context.config.scrambledScripts);
    // A block cut short by the end of the file has no branch lines to take.
    if (length == 0) return CommandOutcome::Continue;
    std::memcpy(runner.choiceTable[i], runner.cursor.line(), length + 1);
  }
  stopSkipping(context);
  takeSavePoint(scope, SavePointKind::Choice, count);
  std::vector<std::string> items;
  for (int32_t i = 0; i < count; ++i) {
    const std::string* translated = translatedItem(scope, count, i);
    items.push_back(translated != nullptr ? *translated
                                          : cp932ToUtf8Escaped(withoutLineEnd(runner.choiceTable[i])));
  }
  context.platform.choiceOffered(items);
  pickChoiceItem(scope, count);
  return CommandOutcome::Continue;
}

void pickChoiceItem(RunnerScope scope, int32_t count) {
  NevContext& context = scope.story;
  RunnerStorage& runner = scope.runner;
  SharedState& shared = context.shared;
  MessageWindow& window = runner.messageWindow;
  ChoiceProgress& progress = shared.choice;
  ++progress.serial;
  progress.count = count;
  progress.decided = false;
  shared.waitingForClick = 1;
  bool hoverSeen = false;
  bool decided = false;
  int32_t selected = 0;
  // A translated item may wrap; its band then covers all its rows.
  const std::string* translated[kChoiceSlots] = {};
  std::vector<TranslatedRow> rows[kChoiceSlots];
  for (int32_t i = 0; i < count; ++i) {
    translated[i] = translatedItem(scope, count, i);
    if (translated[i] != nullptr) {
      rows[i] = layOutTranslatedLine(context, runner.layout, *translated[i]);
    }
  }
  // Past its first pass the loop only redraws what is there until the reader moves.
  const AwaitingInput awaiting(shared);
  for (int32_t i = 0; shared.stopRunner.load() == 0;) {
    holdWhileTextHidden(context);
    if (i == 0) {
      window.choiceX = window.cursorX;
      window.choiceY = window.cursorY;
      if (hoverSeen && shared.clicked.load() == 1) {
        decided = true;
      } else {
        hoverSeen = false;
        shared.clicked = 0;
      }
    }
    const int32_t cwinY = shared.cwinY.load();
    const int32_t height = context.config.screenHeight;
    const int32_t top = wrapDiv(wrapMul(window.choiceY, cwinY), height);
    int32_t extent = runner.layout.fontSize;
    if (translated[i] != nullptr) {
      extent = wrapAdd(wrapMul(translatedRowSpacing(context, runner.layout),
                               int32_t(rows[i].size()) - 1),
                       translatedFontSize(context));
    }
    const int32_t bottom = wrapAdd(top, wrapDiv(wrapMul(cwinY, extent), height));
    const int32_t mouseY = shared.mouseY.load();
    const bool underMouse = top <= mouseY && mouseY <= bottom;
    progress.bandTop[i] = top;
    progress.bandBottom[i] = bottom;
    progress.item = i;
    progress.highlighted = underMouse;
    if (translated[i] != nullptr) {
      drawTranslatedChoiceItem(scope, rows[i], underMouse);
    } else {
      drawChoiceItem(scope, runner.choiceTable[i], underMouse);
    }
    if (underMouse) {
      hoverSeen = true;
      selected = i;
    }
    progress.decided = decided;
    progress.selected = selected;
    pauseRunner(context, kChoiceItemPause);
    if (++i >= count) i = 0;
    if (decided) break;
  }
  shared.waitingForClick = 0;
  progress.count = 0;
  if (decided) {
    runner.picks.push_back(selected);
    noteBacklogChoice(context, withoutLineEnd(runner.choiceTable[selected]), translated[selected]);
  }
  for (int32_t skipped = 0;
       skipped < selected && runner.cursor.readLine(context.config.scrambledScripts) > 0;
       ++skipped) {
  }
}

CommandOutcome commandClickWait(RunnerScope scope, char*) {
  if (scope.runner.layout.waitEveryLine == 0) waitForClick(scope);
  return CommandOutcome::Continue;
}

CommandOutcome commandNewPage(RunnerScope scope, char*) {
  startBacklogPage(scope.story);
  RunnerStorage& runner = scope.runner;
  runner.messageWindow.cursorX = runner.layout.textLeft;
  runner.messageWindow.cursorY = runner.layout.textTop;
  runner.history.lineCount = 0;
  return CommandOutcome::Continue;
}

CommandOutcome commandRedraw(RunnerScope scope, char*) {
  RunnerStorage& runner = scope.runner;
  runner.messageWindow.cursorX = runner.layout.textLeft;
  runner.messageWindow.cursorY = runner.layout.textTop;
  const TextHistory& history = runner.history;
  for (int32_t slot = 0; slot < history.lineCount; ++slot) {
    if (history.translated[slot] != nullptr) {
      drawTranslatedLine(scope, *history.translated[slot], true);
    } else {
      drawTextLine(scope, history.lines[slot], true);
    }
  }
  return CommandOutcome::Continue;
}

CommandOutcome commandSpeed(RunnerScope scope, char* arguments) {
  char* cursor = arguments;
  const char* delay = nextArgument(cursor);
  scope.runner.messageWindow.currentDelay = delay != nullptr ? readNumber(delay) : 0;
  return CommandOutcome::Continue;
}

CommandOutcome commandPause(RunnerScope scope, char* arguments) {
  char* cursor = arguments;
  const char* time = nextArgument(cursor);
  if (!skippingWaits(scope.story)) pauseRunner(scope.story, time != nullptr ? readNumber(time) : 0);
  return CommandOutcome::Continue;
}

CommandOutcome commandEnd(RunnerScope scope, char*) {
  scope.story.shared.endRequested = 1;
  return CommandOutcome::Continue;
}
