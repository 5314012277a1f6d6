#include "engine/script/runner.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "engine/context.h"
#include "engine/messages.h"
#include "engine/script/commands.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/flow_commands.h"
#include "engine/text/text_output.h"
#include "engine/translation/story_translation.h"
#include "engine/translation/translated_typing.h"
#include "base/codepage.h"

namespace {

void keepInHistory(TextHistory& history, const char* line, int length,
                   const std::string* translated) {
  // A page longer than the history keeps its first lines: those are the ones standing in the
  // text window from its top, which is what a redraw reproduces.
  if (history.lineCount >= kHistorySlots) return;
  std::memcpy(history.lines[history.lineCount], line, length + 1);
  history.translated[history.lineCount] = translated;
  ++history.lineCount;
}

}  // namespace

RunnerOperations standardRunnerOperations() {
  return {.prepareRunnerSurfaces = prepareRunnerSurfaces,
          .drawTextLine = drawTextLine,
          .waitForClick = waitForClick,
          .carryOut = carryOutCommand};
}

ScriptRunner::ScriptRunner(NevContext& story, RunnerOperations operations)
    : story_(story),
      operations_(std::move(operations)),
      record_(std::make_unique<RunnerStorage>(story.config)) {}

const std::string* translatedLine(const NevContext& context, const std::string& script,
                                  int32_t line) {
  if (context.translation == nullptr) return nullptr;
  return context.translation->line(*context.files, script, line);
}

const char* startScriptName(int32_t scrambledScripts) {
  return scrambledScripts == 0 ? "start.txt" : "start.stx";
}

void ScriptRunner::run() {
  NevContext& context = story_;
  RunnerStorage& runner = *record_;
  const RunnerOperations& operations = operations_;
  const GameConfig& config = context.config;

  operations.prepareRunnerSurfaces(context);
  if (context.resumeAt.taken) {
    const SavePoint& point = context.resumeAt;
    if (std::optional<Problem> problem = restoreSavePoint(scope(), point)) {
      problem->boxText = point.scriptName;
      problem->caption = kCaptionBadFile;
      problem->detail = "the save cannot be loaded: " + problem->detail;
      reportProblem(context.platform.messageBox, *problem);
      return;
    }
    resumeSavedMusic(context, point.music);
    // Into the wait or choice the save was made at, drawn as it was then.
    if (point.kind == SavePointKind::ClickWait) {
      operations.waitForClick(scope());
    } else {
      pickChoiceItem(scope(), int32_t(point.choiceItems.size()));
    }
  } else {
    const char* startName = startScriptName(config.scrambledScripts);
    if (!runner.cursor.open(*context.files, startName)) {
      reportProblem(context.platform.messageBox,
                    {.kind = ProblemKind::StoryFile,
                     .boxText = startName,
                     .caption = kCaptionBadFile,
                     .detail = context.files->problem(startName, "cannot be read")});
      return;  // no script lines to run; the window stays
    }
    runner.messageWindow.cursorY = runner.layout.textTop;
    runner.messageWindow.cursorX = runner.layout.textLeft;
    runner.history.lineCount = 0;
    runner.messageWindow.currentDelay =
        delayForSpeed(runner.layout.charDelay, context.shared.messageSpeed.load());
  }

  char* line = runner.cursor.line();
  while (context.shared.stopRunner.load() == 0) {
    const int length = runner.cursor.readLine(context.config.scrambledScripts);
    if (length == 0) break;
    context.platform.scriptLine(runner.cursor);
    if (line[0] != '@') {
      const std::string* translated = translatedLine(context, runner.cursor.scriptName(),
                                                     runner.cursor.linesRead());
      keepInHistory(runner.history, line, length, translated);
      const std::string_view text = withoutLineEnd(std::string_view(line, size_t(length)));
      const bool atOnce =
          beginTypedLine(context, runner.cursor.scriptName(), runner.cursor.linesRead());
      if (translated != nullptr) {
        drawTranslatedLine(scope(), *translated, atOnce);
      } else {
        operations.drawTextLine(scope(), line, atOnce);
      }
      // At once, and shown with one repaint.
      if (atOnce) context.platform.invalidate(nullptr);
      endTypedLine(context, runner.cursor.scriptName(), runner.cursor.linesRead(), text,
                   translated);
      context.platform.lineTyped(runner.cursor.scriptName(), runner.cursor.linesRead(),
                                 translated != nullptr ? *translated : cp932ToUtf8Escaped(text));
      if (runner.layout.waitEveryLine == 1) operations.waitForClick(scope());
      continue;
    }
    const Command command = commandForLetter(line[1]);
    if (commandDefinition(command).handler != nullptr &&
        operations.carryOut(scope(), command, line + 2) == CommandOutcome::EndRunner) {
      break;
    }
  }
}
