#pragma once
// The story as the lint reads it: the scripts met so far, their labels and the steps that
// matter to the flow, and the findings gathered for each file.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "authoring/check.h"
#include "engine/config.h"
#include "engine/story_files.h"

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

struct CheckedScript {
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

struct StoryCheck {
  const StoryFiles* files = nullptr;  // the story's, for as long as the check runs
  int32_t scrambledScripts = 0;
  int32_t screenHeight = 0;  // 0 when nev.ini could not be read
  std::optional<GameConfig> config;
  std::vector<std::string> fileOrder;  // display names, in the order the files were met
  std::vector<std::pair<size_t, CheckFinding>> findings;
  std::vector<CheckedScript> scripts;
  std::map<std::string, size_t> scriptByPath;
  std::vector<LabelJump> labelJumps;
  std::set<std::pair<size_t, std::string>> namedLabels;
};

void reportFinding(StoryCheck& story, const std::string& shownFile, int line,
                   FindingSeverity severity, std::string message);
void reportInScript(StoryCheck& story, size_t script, int line, FindingSeverity severity,
                    std::string message);

// The display name's place in the order of files, adding it when it is new.
size_t fileIndex(StoryCheck& story, const std::string& shownName);

// The script's index, adding it to those still to be read when it is new.
size_t scriptFor(StoryCheck& story, std::string_view name, const std::string& hostPath);

// A story's name or label as findings quote it.
std::string quotedName(std::string_view cp932);

bool endsWithLineFeed(std::string_view text);
std::string_view withoutLineFeeds(std::string_view text);

// An argument of nothing but blanks and line feeds, such as the line feed after a final ";":
// the runner reads it, but it gives no number and names nothing anyone meant.
bool isBlankArgument(const char* argument);
