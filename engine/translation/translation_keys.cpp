#include "engine/translation/translation_keys.h"

#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "base/codepage.h"
#include "base/text_file.h"
#include "engine/config.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/script/runner.h"
#include "engine/script/runner_state.h"
#include "engine/script/saved_place.h"
#include "engine/story_files.h"

namespace {

struct ScriptText {
  std::string text;
  std::string label;  // the nearest label line's label before it, decoded
  int line = 0;
  bool choiceItem = false;
  int page = 0;
};

// The name the story's folder gives the file (its case, "/" between folders), so that scripts
// named in other cases by their jumps share one key.
std::string folderName(const StoryFiles& files, const std::string& hostPath, std::string_view named) {
  const std::optional<std::string> root = files.resolve(".");
  if (root && hostPath.size() > root->size() + 1 && hostPath.starts_with(*root) &&
      hostPath[root->size()] == '/') {
    return validUtf8Escaped(hostPath.substr(root->size() + 1));
  }
  return cp932ToUtf8(named);
}

bool isBlank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// The texts of one script in their order, and the scripts its jumps name.
std::vector<ScriptText> readScriptTexts(const std::vector<std::string>& lines,
                                        std::vector<std::string>& jumps) {
  std::vector<ScriptText> texts;
  std::string label;
  int physicalLine = 1;
  int itemsLeft = 0;
  int page = 0;
  for (const std::string& line : lines) {
    const int number = physicalLine;
    if (!line.empty() && line.back() == '\n') ++physicalLine;
    const std::string_view text = withoutLineEnd(line);
    if (itemsLeft > 0) {
      --itemsLeft;
      if (!isBlank(text)) texts.push_back({cp932ToUtf8(text), label, number, true, page});
      continue;
    }
    if (line.empty() || line[0] != '@') {
      if (!isBlank(text)) texts.push_back({cp932ToUtf8(text), label, number, false, page});
      continue;
    }
    std::string arguments = line.size() > 2 ? line.substr(2) : std::string();
    char* cursor = arguments.data();
    const char* first = nextArgument(cursor);
    switch (commandForLetter(line[1])) {
      case Command::Label:
        label = first != nullptr ? cp932ToUtf8(first) : "";
        ++page;
        break;
      case Command::NewPage:
        ++page;
        break;
      case Command::Jump:
        if (first != nullptr) jumps.emplace_back(first);
        break;
      case Command::Choice:
        if (const int32_t count = first != nullptr ? readNumber(first) : 0;
            count >= 1 && count <= kChoiceSlots) {
          itemsLeft = count;
        }
        break;
      default:
        break;
    }
  }
  return texts;
}

void addKeys(std::string_view script, const std::vector<ScriptText>& texts,
             std::vector<TranslationKey>& keys) {
  std::map<std::string, int> uses;
  for (const ScriptText& text : texts) ++uses[text.text];
  std::map<std::pair<std::string, std::string>, int> underLabel;
  for (const ScriptText& text : texts) {
    std::string context(script);
    if (uses[text.text] > 1) {
      context += ":" + text.label + ":" + std::to_string(++underLabel[{text.label, text.text}]);
    }
    keys.push_back({std::move(context), text.text, std::string(script), text.line,
                    text.choiceItem ? "choice item" : "", text.page, text.choiceItem});
  }
}

}  // namespace

std::optional<std::string> scriptKeyName(const StoryFiles& files, std::string_view named) {
  const std::optional<std::string> path = files.resolve(named);
  if (!path) return std::nullopt;
  return folderName(files, *path, named);
}

std::string_view contextScript(std::string_view context) {
  return context.substr(0, context.find(':'));
}

std::optional<std::vector<TranslationKey>> storyTranslationKeys(const StoryFiles& files,
                                                                Problem& problem) {
  GameConfig config;
  if (std::optional<Problem> unread = readConfig(files, config)) {
    problem = *unread;
    return std::nullopt;
  }
  std::vector<TranslationKey> keys;
  std::deque<std::string> toRead = {startScriptName(config.scrambledScripts)};
  std::set<std::string> seen;
  while (!toRead.empty()) {
    const std::string named = std::move(toRead.front());
    toRead.pop_front();
    const std::optional<std::string> path = files.resolve(named);
    TextFile script;
    if (!path || !seen.insert(*path).second || !files.openScript(named, script)) continue;
    std::vector<std::string> jumps;
    const std::vector<std::string> lines = readScriptLines(script, config.scrambledScripts);
    addKeys(folderName(files, *path, named), readScriptTexts(lines, jumps), keys);
    toRead.insert(toRead.end(), jumps.begin(), jumps.end());
  }

  // nev.ini's texts, each on its line of the file; the setting's name tells repeats apart.
  const std::pair<const char*, const char*> settings[] = {{config.windowTitle, "window title"},
                                                          {config.aboutText1, "about text 1"},
                                                          {config.aboutText2, "about text 2"}};
  std::vector<ScriptText> texts;
  for (int i = 0; i < 3; ++i) {
    std::string text = cp932ToUtf8(settings[i].first);
    // nev.ini's reading leaves a blank where the line ended; it is no part of the text.
    text.erase(text.find_last_not_of(" \t") + 1);
    if (!text.empty()) texts.push_back({std::move(text), settings[i].second, i + 1, false, 0});
  }
  const size_t first = keys.size();
  addKeys("nev.ini", texts, keys);
  for (size_t i = first; i < keys.size(); ++i) keys[i].note = texts[i - first].label;
  return keys;
}
