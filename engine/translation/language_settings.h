#pragma once
// A translation's own settings, from lang/CODE/language.ini: the language's name as readers see
// it, the font its text is typed in and how its rows are spaced. Every value may be left out.
//
//   [language]
//   name=English
//   font=MyFont.ttf      a font file beside it; IPA P Mincho when left out
//   size=16              pixel height; the story's font size when left out
//   lineSpacing=20       pixels from row to row; the text window's line pitch when left out
//   fuzzy=1              fuzzy entries are shown too

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/problem.h"

// The face IPA P Mincho goes by: proportional, drawn as the message font's Mincho is.
inline constexpr const char* kTranslatedFaceName = "IPAPMincho";

struct LanguageSettings {
  std::string name;
  std::string fontFile;  // as written, relative to the translation's folder
  int fontLine = 0;      // where it was written, for checks
  std::optional<int32_t> size;
  std::optional<int32_t> lineSpacing;
  bool fuzzy = false;
};

// The settings in `text` (UTF-8, CR LF or LF); `name` is where they came from, for the problem.
// Keys outside [language] and unknown keys are left alone; a number that is no number, or out of
// range, is a problem with its line.
std::optional<LanguageSettings> readLanguageSettings(std::string_view text, std::string_view name,
                                                     Problem& problem);
