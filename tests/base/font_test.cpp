#include "base/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/surface.h"

namespace {

// Hands out one mask for any text and remembers what it was asked to draw.
struct FakeRasterizer : GlyphRasterizer {
  GlyphMask mask{0, 1, 2, 2, {255, 0, 0, 255}};
  std::vector<std::string> requests;
  GlyphMask rasterize(const FontSpec&, const std::string& text) override {
    requests.push_back(text);
    return mask;
  }
  bool canMake(const FontSpec& wanted) override { return wanted.height != 0; }
};

FontSpec ofHeight(int32_t height) {
  FontSpec wanted;
  wanted.height = height;
  return wanted;
}

TEST(Font, RasterisesEachUnitOnce) {
  // What the rasterizer is asked for; nothing: an empty mask.
  const std::vector<std::tuple<uint8_t, uint8_t, std::vector<std::string>>> cases = {
      {0x82, 0xA0, {"あ"}},   {0x87, 0x40, {"①"}}, {0xFA, 0x40, {"ⅰ"}},  {'a', 'b', {"ab"}},
      {'a', 0, {"a"}},        {0xB1, 0xB2, {"ｱｲ"}}, {'A', 0xB1, {"Aｱ"}}, {0x82, 'A', {"A"}},
      {0x82, 0, {}},          {0xFF, 0xFF, {}},     {0x80, 0, {}},        {0, 'a', {}}};
  FakeRasterizer cannot;
  EXPECT_EQ(createFont(cannot, ofHeight(0)), nullptr);
  for (const auto& [first, second, drawn] : cases) {
    FakeRasterizer rasterizer;
    std::unique_ptr<Font> font = createFont(rasterizer, ofHeight(-4));
    const GlyphMask& mask = glyphOfUnit(*font, first, second);
    EXPECT_EQ(&glyphOfUnit(*font, first, second), &mask);  // kept, not rasterised again
    EXPECT_EQ(rasterizer.requests, drawn) << std::hex << int(first) << " " << int(second);
    EXPECT_EQ(mask.width * mask.height, drawn.empty() ? 0 : 4) << int(first) << " " << int(second);
  }
}

TEST(TextOut, DrawsTheGlyphInItsCell) {
  struct Case {
    int32_t x, y;
    bool opaque;
    std::string bytes;
    std::string picture;  // '#' ink, 'o' background, '+' a fifth of the ink, '.' untouched
    GlyphMask mask = {0, 1, 2, 2, {255, 0, 0, 255}};  // in a cell 4 pixels high
  };
  const std::vector<uint8_t> full(9, 255);
  // Red ink, blue background, a fifth of the ink on the paper, the paper.
  const std::vector<Pixel> known = {0xFF0000, 0x0000FF, 0x401A26, 0x102030};
  const std::vector<Case> cases = {
      {1, 0, false, "ab", "......" ".#...." "..#..." "......"},
      {-1, -2, false, "ab", "#....." "......" "......" "......"},
      {5, 2, false, "ab", "......" "......" "......" ".....#"},
      {6, 0, false, "ab", "......" "......" "......" "......"},
      {0, 0, false, "abc", "......" "#...#." ".#...#" "......"},  // units side by side
      {1, 0, true, "ab", ".oooo." ".#ooo." ".o#oo." ".oooo."},    // a full-width cell
      {1, 0, true, "a", ".oo..." ".#o..." ".o#..." ".oo..."},     // a half-width cell
      {-3, -1, true, "ab", "o....." "o....." "o....." "......"},
      // Ink reaching outside the cell takes the background with it.
      {2, 1, true, "a", ".#o#.." ".ooo.." ".ooo.." ".ooo..", {-1, -1, 3, 1, {255, 0, 255}}},
      {0, 0, true, "ab", "ooooo." "ooooo." "oo###." "oo###.", {2, 2, 3, 3, full}},
      {0, 0, false, "ab", "+....." "......" "......" "......", {0, 0, 1, 1, {51}}}};
  for (const Case& c : cases) {
    FakeRasterizer rasterizer;
    rasterizer.mask = c.mask;
    std::unique_ptr<Font> font = createFont(rasterizer, ofHeight(-4));
    Bitmap bitmap{6, 4, false, std::vector<Pixel>(24, 0x102030)};
    DrawingContext context{.bitmap = &bitmap, .font = font.get(), .textColour = 0x020000FF,
                           .backgroundColour = 0xFF0000,
                           .backgroundMode = BackgroundMode(1 + c.opaque)};
    textOut(context, c.x, c.y, c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    std::string picture;
    for (const Pixel p : bitmap.pixels) {
      picture += "#o+.?"[std::find(known.begin(), known.end(), p) - known.begin()];
    }
    EXPECT_EQ(picture, c.picture) << c.bytes << " at " << c.x << "," << c.y;
  }
}

}  // namespace
