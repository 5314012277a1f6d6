#include "authoring/check_model.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/codepage.h"

namespace fs = std::filesystem;

void reportFinding(StoryCheck& story, const std::string& shownFile, int line,
                   FindingSeverity severity, std::string message) {
  story.findings.push_back(
      {fileIndex(story, shownFile), CheckFinding{shownFile, line, severity, std::move(message)}});
}

void reportInScript(StoryCheck& story, size_t script, int line, FindingSeverity severity,
                    std::string message) {
  reportFinding(story, printableStoryText(story.scripts[script].name), line, severity,
                std::move(message));
}

size_t fileIndex(StoryCheck& story, const std::string& shownName) {
  auto known = std::find(story.fileOrder.begin(), story.fileOrder.end(), shownName);
  if (known != story.fileOrder.end()) return known - story.fileOrder.begin();
  story.fileOrder.push_back(shownName);
  return story.fileOrder.size() - 1;
}

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

bool isBlankArgument(const char* argument) {
  for (; *argument != '\0'; ++argument) {
    if (std::strchr(" \t\n\v\f\r", *argument) == nullptr) return false;
  }
  return true;
}
