#include "base/font_subset.h"

#include <gtest/gtest.h>

#include "authoring/story_characters.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "base/file_bytes.h"
#include "base/freetype_glyph_rasterizer.h"
#include "engine/local_story_folder.h"
#include "test_files.h"

namespace {

uint32_t word(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | (at + i < bytes.size() ? uint8_t(bytes[at + i]) : 0);
  return value;
}

uint32_t checksum(const std::string& bytes, size_t from, size_t length) {
  uint32_t sum = 0;
  for (size_t at = 0; at < length; at += 4) {
    sum += length - at >= 4 ? word(bytes, from + at) : word(bytes.substr(from + at, length - at), 0);
  }
  return sum;
}

std::string utf8(char32_t point) {
  std::string text;
  if (point < 0x80) return std::string(1, char(point));
  if (point < 0x800) return {char(0xC0 | point >> 6), char(0x80 | (point & 0x3F))};
  return {char(0xE0 | point >> 12), char(0x80 | (point >> 6 & 0x3F)), char(0x80 | (point & 0x3F))};
}

FaceSource facesOf(std::string bytes) {
  auto shared = std::make_shared<const std::string>(std::move(bytes));
  return [shared](const std::string&) { return FontFile{shared, 0}; };
}

TEST(FontSubset, KeepsEveryGlyphTheDemoDrawsAsTheWholeFontDrawsIt) {
  const std::optional<FontFile> full = fontconfigFaces()("ＭＳ 明朝");
  ASSERT_TRUE(full && full->faceIndex == 0) << "IPA Mincho is missing";
  const LocalStoryFolder demo(NEV_SOURCE_DIR "/demo");
  const std::set<char32_t> wanted = charactersStoryDraws(demo, {"start.txt", "ROUTE.TXT"});
  ASSERT_TRUE(wanted.count(U'▼') && wanted.count(U'雨') && wanted.count(U'~'));
  Problem problem;
  const std::optional<std::string> cut = subsetFont(*full->bytes, wanted, problem);
  ASSERT_TRUE(cut) << problem.detail;
  EXPECT_LT(cut->size(), full->bytes->size() / 8);
  // Every table's checksum, and the whole file's through head's adjustment.
  for (size_t table = 0; table < size_t(uint8_t((*cut)[4]) << 8 | uint8_t((*cut)[5])); ++table) {
    const size_t entry = 12 + 16 * table;
    const bool head = cut->compare(entry, 4, "head") == 0;
    const uint32_t sum = checksum(*cut, word(*cut, entry + 8), word(*cut, entry + 12)) -
                         (head ? word(*cut, word(*cut, entry + 8) + 8) : 0);
    EXPECT_EQ(sum, word(*cut, entry + 4)) << cut->substr(entry, 4);
  }
  EXPECT_EQ(checksum(*cut, 0, cut->size()), 0xB1B0AFBAu);

  FreeTypeGlyphRasterizer whole(facesOf(*full->bytes)), kept(facesOf(*cut));
  for (const int32_t size : {-20, -24, -28}) {
    FontSpec face{.height = size, .weight = 700, .faceName = "ＭＳ 明朝"};
    for (const char32_t point : wanted) {
      const GlyphMask a = whole.rasterize(face, utf8(point)), b = kept.rasterize(face, utf8(point));
      ASSERT_TRUE(std::tie(a.left, a.top, a.width, a.height, a.coverage) ==
                  std::tie(b.left, b.top, b.width, b.height, b.coverage))
          << utf8(point) << " at " << size;
    }
    EXPECT_FALSE(whole.rasterize(face, "鬱").coverage.empty());
    EXPECT_TRUE(kept.rasterize(face, "鬱").coverage.empty()) << "a glyph no script uses stays";
  }

  // A composite glyph keeps the glyphs it is built of.
  const std::string tiny = *readWholeFile(NEV_SOURCE_DIR "/fuzz/seeds/tiny.ttf");
  const std::optional<std::string> tinyCut = subsetFont(tiny, {U'B'}, problem);
  ASSERT_TRUE(tinyCut) << problem.detail;
  FreeTypeGlyphRasterizer tinyWhole(facesOf(tiny)), tinyKept(facesOf(*tinyCut));
  const FontSpec large{.height = -50, .faceName = "x"};
  EXPECT_FALSE(tinyWhole.rasterize(large, "B").coverage.empty());
  EXPECT_EQ(tinyKept.rasterize(large, "B").coverage, tinyWhole.rasterize(large, "B").coverage);
  EXPECT_TRUE(tinyKept.rasterize(large, "雨").coverage.empty());

  // Fonts nev cannot cut are refused with the reason.
  std::string noGlyf = *cut;
  for (size_t entry = 12; entry < 12 + 16 * 18; entry += 16) {
    if (noGlyf.compare(entry, 4, "glyf") == 0) noGlyf.replace(entry + 12, 4, std::string(4, '\0'));
  }
  const std::pair<std::string, std::string> refused[] = {
      {"", "too short"},
      {"OTTO" + std::string(20, '\0'), "no TrueType outlines"},
      {cut->substr(0, 64), "table directory is cut short"},
      {cut->substr(0, 1000), "a table lies past its end"},
      {noGlyf, "loca table points outside glyf"},
  };
  for (const auto& [font, why] : refused) {
    EXPECT_FALSE(subsetFont(font, wanted, problem));
    EXPECT_NE(problem.detail.find(why), std::string::npos) << problem.detail;
  }
}

TEST(StoryCharacters, ReadsPlainAndScrambledScriptsAtEveryOffset) {
  TempFolder story;
  story.write("a.TXT", "x" + sjis("雨") + "\r\n");
  std::string scrambled = sjis("駅");
  for (char& byte : scrambled) byte = char(byte + 1);
  story.write("b.stx", scrambled + "\n");
  story.write("c.bmp", sjis("傘"));
  const LocalStoryFolder files(story.path());
  const std::set<char32_t> found = charactersStoryDraws(files, {"a.txt", "B.STX", "c.bmp"});
  // 雨 stands at an odd offset: a walk in pairs from the line's start alone would miss it.
  for (const char32_t point : {U'x', U'雨', U'駅', U'▼', U'A'}) EXPECT_TRUE(found.count(point)) << utf8(point);
  EXPECT_FALSE(found.count(U'傘')) << "only scripts are read";
  EXPECT_FALSE(found.count(U'\r'));
}

}  // namespace
