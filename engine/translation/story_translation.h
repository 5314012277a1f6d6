#pragma once
// StoryTranslation: one translation of a story (lang/CODE/story.po and its language.ini), loaded
// once and read-only afterwards. Each entry is tied to the script lines its key names as the
// scripts read now, not to the PO's references, which go stale as scripts change.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/problem.h"
#include "engine/translation/language_settings.h"

class StoryFiles;

class StoryTranslation {
 public:
  // The translation in lang/`code`/ of the story in `files`; null, with `problem` (no box), when
  // the code names no translation or its files are bad.
  static std::unique_ptr<const StoryTranslation> load(const StoryFiles& files,
                                                      std::string_view code, Problem& problem);

  const std::string& code() const { return code_; }
  // "lang/CODE": where its files are, as the story names them.
  std::string folder() const { return "lang/" + code_; }
  const LanguageSettings& settings() const { return settings_; }

  // The translated text (UTF-8) of line `line` (1-based) of the script the story names `script`;
  // null when that line is untranslated (or fuzzy, unless the settings show fuzzy entries).
  const std::string* line(const StoryFiles& files, std::string_view script, int32_t line) const;
  // The translation of an original line (UTF-8) wherever it stands: for lines kept without their
  // place, such as a restored page's.
  const std::string* ofOriginal(std::string_view original) const;
  // nev.ini's texts by what they are: "window title", "about text 1", "about text 2".
  const std::string* setting(std::string_view what) const;

 private:
  std::string code_;
  LanguageSettings settings_;
  std::map<std::string, std::map<int32_t, std::string>, std::less<>> lines_;  // by script
  std::map<std::string, std::string, std::less<>> byOriginal_;
  std::map<std::string, std::string, std::less<>> settingTexts_;
};

// nev.ini's text `what` as the reader sees it: the translation's where it has one, else
// `original` (code page 932) decoded.
std::string shownSettingText(const StoryTranslation* translation, std::string_view what,
                             const char* original);
