#include "authoring/check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "authoring/check_files.h"
#include "authoring/check_text.h"
#include "authoring/check_flow.h"
#include "authoring/check_layout.h"
#include "authoring/check_model.h"
#include "base/codepage.h"
#include "base/text_file.h"
#include "engine/config.h"
#include "engine/local_story_folder.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/script/line_reader.h"
#include "engine/script/runner.h"

namespace {

constexpr const char* kConfigName = "nev.ini";

struct PendingChoice {
  int line = 0;
  int count = 0;
  int linesLeft = 0;  // item and branch lines still to come
};

// Mutable state of one straight reading of a script.
struct ScriptReading {
  int textLines = 0;  // since the last @P
  int itemsLeft = 0;  // item lines of the choice being read
  std::vector<PendingChoice> choices;
  std::optional<TextWindowState> window;  // none without a readable nev.ini
};

// Reads nev.ini as the program does. Without a readable one, the scripts are still checked,
// in the form whose start script is present.
void checkConfig(StoryCheck& story) {
  fileIndex(story, kConfigName);
  TextFile file;
  if (!findStoryFile(kConfigName, *story.files) || !story.files->openScript(kConfigName, file)) {
    reportFinding(story, kConfigName, 0, FindingSeverity::Error,
                  "not found; the story cannot start");
  } else {
    GameConfig config;
    if (std::optional<Problem> problem = parseConfig(file, config)) {
      reportFinding(story, kConfigName, problem->fileLine, FindingSeverity::Error, problem->detail);
    } else {
      story.scrambledScripts = config.scrambledScripts;
      story.screenHeight = config.screenHeight;
      story.config = config;
      checkFontSize(story, kConfigName, 0, config.fontSize);
      return;
    }
  }
  const bool onlyScrambled = !findStoryFile(startScriptName(0), *story.files) &&
                             findStoryFile(startScriptName(1), *story.files);
  story.scrambledScripts = onlyScrambled ? 1 : 0;
}

void checkStartScript(StoryCheck& story) {
  const char* startName = startScriptName(story.scrambledScripts);
  if (std::optional<std::string> path = findStoryFile(startName, *story.files)) {
    scriptFor(story, startName, *path);
    return;
  }
  std::string message = std::string("start script \"") + startName + "\" not found";
  const char* otherName = startScriptName(story.scrambledScripts == 0 ? 1 : 0);
  if (findStoryFile(otherName, *story.files)) {
    message += std::string(" (scrambledScripts is ") + std::to_string(story.scrambledScripts) +
               "; the folder has " + otherName + ")";
  }
  reportFinding(story, kConfigName, 0, FindingSeverity::Error, message);
}

// A command line, by its command's row: what it does to the flow and the text window, whether
// it gives the arguments the command reads, and the files they name.
void checkCommand(StoryCheck& story, size_t script, int line, const char* text,
                  ScriptReading& reading) {
  const char letter = text[1];
  const Command command = commandForLetter(letter);
  const CommandDefinition& definition = commandDefinition(command);
  if (command == Command::NewPage) reading.textLines = 0;
  noteCommandFlow(story.scripts[script], line, definition.flow);
  char argumentText[kScriptLineSize];
  std::strcpy(argumentText, text + 2);
  std::vector<const char*> arguments;
  char* cursor = argumentText;
  while (const char* argument = nextArgument(cursor)) arguments.push_back(argument);
  if (reading.window) moveTextWindow(story, script, line, command, arguments, *reading.window);

  const int needed = static_cast<int>(definition.arguments.size());
  if (needed == 0) return;
  const int given = static_cast<int>(std::count_if(
      arguments.begin(), arguments.end(), [](const char* a) { return !isBlankArgument(a); }));
  if (given < needed) {
    reportInScript(story, script, line, FindingSeverity::Error,
                   std::string("@") + letter + " reads " + std::to_string(needed) +
                       (needed == 1 ? " argument (" : " arguments (") + definition.argumentNames +
                       "); the line has " + std::to_string(given));
  }
  auto argument = [&arguments](size_t index) {
    return index < arguments.size() ? arguments[index] : nullptr;
  };
  for (size_t i = 0; i < definition.arguments.size(); ++i) {
    const ArgumentKind kind = definition.arguments[i];
    if (kind == ArgumentKind::ScriptFile) {
      const bool labelled =
          i + 1 < definition.arguments.size() && definition.arguments[i + 1] == ArgumentKind::Label;
      checkJump(story, script, line, argument(i), labelled ? argument(i + 1) : nullptr);
    } else {
      checkNamedFile(story, script, line, kind, argument(i));
    }
  }
  if (definition.flow == CommandFlow::Chooses && given >= 1) {
    const int32_t count = readNumber(arguments[0]);
    if (count < 1 || count > kChoiceSlots) {
      reportInScript(story, script, line, FindingSeverity::Error,
                     "choice count " + std::to_string(count) + " is not 1 to " +
                         std::to_string(kChoiceSlots) + "; the lines after it run as they stand");
      return;
    }
    reading.itemsLeft = count;
    reading.choices.push_back({line, count, 2 * count});
  }
}

// Follows the script from its first line to its last, as the runner reads it when no jump
// leaves it: choice items are read by their @W, every other line is text or a command.
void readScript(StoryCheck& story, size_t script) {
  TextFile file;
  if (!story.files->openScript(story.scripts[script].name, file)) {
    reportInScript(story, script, 0, FindingSeverity::Error, "cannot be read");
    return;
  }
  ScriptReading reading;
  // The start script is the first met; the story starts at its top.
  if (story.config) {
    reading.window = windowAtStart(*story.config, layoutFromSettings(*story.config), script == 0);
  }
  char text[kScriptLineSize];
  int nextLine = 1;
  for (int length;
       (length = readScriptLine(text, kScriptLineSize, file, story.scrambledScripts)) > 0;) {
    const int line = nextLine;
    if (text[length - 1] == '\n') ++nextLine;
    for (PendingChoice& choice : reading.choices) --choice.linesLeft;
    std::erase_if(reading.choices, [](const PendingChoice& c) { return c.linesLeft == 0; });
    // The label search reads every line, choice items too.
    if (text[0] == '@' &&
        commandDefinition(commandForLetter(text[1])).flow == CommandFlow::JumpTarget) {
      recordLabel(story.scripts[script], line, text, length);
    }
    if (reading.itemsLeft > 0) {
      --reading.itemsLeft;
      checkCellsInStep(story, script, line, text);
      if (reading.window) checkChoiceItem(story, script, line, text, *reading.window);
    } else if (text[0] != '@') {
      noteTextLine(story.scripts[script], line);
      checkCellsInStep(story, script, line, text);
      if (reading.window) checkTextLine(story, script, line, text, *reading.window);
      if (++reading.textLines == kHistorySlots + 1) {
        reportInScript(story, script, line, FindingSeverity::Error,
                       "more than " + std::to_string(kHistorySlots) +
                           " text lines without @P; the page keeps only " +
                           std::to_string(kHistorySlots) + " for @X");
      }
    } else {
      checkCommand(story, script, line, text, reading);
    }
  }
  for (const PendingChoice& choice : reading.choices) {
    const int read = 2 * choice.count - choice.linesLeft;
    const bool inItems = read < choice.count;
    reportInScript(story, script, choice.line, FindingSeverity::Error,
                   "the file ends after " + std::to_string(inItems ? read : read - choice.count) +
                       " of the choice's " + std::to_string(choice.count) +
                       (inItems ? " item lines" : " branch lines"));
  }
}

}  // namespace

std::vector<CheckFinding> checkStory(const std::string& storyDir) {
  return checkStory(LocalStoryFolder(storyDir));
}

std::vector<CheckFinding> checkStory(const StoryFiles& files) {
  StoryCheck story;
  story.files = &files;
  checkConfig(story);
  checkStartScript(story);
  // Reading a script can add the scripts it jumps to.
  for (size_t script = 0; script < story.scripts.size(); ++script) {
    readScript(story, script);
    checkEndOfFileMark(story, script);
  }
  checkLabelJumps(story);
  checkUnreachableLabels(story);
  checkEndlessLoops(story);
  checkPlainSources(story);

  std::stable_sort(story.findings.begin(), story.findings.end(), [](const auto& a, const auto& b) {
    return std::tuple(a.first, a.second.severity, a.second.line) <
           std::tuple(b.first, b.second.severity, b.second.line);
  });
  std::vector<CheckFinding> findings;
  for (auto& [file, finding] : story.findings) findings.push_back(std::move(finding));
  return findings;
}

std::string formatFinding(const CheckFinding& finding) {
  std::string text = finding.file + ":";
  if (finding.line > 0) text += std::to_string(finding.line) + ":";
  text += finding.severity == FindingSeverity::Error ? " error: " : " warning: ";
  return text + printableText(finding.message);
}

bool hasError(const std::vector<CheckFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const CheckFinding& f) { return f.severity == FindingSeverity::Error; });
}
