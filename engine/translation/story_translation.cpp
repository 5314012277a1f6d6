#include "engine/translation/story_translation.h"

#include <utility>

#include "base/codepage.h"
#include "base/po_file.h"
#include "base/story_files.h"
#include "engine/story_files.h"
#include "engine/translation/translation_keys.h"

namespace {

// PO files far larger than any story's text are refused rather than read.
constexpr uint64_t kLargestPoFile = uint64_t{64} << 20;

bool isLanguageCode(std::string_view code) {
  if (code.empty() || code.size() > 32) return false;
  for (const char c : code) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                         c == '_' || c == '-' || c == '@';
    if (!allowed) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<const StoryTranslation> StoryTranslation::load(const StoryFiles& files,
                                                               std::string_view code,
                                                               Problem& problem) {
  if (!isLanguageCode(code)) {
    problem = {.kind = ProblemKind::StoryFile,
               .detail = "\"" + validUtf8Escaped(code) +
                         "\" is no language code (letters, digits, \"_\", \"-\", \"@\")"};
    return nullptr;
  }
  auto translation = std::unique_ptr<StoryTranslation>(new StoryTranslation);
  translation->code_ = code;
  const std::string poName = translation->folder() + "/story.po";
  const std::optional<std::string> poText = files.read(poName, kLargestPoFile);
  if (!poText) {
    problem = {.kind = ProblemKind::StoryFile,
               .detail = files.problem(poName, "cannot be read") + " (no translation \"" +
                         std::string(code) + "\")",
               .advice = "make one with: nev translate init STORY " + std::string(code)};
    return nullptr;
  }
  const std::optional<PoFile> po = readPoFile(*poText, files.location(poName), problem);
  if (!po) return nullptr;
  const std::string iniName = translation->folder() + "/language.ini";
  if (const std::optional<std::string> ini = files.read(iniName, kLargestPoFile)) {
    std::optional<LanguageSettings> settings =
        readLanguageSettings(*ini, files.location(iniName), problem);
    if (!settings) return nullptr;
    translation->settings_ = std::move(*settings);
  }

  std::map<std::pair<std::string, std::string>, const PoEntry*> entries;
  for (const PoEntry& entry : po->entries) {
    if (entry.obsolete || entry.isHeader() || entry.translation().empty()) continue;
    if (entry.isFuzzy() && !translation->settings_.fuzzy) continue;
    entries[{entry.context.value_or(""), entry.id}] = &entry;
  }
  const std::optional<std::vector<TranslationKey>> keys = storyTranslationKeys(files, problem);
  if (!keys) return nullptr;
  for (const TranslationKey& key : *keys) {
    auto found = entries.find({key.context, key.text});
    if (found == entries.end()) continue;
    const std::string& text = found->second->translation();
    if (key.file == "nev.ini") {
      translation->settingTexts_[key.note] = text;
    } else {
      translation->lines_[key.file][key.line] = text;
    }
    translation->byOriginal_.emplace(key.text, text);
  }
  return translation;
}

const std::string* StoryTranslation::line(const StoryFiles& files, std::string_view script,
                                          int32_t line) const {
  if (lines_.empty()) return nullptr;
  const std::optional<std::string> name = scriptKeyName(files, script);
  if (!name) return nullptr;
  const auto inScript = lines_.find(*name);
  if (inScript == lines_.end()) return nullptr;
  const auto found = inScript->second.find(line);
  return found == inScript->second.end() ? nullptr : &found->second;
}

const std::string* StoryTranslation::ofOriginal(std::string_view original) const {
  const auto found = byOriginal_.find(original);
  return found == byOriginal_.end() ? nullptr : &found->second;
}

const std::string* StoryTranslation::setting(std::string_view what) const {
  const auto found = settingTexts_.find(what);
  return found == settingTexts_.end() ? nullptr : &found->second;
}

std::string shownSettingText(const StoryTranslation* translation, std::string_view what,
                             const char* original) {
  const std::string* translated = translation != nullptr ? translation->setting(what) : nullptr;
  return translated != nullptr ? *translated : cp932ToUtf8(original);
}
