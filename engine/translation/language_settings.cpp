#include "engine/translation/language_settings.h"

#include <charconv>

#include "base/story_files.h"

namespace {

constexpr int32_t kLargestSize = 1000;

std::string_view trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<int32_t> numberIn(std::string_view text, int32_t least) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < least ||
      value > kLargestSize) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<LanguageSettings> readLanguageSettings(std::string_view text, std::string_view name,
                                                     Problem& problem) {
  LanguageSettings settings;
  bool inLanguage = false;
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find('\n');
    std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line = trimmed(line.substr(3));
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      inLanguage = equalIgnoringAsciiCase(line, "[language]");
      continue;
    }
    const size_t equals = line.find('=');
    if (!inLanguage || equals == std::string_view::npos) continue;
    const std::string key = foldAsciiCase(trimmed(line.substr(0, equals)));
    const std::string_view value = trimmed(line.substr(equals + 1));
    std::optional<int32_t> number;
    if (key == "name") {
      settings.name = value;
    } else if (key == "font") {
      settings.fontFile = value;
      settings.fontLine = lineNumber;
    } else if (key == "size" || key == "linespacing" || key == "fuzzy") {
      number = numberIn(value, key == "size" ? 1 : 0);
      if (!number) {
        problem = {.kind = ProblemKind::StoryFile,
                   .detail = std::string(name) + ":" + std::to_string(lineNumber) + ": " + key +
                             " is not a number from " + (key == "size" ? "1" : "0") + " to " +
                             std::to_string(kLargestSize),
                   .fileLine = lineNumber};
        return std::nullopt;
      }
      if (key == "size") settings.size = number;
      if (key == "linespacing") settings.lineSpacing = number;
      if (key == "fuzzy") settings.fuzzy = *number != 0;
    }
  }
  return settings;
}
