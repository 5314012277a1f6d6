#include "authoring/check_translation.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/bitmap_file.h"
#include "base/file_bytes.h"
#include "base/font_coverage.h"
#include "base/po_file.h"
#include "engine/local_story_folder.h"
#include "engine/translation/translation_keys.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kLargestTranslation = uint64_t{64} << 20;
constexpr uint64_t kLargestFontFile = uint64_t{64} << 20;
constexpr uint64_t kLargestSettings = uint64_t{1} << 20;

struct Findings {
  std::vector<std::string> files;  // in the order first met
  std::vector<CheckFinding> all;

  void report(const std::string& file, int line, FindingSeverity severity, std::string message) {
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
    all.push_back({file, line, severity, std::move(message)});
  }
};

// lang/CODE/language.ini: a [language] section of name=value lines.
struct LanguageSettings {
  std::string fontFile;
  int fontLine = 0;
};

bool isNumber(std::string_view text) {
  return !text.empty() && text.size() <= 4 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\x1A");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\x1A") - first + 1);
}

LanguageSettings readLanguageSettings(std::string_view text, const std::string& name,
                                      Findings& findings) {
  LanguageSettings settings;
  bool inLanguage = false;
  int lineNumber = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trimmed(text.substr(at, end - at));
    at = end + 1;
    ++lineNumber;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      inLanguage = line == "[language]";
      continue;
    }
    if (!inLanguage) continue;
    const size_t equals = line.find('=');
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : trimmed(line.substr(equals + 1));
    if (key == "name") continue;
    if (key == "font") {
      settings.fontFile = value;
      settings.fontLine = lineNumber;
    } else if (key == "size" || key == "lineSpacing") {
      if (!isNumber(value) || value == "0") {
        findings.report(name, lineNumber, FindingSeverity::Warning,
                        std::string(key) + " is not a number of pixels; the story's own is used");
      }
    } else if (key == "fuzzy") {
      if (value != "0" && value != "1") {
        findings.report(name, lineNumber, FindingSeverity::Warning, "fuzzy is 0 or 1");
      }
    } else {
      findings.report(name, lineNumber, FindingSeverity::Warning,
                      "unknown setting \"" + std::string(key) +
                          "\" (name, font, size, lineSpacing, fuzzy)");
    }
  }
  return settings;
}

// The font translated text is drawn in: the file language.ini names, else the default face.
std::unique_ptr<FontCoverage> translationFont(const LocalStoryFolder& story,
                                              const std::string& folder,
                                              const std::string& settingsName,
                                              const LanguageSettings& settings,
                                              const FaceSource& faces, Findings& findings) {
  if (settings.fontFile.empty()) {
    const std::optional<FontFile> file = faces ? faces(kTranslationFace) : std::nullopt;
    std::unique_ptr<FontCoverage> coverage = file ? FontCoverage::open(*file) : nullptr;
    if (!coverage) {
      findings.report(settingsName, 0, FindingSeverity::Warning,
                      std::string("the font ") + kTranslationFace +
                          " is not installed; no glyphs were checked");
    }
    return coverage;
  }
  const std::string name = folder + "/" + settings.fontFile;
  std::optional<std::string> bytes = story.read(name, kLargestFontFile);
  std::unique_ptr<FontCoverage> coverage;
  if (bytes) {
    coverage = FontCoverage::open({std::make_shared<const std::string>(std::move(*bytes)), 0});
  }
  if (!coverage) {
    findings.report(settingsName, settings.fontLine, FindingSeverity::Error,
                    "font " + settings.fontFile +
                        (bytes ? " is no font nev can read" : " is not in " + folder));
  }
  return coverage;
}

std::string keyPlace(const TranslationKey& key) {
  return key.file + ":" + std::to_string(key.line);
}

void checkEntries(const PoFile& po, const std::vector<TranslationKey>& keys,
                  const std::string& poName, const FontCoverage* font, Findings& findings) {
  std::map<std::pair<std::string_view, std::string_view>, size_t> keyIndex;
  for (size_t i = 0; i < keys.size(); ++i) keyIndex[{keys[i].context, keys[i].text}] = i;
  std::vector<bool> inFile(keys.size(), false);
  std::vector<CheckFinding> untranslated;
  std::vector<CheckFinding> fuzzy;
  std::vector<CheckFinding> other;
  int obsolete = 0;
  for (const PoEntry& entry : po.entries) {
    if (entry.isHeader()) continue;
    if (entry.obsolete) {
      ++obsolete;
      continue;
    }
    const auto found = keyIndex.find({entry.context.value_or(""), entry.id});
    if (found == keyIndex.end()) {
      other.push_back({poName, entry.line, FindingSeverity::Warning,
                       "no line of " + std::string(contextScript(entry.context.value_or(""))) +
                           " reads \"" + entry.id +
                           "\" any more; nev translate update keeps it as obsolete"});
      continue;
    }
    const TranslationKey& key = keys[found->second];
    inFile[found->second] = true;
    const std::string& translation = entry.translation();
    if (translation.empty()) {
      untranslated.push_back({poName, entry.line, FindingSeverity::Warning,
                              "untranslated (" + keyPlace(key) + "): " + key.text});
      continue;
    }
    if (entry.isFuzzy()) {
      fuzzy.push_back({poName, entry.line, FindingSeverity::Warning,
                       "fuzzy (" + keyPlace(key) + "): its line changed; check the translation "
                       "and remove the fuzzy flag"});
    }
    const std::string missing = font ? font->missingCharacters(translation) : std::string();
    if (!missing.empty()) {
      other.push_back({poName, entry.line, FindingSeverity::Warning,
                       "the font cannot draw " + missing + " (" + keyPlace(key) + ")"});
    }
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    if (inFile[i]) continue;
    untranslated.push_back({poName, 0, FindingSeverity::Warning,
                            "not in the file yet (" + keyPlace(keys[i]) +
                                "): nev translate update adds it"});
  }
  if (!untranslated.empty() || !fuzzy.empty() || obsolete > 0) {
    const size_t done = keys.size() - untranslated.size() - fuzzy.size();
    findings.report(poName, 0, FindingSeverity::Warning,
                    std::to_string(keys.size()) + " lines: " + std::to_string(done) +
                        " translated, " + std::to_string(fuzzy.size()) + " fuzzy, " +
                        std::to_string(untranslated.size()) + " untranslated; " +
                        std::to_string(obsolete) + " obsolete entries");
  }
  for (auto* list : {&untranslated, &fuzzy, &other}) {
    for (CheckFinding& finding : *list) {
      findings.report(finding.file, finding.line, finding.severity, std::move(finding.message));
    }
  }
}

bool endsWithBmp(std::string_view name) {
  if (name.size() < 4) return false;
  std::string tail(name.substr(name.size() - 4));
  std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) { return char(c | 0x20); });
  return tail == ".bmp";
}

// Files of lang/CODE/ stand in for the story's files of the same name.
void checkReplacements(const LocalStoryFolder& story, const std::string& folder,
                       const std::string& fontFile, Findings& findings) {
  const std::optional<std::string> path = story.resolve(folder);
  if (!path) return;
  std::error_code error;
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(*path, error)) {
    if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  const auto same = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return (x | 0x20) == (y | 0x20); });
  };
  for (const std::string& name : names) {
    if (same(name, "story.po") || same(name, "language.ini") || same(name, fontFile)) continue;
    const std::string replacement = folder + "/" + name;
    const std::optional<std::string> original = story.resolve(name);
    if (!original) {
      findings.report(replacement, 0, FindingSeverity::Warning,
                      "replaces no file of the story; its name is not one the story has");
      continue;
    }
    if (!endsWithBmp(name)) continue;
    const std::optional<std::string> bytes = story.read(replacement, kLargestBitmapFile);
    const std::unique_ptr<Bitmap> picture = bytes ? decodeBitmapFile(*bytes) : nullptr;
    if (!picture) {
      findings.report(replacement, 0, FindingSeverity::Error, "is no picture nev can read");
      continue;
    }
    const std::unique_ptr<Bitmap> own = loadBitmapFile(*original);
    if (own && (own->width != picture->width || own->height != picture->height)) {
      findings.report(replacement, 0, FindingSeverity::Warning,
                      "is " + std::to_string(picture->width) + "x" +
                          std::to_string(picture->height) + "; the story's " +
                          fs::path(*original).filename().string() + " is " +
                          std::to_string(own->width) + "x" + std::to_string(own->height));
    }
  }
}

}  // namespace

std::vector<CheckFinding> checkTranslation(const std::string& storyDir, const std::string& language,
                                           const FaceSource& faces) {
  Findings findings;
  Problem problem;
  const std::shared_ptr<const LocalStoryFolder> story = openStoryFolder(storyDir, problem);
  const std::string folder = "lang/" + language;
  const std::string poName = folder + "/story.po";
  const std::string settingsName = folder + "/language.ini";
  findings.files.push_back(poName);
  if (!story) {
    findings.report(storyDir, 0, FindingSeverity::Error, problem.detail);
    return findings.all;
  }
  std::optional<PoFile> po;
  if (!story->resolve(poName)) {
    findings.report(poName, 0, FindingSeverity::Error,
                    "no such translation; nev translate init makes one");
  } else if (const std::optional<std::string> text = story->read(poName, kLargestTranslation)) {
    po = readPoFile(*text, "", problem);
    if (!po) {
      const size_t at = problem.detail.find(": ", problem.detail.find("line "));
      findings.report(poName, problem.fileLine, FindingSeverity::Error,
                      at == std::string::npos ? problem.detail : problem.detail.substr(at + 2));
    }
  } else {
    findings.report(poName, 0, FindingSeverity::Error, "cannot be read");
  }

  LanguageSettings settings;
  if (story->resolve(settingsName)) {
    const std::optional<std::string> text = story->read(settingsName, kLargestSettings);
    if (text) {
      settings = readLanguageSettings(*text, settingsName, findings);
    } else {
      findings.report(settingsName, 0, FindingSeverity::Error, "cannot be read");
    }
  }
  const std::unique_ptr<FontCoverage> font =
      translationFont(*story, folder, settingsName, settings, faces, findings);

  if (po) {
    if (const std::optional<std::vector<TranslationKey>> keys =
            storyTranslationKeys(*story, problem)) {
      checkEntries(*po, *keys, poName, font.get(), findings);
    } else {
      findings.report("nev.ini", problem.fileLine, FindingSeverity::Error, problem.detail);
    }
  }
  checkReplacements(*story, folder, settings.fontFile, findings);

  std::vector<CheckFinding> all = std::move(findings.all);
  const auto rank = [&files = findings.files](const CheckFinding& finding) {
    return std::find(files.begin(), files.end(), finding.file) - files.begin();
  };
  std::stable_sort(all.begin(), all.end(), [&rank](const CheckFinding& a, const CheckFinding& b) {
    return std::tuple(rank(a), a.severity) < std::tuple(rank(b), b.severity);
  });
  return all;
}
