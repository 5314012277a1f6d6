// The translated line's layout: word wrap at the right edge, long words cut, line feeds kept.

#include <gtest/gtest.h>

#include <string>

#include "base/font.h"
#include "engine/translation/translated_layout.h"

namespace {

// Each row as its characters, "|" between rows; every character 10 pixels wide.
std::string rowsOf(const std::u32string& text, int32_t right) {
  const std::vector<TranslatedRow> rows =
      layOutTranslatedText(text, 0, right, [](char32_t) { return 10; });
  std::string shown;
  for (const TranslatedRow& row : rows) {
    if (!shown.empty()) shown += "|";
    int32_t x = 0;
    for (const PlacedCharacter& character : row.characters) {
      EXPECT_EQ(character.x, x) << shown;
      x += 10;
      shown += utf8Of(character.point);
    }
    EXPECT_EQ(row.end, x) << shown;
    EXPECT_LE(row.end, std::max(right, 10)) << shown;
  }
  return shown;
}

TEST(TranslatedLayout, BreaksAtSpacesAndCutsOnlyWordsWiderThanARow) {
  const struct {
    std::u32string text;
    int32_t right;
    std::string rows;
  } cases[] = {
      {U"one two three", 130, "one two three"},
      {U"one two three", 70, "one two|three"},
      {U"one two three", 60, "one|two|three"},
      {U"abcdefghij xy", 40, "abcd|efgh|ij|xy"},
      {U"a\nb", 100, "a|b"},
      {U"", 100, ""},
      {U"日本語 text", 60, "日本語|text"},
  };
  for (const auto& c : cases) EXPECT_EQ(rowsOf(c.text, c.right), c.rows) << c.rows;
}

}  // namespace
