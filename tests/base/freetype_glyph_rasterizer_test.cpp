#include "base/freetype_glyph_rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <thread>

#include "backends/fontconfig/fontconfig_faces.h"

namespace {

FontSpec mincho(int32_t height, int32_t weight = 400) {
  FontSpec wanted;
  wanted.height = height;
  wanted.weight = weight;
  wanted.faceName = "ＭＳ 明朝";
  return wanted;
}

int64_t inkOf(const GlyphMask& mask) {
  return std::count(mask.coverage.begin(), mask.coverage.end(), 255);
}

bool sameMask(const GlyphMask& a, const GlyphMask& b) {
  return std::tie(a.left, a.top, a.width, a.height, a.coverage) ==
         std::tie(b.left, b.top, b.width, b.height, b.coverage);
}

TEST(FreeTypeGlyphRasterizer, DrawsCrispGlyphsAtTheSizesAsked) {
  FreeTypeGlyphRasterizer glyphs(fontconfigFaces());
  ASSERT_TRUE(glyphs.canMake(mincho(-20))) << "IPA Mincho is missing";
  // Monochrome at every size and weight: only full ink or none.
  for (const FontSpec& wanted : {mincho(-12), mincho(-20, 700), mincho(-80), mincho(27, 700)}) {
    const GlyphMask mask = glyphs.rasterize(wanted, "雨");
    ASSERT_GT(inkOf(mask), 0) << wanted.height;
    EXPECT_EQ(inkOf(mask), static_cast<int64_t>(mask.coverage.size()) -
                               std::count(mask.coverage.begin(), mask.coverage.end(), 0));
  }
  // A positive height is the whole cell: IPA Mincho's em is 0.90739 of it (not 0.90744, as
  // whole-pixel measures would make it), so 27 is an em of 24.
  EXPECT_TRUE(sameMask(glyphs.rasterize(mincho(27), "雨"), glyphs.rasterize(mincho(-24), "雨")));
  EXPECT_FALSE(sameMask(glyphs.rasterize(mincho(20), "雨"), glyphs.rasterize(mincho(-20), "雨")));
  // The cell's top is at 0 and the baseline one ascent (18 at an em of 20) below it; hinted,
  // the capital's foot ends on the row above the one over the baseline, as it always has.
  const GlyphMask capital = glyphs.rasterize(mincho(-20), "H");
  EXPECT_EQ(capital.top + capital.height, 17);
  EXPECT_GE(capital.top, 0);
  // Two single-byte characters side by side, the second after the first's advance.
  const GlyphMask pair = glyphs.rasterize(mincho(-20), "HH");
  EXPECT_EQ(pair.width, capital.width + 10);
  // Bold thickens text up to 63 pixels; larger text keeps its strokes.
  for (const int32_t em : {20, 63}) {
    EXPECT_GT(inkOf(glyphs.rasterize(mincho(-em, 700), "雨")),
              inkOf(glyphs.rasterize(mincho(-em), "雨"))) << em;
  }
  EXPECT_EQ(inkOf(glyphs.rasterize(mincho(-64, 700), "雨")),
            inkOf(glyphs.rasterize(mincho(-64), "雨")));
}

TEST(FreeTypeGlyphRasterizer, RefusesWhatItCannotDraw) {
  FreeTypeGlyphRasterizer glyphs(fontconfigFaces());
  for (int32_t height : {0, 1001, -1001}) EXPECT_FALSE(glyphs.canMake(mincho(height))) << height;
  const auto notAFont = std::make_shared<const std::string>("Not a font at all.");
  for (const FaceSource& source :
       {FaceSource(), FaceSource([](const std::string&) { return std::optional<FontFile>(); }),
        FaceSource([&](const std::string&) {
          return std::optional<FontFile>({notAFont, 0});
        })}) {
    FreeTypeGlyphRasterizer none(source);
    EXPECT_FALSE(none.canMake(mincho(-20)));
    EXPECT_EQ(none.rasterize(mincho(-20), "雨").width, 0);
  }
}

// Sessions on two threads each draw with their own rasterizer from one face source.
TEST(FreeTypeGlyphRasterizer, RasterizersOfOneSourceDrawSideBySide) {
  const FaceSource faces = fontconfigFaces();
  FreeTypeGlyphRasterizer reference(faces);
  const std::string text = "雨の日";
  std::vector<GlyphMask> expected;
  for (int32_t height = -10; height > -40; --height) {
    expected.push_back(reference.rasterize(mincho(height, 700), text));
  }
  std::vector<int> mismatches(2, 0);
  std::vector<std::thread> threads;
  for (int& count : mismatches) {
    threads.emplace_back([&faces, &expected, &text, &count] {
      FreeTypeGlyphRasterizer own(faces);
      for (int32_t height = -10; height > -40; --height) {
        count += !sameMask(own.rasterize(mincho(height, 700), text), expected[-10 - height]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(2, 0));
}

}  // namespace
