#include "authoring/check_flow.h"

#include <algorithm>
#include <cstring>

#include "authoring/check_files.h"
#include "engine/script/arguments.h"
#include "engine/script/line_reader.h"

namespace {

// Where the runner goes from an entry point (a script's top or a label) when nothing stops it:
// the jump it meets first, or nothing when it stops for the reader, ends, or runs out of lines.
std::optional<std::pair<size_t, std::string>> nextJump(const StoryCheck& story, size_t script,
                                                       const std::string& label) {
  const CheckedScript& from = story.scripts[script];
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

}  // namespace

void noteTextLine(CheckedScript& script, int line) {
  script.flow.push_back({FlowStep::Kind::Stops, line, 0, ""});
}

void noteCommandFlow(CheckedScript& script, int line, CommandFlow flow) {
  if (flow == CommandFlow::Waits || flow == CommandFlow::Chooses) {
    script.flow.push_back({FlowStep::Kind::Stops, line, 0, ""});
  } else if (flow == CommandFlow::Ends) {
    script.flow.push_back({FlowStep::Kind::Ends, line, 0, ""});
  }
}

void recordLabel(CheckedScript& script, int line, const char* text, int length) {
  char copy[kScriptLineSize];
  std::memcpy(copy, text, length + 1);
  char* cursor = copy + 2;
  if (const char* label = nextArgument(cursor)) script.labels.push_back({label, line});
}

void checkJump(StoryCheck& story, size_t script, int line, const char* fileName,
               const char* label) {
  if (fileName == nullptr || isBlankArgument(fileName)) return;
  checkInsideFolder(story, script, line, "script", fileName);
  std::optional<std::string> path = findStoryFile(fileName, *story.files);
  if (!path) {
    reportMissingFile(story, script, line, "script", fileName);
    return;
  }
  const size_t target = scriptFor(story, fileName, *path);
  // Without a label the runner goes to the top, as with "NULL".
  if (label == nullptr || isBlankArgument(label) || std::strcmp(label, "NULL") == 0) {
    story.scripts[script].flow.push_back({FlowStep::Kind::Jumps, line, target, ""});
    return;
  }
  story.scripts[script].flow.push_back({FlowStep::Kind::Jumps, line, target, label});
  story.labelJumps.push_back({script, line, target, label});
  story.namedLabels.insert({target, label});
}

void checkLabelJumps(StoryCheck& story) {
  for (const LabelJump& jump : story.labelJumps) {
    const CheckedScript& target = story.scripts[jump.toScript];
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
