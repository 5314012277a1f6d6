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
#include "base/codepage.h"
#include "base/po_file.h"
#include "engine/config.h"
#include "engine/local_story_folder.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"
#include "engine/translation/language_settings.h"
#include "engine/translation/translated_layout.h"
#include "engine/translation/translated_typing.h"
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

// The font translated text is drawn in: the file language.ini names (its bytes kept in
// `ownFont`), else the default face.
std::unique_ptr<FontCoverage> translationFont(const LocalStoryFolder& story,
                                              const std::string& folder,
                                              const std::string& settingsName,
                                              const LanguageSettings& settings,
                                              const FaceSource& faces, Findings& findings,
                                              std::shared_ptr<const std::string>& ownFont) {
  if (settings.fontFile.empty()) {
    const std::optional<FontFile> file = faces ? faces(kTranslatedFaceName) : std::nullopt;
    std::unique_ptr<FontCoverage> coverage = file ? FontCoverage::open(*file) : nullptr;
    if (!coverage) {
      findings.report(settingsName, 0, FindingSeverity::Warning,
                      std::string("the font ") + kTranslatedFaceName +
                          " is not installed; no glyphs were checked");
    }
    return coverage;
  }
  const std::string name = folder + "/" + settings.fontFile;
  std::optional<std::string> bytes = story.read(name, kLargestFontFile);
  std::unique_ptr<FontCoverage> coverage;
  if (bytes) {
    ownFont = std::make_shared<const std::string>(std::move(*bytes));
    coverage = FontCoverage::open({ownFont, 0});
  }
  if (!coverage) {
    findings.report(settingsName, settings.fontLine, FindingSeverity::Error,
                    "font " + settings.fontFile +
                        (bytes ? " is no font nev can read" : " is not in " + folder));
  }
  if (!coverage) ownFont = nullptr;
  return coverage;
}

std::string keyPlace(const TranslationKey& key) {
  return key.file + ":" + std::to_string(key.line);
}

// A key's entry in the PO file, and the one it is shown from (null: its original is).
struct KeyEntry {
  const PoEntry* shown = nullptr;
  int line = 0;
};

std::vector<KeyEntry> checkEntries(const PoFile& po, const std::vector<TranslationKey>& keys,
                                         const std::string& poName, const FontCoverage* font,
                                         bool showFuzzy, Findings& findings) {
  std::vector<KeyEntry> shown(keys.size());
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
    shown[found->second].line = entry.line;
    const std::string& translation = entry.translation();
    if (translation.empty()) {
      untranslated.push_back({poName, entry.line, FindingSeverity::Warning,
                              "untranslated (" + keyPlace(key) + "): " + key.text});
      continue;
    }
    if (showFuzzy || !entry.isFuzzy()) shown[found->second].shown = &entry;
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
  return shown;
}

std::string pixels(int64_t count) {
  return std::to_string(count) + (count == 1 ? " pixel" : " pixels");
}

// Each script's pages typed as the reader sees them (translated lines proportional and wrapped,
// the others in their cells), from the text window's top: the lines that run past its right
// edge or push the page past the picture, and choice items that wrap.
void checkPages(const std::vector<TranslationKey>& keys, const std::vector<KeyEntry>& shown,
                const LanguageSettings& settings, const GameConfig& config, Font& font,
                const std::string& poName, Findings& findings) {
  const TextWindowLayout layout = layoutFromSettings(config);
  const int32_t right = translatedRowRight(layout, config);
  const int32_t spacing = settings.lineSpacing.value_or(layout.linePitch);
  const int32_t size = settings.size.value_or(config.fontSize);
  const auto advanceOf = [&font](char32_t point) { return glyphOfCharacter(font, point).advance; };
  int64_t cursorY = 0, choiceY = 0;
  bool pushedPast = false;
  for (size_t i = 0; i < keys.size(); ++i) {
    const TranslationKey& key = keys[i];
    if (key.file == "nev.ini") continue;
    if (i == 0 || key.file != keys[i - 1].file || key.page != keys[i - 1].page) {
      cursorY = layout.textTop;
      pushedPast = false;
    }
    if (key.choiceItem && (i == 0 || !keys[i - 1].choiceItem)) choiceY = cursorY;
    int64_t& y = key.choiceItem ? choiceY : cursorY;
    const PoEntry* entry = shown[i].shown;
    const int line = shown[i].line;
    const std::string place = keyPlace(key);
    int64_t rows = 1;
    int64_t rowSpacing = layout.linePitch;
    int64_t height = layout.fontSize;
    if (entry != nullptr) {
      const std::vector<TranslatedRow> laid = layOutTranslatedText(
          codePointsOf(entry->translation()), layout.textLeft, right, advanceOf);
      rows = int64_t(laid.size());
      rowSpacing = spacing;
      height = size;
      int32_t widest = INT32_MIN;
      for (const TranslatedRow& row : laid) widest = std::max(widest, row.end);
      if (widest > right) {
        findings.report(poName, line, FindingSeverity::Warning,
                        "runs " + pixels(int64_t{widest} - right) +
                            " past the message window's right edge (" + place + ")");
      }
      if (key.choiceItem && rows > 1) {
        findings.report(poName, line, FindingSeverity::Warning,
                        "choice item wraps onto " + std::to_string(rows) + " rows (" + place + ")");
      }
    } else {
      const std::string original = utf8ToCp932(key.text);
      int32_t x = layout.textLeft, rowY = 0;
      walkUnits(layout, original.c_str(), x, rowY, [](const char*) { return true; });
      rows += layout.linePitch > 0 ? rowY / layout.linePitch : 0;
    }
    const int64_t bottom = y + (rows - 1) * rowSpacing + height;
    if (bottom > config.screenHeight && !pushedPast) {
      pushedPast = true;
      findings.report(poName, line, FindingSeverity::Warning,
                      "pushes the page " + pixels(bottom - config.screenHeight) +
                          " past the picture's bottom edge (" + place + ")");
    }
    y += rows * rowSpacing;
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
    if (!text) {
      findings.report(settingsName, 0, FindingSeverity::Error, "cannot be read");
    } else if (std::optional<LanguageSettings> read =
                   readLanguageSettings(*text, settingsName, problem)) {
      settings = std::move(*read);
    } else {
      const size_t at = problem.detail.find(": ");
      findings.report(settingsName, problem.fileLine, FindingSeverity::Error,
                      at == std::string::npos ? problem.detail : problem.detail.substr(at + 2));
    }
  }
  std::shared_ptr<const std::string> ownFont;
  const std::unique_ptr<FontCoverage> font =
      translationFont(*story, folder, settingsName, settings, faces, findings, ownFont);

  if (po) {
    GameConfig config;
    if (const std::optional<std::vector<TranslationKey>> keys =
            storyTranslationKeys(*story, problem)) {
      const std::vector<KeyEntry> shown =
          checkEntries(*po, *keys, poName, font.get(), settings.fuzzy, findings);
      if (font && !readConfig(*story, config)) {
        FreeTypeGlyphRasterizer glyphs(faces);
        const std::string face = ownFont ? "translation font" : kTranslatedFaceName;
        if (ownFont) glyphs.addFaceFile(face, ownFont);
        if (const std::unique_ptr<Font> typed = createFont(
                glyphs, translatedFontAttributes(settings.size.value_or(config.fontSize), face))) {
          checkPages(*keys, shown, settings, config, *typed, poName, findings);
        }
      }
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
