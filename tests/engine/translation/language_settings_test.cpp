// language.ini: the values a translation sets, and the numbers it refuses with their line.

#include <gtest/gtest.h>

#include "engine/translation/language_settings.h"

namespace {

TEST(LanguageSettings, ReadsItsSectionAndRefusesBadNumbersByLine) {
  Problem problem;
  const std::optional<LanguageSettings> read = readLanguageSettings(
      "\xEF\xBB\xBF; made by hand\r\n[other]\r\nname=Not this\r\n[Language]\r\n name = English \r\n"
      "font=Serif.ttf\r\nSIZE=14\r\nlineSpacing=0\r\nfuzzy=1\r\n",
      "language.ini", problem);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->name, "English");
  EXPECT_EQ(read->fontFile, "Serif.ttf");
  EXPECT_EQ(read->size, 14);
  EXPECT_EQ(read->lineSpacing, 0);
  EXPECT_TRUE(read->fuzzy);
  EXPECT_FALSE(readLanguageSettings("", "language.ini", problem)->size);

  for (const char* bad : {"[language]\nsize=0\n", "[language]\nsize=12px\n",
                          "[language]\nlineSpacing=-3\n"}) {
    Problem refused;
    EXPECT_FALSE(readLanguageSettings(bad, "language.ini", refused)) << bad;
    EXPECT_EQ(refused.fileLine, 2) << bad;
  }
}

}  // namespace
