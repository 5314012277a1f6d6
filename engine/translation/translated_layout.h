#pragma once
// Where the characters of a translated line stand: proportional advances, word wrap at the text
// window's right edge, as many rows as the line needs. Pure, so the typing and `nev check` share
// it.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "engine/config.h"
#include "engine/text/text_window_layout.h"

struct PlacedCharacter {
  char32_t point = 0;
  int32_t x = 0;
};

struct TranslatedRow {
  std::vector<PlacedCharacter> characters;
  int32_t end = 0;  // the x after its last character: where the marker goes
};

// The right edge rows wrap at: textLeft + charsPerLine × charPitch, but never past the picture.
int32_t translatedRowRight(const TextWindowLayout& layout, const GameConfig& settings);

// The rows of `text` from `left`, breaking at spaces before `right` (a word wider than a whole
// row breaks where it must; a line feed always breaks). The spaces a row breaks at are not
// placed. Never empty: an empty text is one empty row.
std::vector<TranslatedRow> layOutTranslatedText(std::u32string_view text, int32_t left,
                                                int32_t right,
                                                const std::function<int32_t(char32_t)>& advanceOf);
