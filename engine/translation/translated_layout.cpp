#include "engine/translation/translated_layout.h"

#include <algorithm>

#include "base/wrapping_math.h"

int32_t translatedRowRight(const TextWindowLayout& layout, const GameConfig& settings) {
  const int64_t right =
      int64_t{layout.textLeft} + int64_t{std::max(layout.charsPerLine, 0)} * layout.charPitch;
  return static_cast<int32_t>(std::clamp<int64_t>(right, INT32_MIN, settings.screenWidth));
}

std::vector<TranslatedRow> layOutTranslatedText(std::u32string_view text, int32_t left,
                                                int32_t right,
                                                const std::function<int32_t(char32_t)>& advanceOf) {
  std::vector<TranslatedRow> rows(1);
  int64_t x = left;
  auto newRow = [&] {
    rows.back().end = static_cast<int32_t>(x);
    rows.emplace_back();
    x = left;
  };
  auto place = [&](char32_t point) {
    rows.back().characters.push_back({point, static_cast<int32_t>(x)});
    x += advanceOf(point);
  };
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == U'\n') {
      newRow();
      ++at;
      continue;
    }
    // A word, with the spaces before it.
    size_t wordStart = at;
    while (wordStart < text.size() && text[wordStart] == U' ') ++wordStart;
    size_t wordEnd = wordStart;
    while (wordEnd < text.size() && text[wordEnd] != U' ' && text[wordEnd] != U'\n') ++wordEnd;
    int64_t spaces = 0, word = 0;
    for (size_t i = at; i < wordStart; ++i) spaces += advanceOf(text[i]);
    for (size_t i = wordStart; i < wordEnd; ++i) word += advanceOf(text[i]);
    const bool rowHasText = !rows.back().characters.empty();
    if (rowHasText && wordEnd > wordStart && x + spaces + word > right) {
      newRow();
    } else {
      for (size_t i = at; i < wordStart; ++i) place(text[i]);
    }
    for (size_t i = wordStart; i < wordEnd; ++i) {
      // Only a word wider than a whole row is cut, where it must be.
      if (!rows.back().characters.empty() && x + advanceOf(text[i]) > right) newRow();
      place(text[i]);
    }
    at = wordEnd;
  }
  rows.back().end = static_cast<int32_t>(x);
  return rows;
}
