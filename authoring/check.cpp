#include "authoring/check.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "engine/config.h"
#include "base/codepage.h"
#include "engine/local_story_folder.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/script/arguments.h"
#include "engine/script/line_reader.h"
#include "engine/script/runner.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kConfigName = "nev.ini";
// The scrambled form needs one byte of the line buffer for its extra line feed.
constexpr int kLongestScrambledLine = kScriptLineSize - 2;

struct LabelLine {
  std::string label;
  int line = 0;
};

// What a line does to the flow of the story, for finding loops that never stop for the reader.
struct FlowStep {
  enum class Kind { Stops, Ends, Jumps } kind = Kind::Stops;
  int line = 0;
  size_t toScript = 0;  // for a jump
  std::string label;    // for a jump; empty: the script's top
};

struct Script {
  std::string name;  // as the story names it
  std::string hostPath;
  std::vector<LabelLine> labels;  // every label line, as the label search meets them
  // Lines that stop for the reader (text, a wait, a choice, a pause), end the story or jump,
  // in their order; the other lines carry the runner straight on.
  std::vector<FlowStep> flow;
};

// A jump with a label, checked once every script has been read.
struct LabelJump {
  size_t fromScript = 0;
  int line = 0;
  size_t toScript = 0;
  std::string label;
};

struct PendingChoice {
  int line = 0;
  int count = 0;
  int linesLeft = 0;  // item and branch lines still to come
};

struct StoryCheck {
  const StoryFiles* files = nullptr;
  int32_t scrambledScripts = 0;
  int32_t screenHeight = 0;  // 0 when nev.ini could not be read
  std::optional<GameConfig> config;
  std::vector<std::string> fileOrder;  // display names, in the order the files were met
  std::vector<std::pair<size_t, CheckFinding>> findings;
  std::vector<Script> scripts;
  std::map<std::string, size_t> scriptByPath;
  std::vector<LabelJump> labelJumps;
  std::set<std::pair<size_t, std::string>> namedLabels;
};

// What a command line must give, for the commands that read arguments.
struct ArgumentNeed {
  char letter;
  int count;
  const char* names;
};

constexpr ArgumentNeed kArgumentNeeds[] = {
    {'C', 4, "x, y, file, raster code"},
    {'G', 4, "x, y, file, raster code"},
    {'J', 2, "file, label"},
    {'R', 10, "ten numbers"},
    {'S', 1, "delay"},
    {'T', 1, "time"},
    {'W', 1, "item count"},
    {'Y', 2, "file, loop value"},
    {'Z', 1, "sound"},
};

std::string quotedName(std::string_view cp932) {
  return "\"" + printableStoryText(cp932) + "\"";
}

bool endsWithLineFeed(std::string_view text) {
  return !text.empty() && text.back() == '\n';
}

std::string_view withoutLineFeeds(std::string_view text) {
  while (endsWithLineFeed(text)) text.remove_suffix(1);
  return text;
}

// An argument of nothing but blanks and line feeds, such as the line feed after a final ";":
// the runner reads it, but it gives no number and names nothing anyone meant.
bool isBlank(const char* argument) {
  for (; *argument != '\0'; ++argument) {
    if (std::strchr(" \t\n\v\f\r", *argument) == nullptr) return false;
  }
  return true;
}

// Through the runner's own resolver; a folder of the name is no file.
std::optional<std::string> findStoryFile(std::string_view name, const StoryFiles& files) {
  std::optional<std::string> path = files.resolve(name);
  std::error_code error;
  if (!path || !fs::is_regular_file(*path, error)) return std::nullopt;
  return path;
}

size_t fileIndex(StoryCheck& story, const std::string& shownName) {
  auto known = std::find(story.fileOrder.begin(), story.fileOrder.end(), shownName);
  if (known != story.fileOrder.end()) return known - story.fileOrder.begin();
  story.fileOrder.push_back(shownName);
  return story.fileOrder.size() - 1;
}

void report(StoryCheck& story, const std::string& shownFile, int line, FindingSeverity severity,
            std::string message) {
  story.findings.push_back(
      {fileIndex(story, shownFile), CheckFinding{shownFile, line, severity, std::move(message)}});
}

void reportInScript(StoryCheck& story, size_t script, int line, FindingSeverity severity,
                    std::string message) {
  report(story, printableStoryText(story.scripts[script].name), line, severity, std::move(message));
}

// The script's index, adding it to those still to be read when it is new.
size_t scriptFor(StoryCheck& story, std::string_view name, const std::string& hostPath) {
  std::error_code error;
  std::string key = fs::weakly_canonical(hostPath, error).string();
  if (error) key = hostPath;
  auto known = story.scriptByPath.find(key);
  if (known != story.scriptByPath.end()) return known->second;
  story.scripts.push_back({std::string(name), hostPath, {}, {}});
  story.scriptByPath[key] = story.scripts.size() - 1;
  fileIndex(story, printableStoryText(name));
  return story.scripts.size() - 1;
}

// A choice item is picked where the pointer is inside its band, fontSize rows of the picture
// tall; a negative size, or one whose band overflows the 32-bit arithmetic, leaves no row.
void checkFontSize(StoryCheck& story, const std::string& shownFile, int line, int32_t fontSize) {
  if (story.screenHeight <= 0) return;
  if (fontSize >= 0 && int64_t{fontSize} * story.screenHeight <= INT32_MAX) return;
  report(story, shownFile, line, FindingSeverity::Warning,
         "font size " + std::to_string(fontSize) +
             " leaves choice items no rows to be picked in; a choice can never be made");
}

// Reads nev.ini as the program does. Without a readable one, the scripts are still checked,
// in the form whose start script is present.
void checkConfig(StoryCheck& story) {
  fileIndex(story, kConfigName);
  TextFile file;
  if (!findStoryFile(kConfigName, *story.files) || !story.files->openScript(kConfigName, file)) {
    report(story, kConfigName, 0, FindingSeverity::Error, "not found; the story cannot start");
  } else {
    GameConfig config;
    if (std::optional<ConfigProblem> problem = parseConfig(file, config)) {
      report(story, kConfigName, problem->fileLine, FindingSeverity::Error, problem->detail);
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

void reportMissingFile(StoryCheck& story, size_t script, int line, const char* kind,
                       std::string_view name, const char* consequence = "") {
  if (endsWithLineFeed(name)) {
    reportInScript(
        story, script, line, FindingSeverity::Error,
        std::string(kind) + " " + quotedName(name) + " carries the line feed; end it with \";\"");
  } else {
    reportInScript(story, script, line, FindingSeverity::Error,
                   std::string(kind) + " " + quotedName(name) + " not found" + consequence);
  }
}

// Stories are copied as a folder: a file outside it is left behind.
void checkInsideFolder(StoryCheck& story, size_t script, int line, const char* kind,
                       const char* name) {
  if (!leavesStoryFolder(name)) return;
  reportInScript(story, script, line, FindingSeverity::Warning,
                 std::string(kind) + " " + quotedName(name) +
                     " lies outside the story folder; a copy of the folder will not have it");
}

void checkFile(StoryCheck& story, size_t script, int line, const char* kind, const char* name,
               const char* consequence = "") {
  if (name == nullptr || isBlank(name)) return;
  checkInsideFolder(story, script, line, kind, name);
  if (findStoryFile(name, *story.files)) return;
  reportMissingFile(story, script, line, kind, name, consequence);
}

void checkJump(StoryCheck& story, size_t script, int line,
               const std::vector<const char*>& arguments) {
  if (arguments.empty() || isBlank(arguments[0])) return;
  const char* fileName = arguments[0];
  checkInsideFolder(story, script, line, "script", fileName);
  std::optional<std::string> path = findStoryFile(fileName, *story.files);
  if (!path) {
    reportMissingFile(story, script, line, "script", fileName);
    return;
  }
  const size_t target = scriptFor(story, fileName, *path);
  // Without a label the runner goes to the top, as with "NULL".
  if (arguments.size() < 2 || isBlank(arguments[1]) || std::strcmp(arguments[1], "NULL") == 0) {
    story.scripts[script].flow.push_back({FlowStep::Kind::Jumps, line, target, ""});
    return;
  }
  story.scripts[script].flow.push_back({FlowStep::Kind::Jumps, line, target, arguments[1]});
  story.labelJumps.push_back({script, line, target, arguments[1]});
  story.namedLabels.insert({target, arguments[1]});
}

// How far the cells of some text reach, right and bottom exclusive.
struct Reach {
  int32_t right = INT32_MIN;
  int32_t bottom = INT32_MIN;
  void add(const Rect& cell) {
    right = std::max(right, cell.right);
    bottom = std::max(bottom, cell.bottom);
  }
};

// The text window as a straight reading of a script moves it, to find text and the ▼ that run
// off the picture. Its rows are known from the story's start and from each @P; a label can be
// reached from anywhere, so after one they are not.
struct TextWindowState {
  GameConfig layout;  // nev.ini's, then as each @R leaves it
  int32_t cursorX = 0, cursorY = 0;
  int32_t choiceX = 0, choiceY = 0;
  int32_t markerX = 0, markerY = 0;
  bool rowsKnown = false;
  bool markerKnown = false;        // a line has been typed since the last label
  bool markerRowKnown = false;     // and its row was known
  std::vector<std::string> page;   // the lines since @P, for @X
  std::set<std::string> reported;  // what has been said since the last @P, @R or label
};

// The window where a reading starts: at the story's start its rows are known, from the top.
TextWindowState windowAtStart(const GameConfig& layout, bool rowsKnown) {
  TextWindowState window;
  window.layout = layout;
  window.cursorX = layout.textLeft;
  window.cursorY = layout.textTop;
  window.rowsKnown = rowsKnown;
  return window;
}

// Mutable state of one straight reading of a script.
struct Reading {
  int textLines = 0;  // since the last @P
  int itemsLeft = 0;  // item lines of the choice being read
  std::vector<PendingChoice> choices;
  std::optional<TextWindowState> window;  // none without a readable nev.ini
};

// Lays out a text line as the typing does (the choice items' cursor when `item`), moving the
// cursor on; the ▼ goes where a line ends.
Reach layOutLine(TextWindowState& window, const char* text, bool item) {
  const GameConfig& layout = window.layout;
  int32_t& x = item ? window.choiceX : window.cursorX;
  int32_t& y = item ? window.choiceY : window.cursorY;
  Reach reach;
  if (text[0] != '\n') {
    walkUnits(layout, text, x, y, [&](const char*) {
      reach.add(cellRect(layout, x, y));
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
                const std::string& what, const Reach& reach, bool rowKnown) {
  warnPastEdge(story, script, line, window, what, reach.right, window.layout.screenWidth, "right");
  if (rowKnown) {
    warnPastEdge(story, script, line, window, what, reach.bottom, window.layout.screenHeight,
                 "bottom");
  }
}

// The ▼ is drawn without a shadow, one font size square.
void checkMarker(StoryCheck& story, size_t script, int line, TextWindowState& window) {
  if (!window.markerKnown) return;
  const int32_t size = window.layout.fontSize;
  Reach reach;
  reach.add({window.markerX, window.markerY, wrapAdd(window.markerX, size),
             wrapAdd(window.markerY, size)});
  checkReach(story, script, line, window, "the ▼", reach, window.markerRowKnown);
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

// The ten numbers of @R, in their order; numbers the line leaves out keep their values.
void applyTextWindowSettings(GameConfig& layout, const std::vector<const char*>& arguments) {
  int32_t* fields[] = {&layout.textLeft,      &layout.textTop,   &layout.charsPerLine,
                       &layout.reservedValue, &layout.fontSize,  &layout.charPitch,
                       &layout.linePitch,     &layout.charDelay, &layout.waitEveryLine,
                       &layout.overlayEnabled};
  for (size_t i = 0; i < std::size(fields) && i < arguments.size(); ++i) {
    *fields[i] = readNumber(arguments[i]);
  }
}

// What the page, wait, label and layout commands do to the text window.
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
      window = windowAtStart(window.layout, false);
      break;
    case Command::TextWindow:
      applyTextWindowSettings(window.layout, arguments);
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

void checkCommand(StoryCheck& story, size_t script, int line, const char* text, Reading& reading) {
  const char letter = text[1];
  const Command command = commandForLetter(letter);
  if (command == Command::NewPage) reading.textLines = 0;
  if (command == Command::ClickWait || command == Command::Choice || command == Command::Pause) {
    story.scripts[script].flow.push_back({FlowStep::Kind::Stops, line, 0, ""});
  } else if (command == Command::End) {
    story.scripts[script].flow.push_back({FlowStep::Kind::Ends, line, 0, ""});
  }
  char argumentText[kScriptLineSize];
  std::strcpy(argumentText, text + 2);
  std::vector<const char*> arguments;
  char* cursor = argumentText;
  while (const char* argument = nextArgument(cursor)) arguments.push_back(argument);
  if (reading.window) moveTextWindow(story, script, line, command, arguments, *reading.window);

  const ArgumentNeed* need =
      std::find_if(std::begin(kArgumentNeeds), std::end(kArgumentNeeds),
                   [letter](const ArgumentNeed& n) { return n.letter == letter; });
  if (need == std::end(kArgumentNeeds)) return;
  const int given = static_cast<int>(
      std::count_if(arguments.begin(), arguments.end(), [](const char* a) { return !isBlank(a); }));
  if (given < need->count) {
    reportInScript(story, script, line, FindingSeverity::Error,
                   std::string("@") + letter + " reads " + std::to_string(need->count) +
                       (need->count == 1 ? " argument (" : " arguments (") + need->names +
                       "); the line has " + std::to_string(given));
  }
  auto argument = [&arguments](size_t index) {
    return index < arguments.size() ? arguments[index] : nullptr;
  };

  switch (letter) {
    case 'C':
    case 'G':
      checkFile(story, script, line, "picture", argument(2));
      break;
    case 'Y':
      checkFile(story, script, line, "music", argument(0));
      break;
    case 'Z':
      checkFile(story, script, line, "sound", argument(0), "; the default sound plays instead");
      break;
    case 'J':
      checkJump(story, script, line, arguments);
      break;
    case 'R': {
      // The fifth number is the font size; a line that leaves it out keeps the old one.
      if (arguments.size() >= 5 && !isBlank(arguments[4])) {
        checkFontSize(story, printableStoryText(story.scripts[script].name), line,
                      readNumber(arguments[4]));
      }
      break;
    }
    case 'W': {
      if (given < 1) break;
      const int32_t count = readNumber(arguments[0]);
      if (count < 1 || count > kChoiceSlots) {
        reportInScript(story, script, line, FindingSeverity::Error,
                       "choice count " + std::to_string(count) + " is not 1 to " +
                           std::to_string(kChoiceSlots) + "; the lines after it run as they stand");
        break;
      }
      reading.itemsLeft = count;
      reading.choices.push_back({line, count, 2 * count});
      break;
    }
    default:
      break;
  }
}

void recordLabel(Script& script, int line, const char* text, int length) {
  char copy[kScriptLineSize];
  std::memcpy(copy, text, length + 1);
  char* cursor = copy + 2;
  if (const char* label = nextArgument(cursor)) script.labels.push_back({label, line});
}

// Follows the script from its first line to its last, as the runner reads it when no jump
// leaves it: choice items are read by their @W, every other line is text or a command.
void readScript(StoryCheck& story, size_t script) {
  TextFile file;
  if (!story.files->openScript(story.scripts[script].name, file)) {
    reportInScript(story, script, 0, FindingSeverity::Error, "cannot be read");
    return;
  }
  Reading reading;
  // The start script is the first met; the story starts at its top.
  if (story.config) reading.window = windowAtStart(*story.config, script == 0);
  char text[kScriptLineSize];
  int nextLine = 1;
  for (int length;
       (length = readScriptLine(text, kScriptLineSize, file, story.scrambledScripts)) > 0;) {
    const int line = nextLine;
    if (text[length - 1] == '\n') ++nextLine;
    for (PendingChoice& choice : reading.choices) --choice.linesLeft;
    std::erase_if(reading.choices, [](const PendingChoice& c) { return c.linesLeft == 0; });
    // The label search reads every line, choice items too.
    if (text[0] == '@' && text[1] == 'L') recordLabel(story.scripts[script], line, text, length);
    if (reading.itemsLeft > 0) {
      --reading.itemsLeft;
      if (reading.window) checkChoiceItem(story, script, line, text, *reading.window);
    } else if (text[0] != '@') {
      story.scripts[script].flow.push_back({FlowStep::Kind::Stops, line, 0, ""});
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

void checkLabelJumps(StoryCheck& story) {
  for (const LabelJump& jump : story.labelJumps) {
    const Script& target = story.scripts[jump.toScript];
    auto sameLabel = [&jump](const LabelLine& l) { return l.label == jump.label; };
    if (std::any_of(target.labels.begin(), target.labels.end(), sameLabel)) continue;

    std::string message = "label " + quotedName(jump.label);
    auto trappedLine =
        std::find_if(target.labels.begin(), target.labels.end(), [&jump](const LabelLine& l) {
          return endsWithLineFeed(l.label) && withoutLineFeeds(l.label) == jump.label;
        });
    if (endsWithLineFeed(jump.label)) {
      message += " carries the line feed; end it with \";\"";
      // The label meant is named, only badly: it is not reported again as unreachable.
      story.namedLabels.insert({jump.toScript, std::string(withoutLineFeeds(jump.label))});
    } else if (trappedLine != target.labels.end()) {
      message += " not found in " + quotedName(target.name) + ": its label line " +
                 std::to_string(trappedLine->line) +
                 " carries the line feed; end the label there with \";\"";
      // That label line has been blamed here; it is not reported again as unreachable.
      story.namedLabels.insert({jump.toScript, trappedLine->label});
    } else {
      message += " not found in " + quotedName(target.name);
    }
    reportInScript(story, jump.fromScript, jump.line, FindingSeverity::Error, message);
  }
}

void checkUnreachableLabels(StoryCheck& story) {
  for (size_t script = 0; script < story.scripts.size(); ++script) {
    std::map<std::string, int> firstLine;
    for (const LabelLine& label : story.scripts[script].labels) {
      auto [first, isFirst] = firstLine.emplace(label.label, label.line);
      if (!isFirst) {
        reportInScript(story, script, label.line, FindingSeverity::Warning,
                       "label " + quotedName(label.label) +
                           " is never reached: jumps stop at the same label on line " +
                           std::to_string(first->second));
      } else if (!story.namedLabels.contains({script, label.label})) {
        reportInScript(story, script, label.line, FindingSeverity::Warning,
                       "label " + quotedName(label.label) + " is never jumped to");
      }
    }
  }
}

// Where the runner goes from an entry point (a script's top or a label) when nothing stops it:
// the jump it meets first, or nothing when it stops for the reader, ends, or runs out of lines.
std::optional<std::pair<size_t, std::string>> nextJump(const StoryCheck& story, size_t script,
                                                       const std::string& label) {
  const Script& from = story.scripts[script];
  int startLine = 0;
  if (!label.empty()) {
    auto found = std::find_if(from.labels.begin(), from.labels.end(),
                              [&label](const LabelLine& l) { return l.label == label; });
    if (found == from.labels.end()) return std::nullopt;  // a missing label ends the runner
    startLine = found->line;
  }
  auto step = std::find_if(from.flow.begin(), from.flow.end(),
                           [startLine](const FlowStep& s) { return s.line > startLine; });
  if (step == from.flow.end() || step->kind != FlowStep::Kind::Jumps) return std::nullopt;
  return std::pair{step->toScript, step->label};
}

// Jumps that come round to where they started with no text, wait, choice or pause on the way:
// the runner spins there for ever, and the reader sees the story hang.
void checkEndlessLoops(StoryCheck& story) {
  using Entry = std::pair<size_t, std::string>;
  std::set<Entry> reported;
  for (size_t script = 0; script < story.scripts.size(); ++script) {
    for (const FlowStep& step : story.scripts[script].flow) {
      if (step.kind != FlowStep::Kind::Jumps) continue;
      // Follow the jumps from this one's target; each entry has one way on, so a loop shows
      // as an entry met twice.
      std::vector<Entry> path;
      std::optional<Entry> at = Entry{step.toScript, step.label};
      while (at && std::find(path.begin(), path.end(), *at) == path.end()) {
        path.push_back(*at);
        at = nextJump(story, at->first, at->second);
      }
      if (!at || at != path.front() || reported.contains(*at)) continue;
      for (const Entry& entry : path) reported.insert(entry);
      reportInScript(story, script, step.line, FindingSeverity::Warning,
                     "this jump starts a loop with no text, wait, choice or pause in it: the "
                     "story never stops for the reader again");
    }
  }
}

// One line of a file as the text-mode reader sees it: CR LF taken as LF.
struct RawLine {
  std::string_view bytes;  // without the line feed
  int length = 0;          // as read, its line feed included
};

// Walks the lines up to the end-of-file mark.
template <typename Visit>
void forEachRawLine(const std::string& file, Visit visit) {
  int line = 1;
  size_t start = 0;
  size_t i = 0;
  for (; i < file.size() && file[i] != kEndOfFileMark; ++i) {
    if (file[i] != '\n') continue;
    const bool crlf = i > start && file[i - 1] == '\r';
    const std::string_view bytes(file.data() + start, i - start - (crlf ? 1 : 0));
    visit(line++, RawLine{bytes, static_cast<int>(bytes.size()) + 1});
    start = i + 1;
  }
  if (i > start) {
    const std::string_view bytes(file.data() + start, i - start);
    visit(line, RawLine{bytes, static_cast<int>(bytes.size())});
  }
}

// Text after a byte 0x1A is never read by anyone: the reader takes the byte for the file's end.
void checkEndOfFileMark(StoryCheck& story, size_t script) {
  std::optional<std::string> file = story.files->read(story.scripts[script].name);
  if (!file) return;
  const size_t mark = file->find(kEndOfFileMark);
  if (mark == std::string::npos) return;
  // Old editors end a file with the mark; that loses nothing.
  if (file->find_first_not_of("\x1A\r\n \t", mark) == std::string::npos) return;
  const int line = static_cast<int>(std::count(file->begin(), file->begin() + mark, '\n')) + 1;
  reportInScript(story, script, line, FindingSeverity::Error,
                 "byte 0x1A ends the file here; the " + std::to_string(file->size() - mark - 1) +
                     " bytes after it are never read");
}

// A plain script beside its scrambled form: what the scrambling pass would lose.
void checkPlainSource(StoryCheck& story, const std::string& name) {
  std::optional<std::string> file = story.files->read(name);
  if (!file) return;
  const std::string shownName = printableStoryText(name);
  forEachRawLine(*file, [&](int line, const RawLine& raw) {
    if (raw.length > kLongestScrambledLine) {
      report(story, shownName, line, FindingSeverity::Warning,
             "line is " + std::to_string(raw.length) +
                 " bytes; a line to be scrambled holds at most " +
                 std::to_string(kLongestScrambledLine) + ", its line feed included");
    }
    struct Lost {
      char byte;
      const char* what;
    };
    static constexpr Lost kLost[] = {
        {'\x09', "byte 0x09 (tab) does not survive scrambling: it becomes a line feed"},
        {'\x19', "byte 0x19 does not survive scrambling: it becomes 0x1A, the end of the file"},
        {'\xFF', "byte 0xFF does not survive scrambling: it wraps to 0x00"},
    };
    for (const Lost& lost : kLost) {
      if (raw.bytes.find(lost.byte) != std::string_view::npos) {
        report(story, shownName, line, FindingSeverity::Warning, lost.what);
      }
    }
  });
}

// With scrambledScripts 1 and the plain start script kept alongside, the author edits the plain
// scripts and scrambles them: each scrambled script's plain form is checked for what is lost.
void checkPlainSources(StoryCheck& story) {
  if (story.scrambledScripts != 1 || !findStoryFile(startScriptName(0), *story.files)) return;
  const std::string_view scrambledExtension = ".stx";
  for (size_t script = 0; script < story.scripts.size(); ++script) {
    const std::string& name = story.scripts[script].name;
    if (name.size() < scrambledExtension.size() ||
        !equalIgnoringAsciiCase(
            std::string_view(name).substr(name.size() - scrambledExtension.size()),
            scrambledExtension)) {
      continue;
    }
    const std::string plainName = name.substr(0, name.size() - scrambledExtension.size()) + ".txt";
    if (findStoryFile(plainName, *story.files)) checkPlainSource(story, plainName);
  }
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
  report(story, kConfigName, 0, FindingSeverity::Error, message);
}

}  // namespace

std::vector<CheckFinding> checkStory(const std::string& storyDir) {
  StoryCheck story;
  const LocalStoryFolder folder(storyDir);
  story.files = &folder;
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
