#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/surface.h"

namespace {

constexpr Pixel kSentinel = 0x00ABCDEF;

Bitmap filled(int32_t width, int32_t height, Pixel value) {
  return Bitmap{width, height, false, std::vector<Pixel>(width * height, value)};
}

// A picture whose every pixel tells where it came from.
Bitmap numbered(int32_t w, int32_t h) {
  Bitmap bitmap = filled(w, h, 0);
  for (int32_t i = 0; i < w * h; ++i) bitmap.pixels[i] = 1 << 20 | i / w << 10 | i % w;
  return bitmap;
}

Pixel at(const Bitmap& bitmap, int64_t x, int64_t y) { return bitmap.pixels[y * bitmap.width + x]; }

// The definition, one bit at a time: result bit = bit (4P + 2S + D) of the table.
Pixel perBit(uint32_t table, Pixel p, Pixel s, Pixel d, int bits) {
  Pixel result = 0;
  for (int bit = 0; bit < bits; ++bit) {
    result |= (table >> ((p >> bit & 1) * 4 + (s >> bit & 1) * 2 + (d >> bit & 1)) & 1) << bit;
  }
  return result;
}

TEST(Raster, EveryTruthTable) {
  // Bytes 0xF0, 0xCC, 0xAA give every (P, S, D) combination; the others catch swapped channels.
  // Stray top bytes must not reach the result. A palette-relative brush acts as its colour; on
  // one plane a white brush is 1, any other colour 0.
  const Bitmap colour{5, 1, false, {0xCCCCCC, 0x3A91C4, 0x000000, 0xFFFFFF, 0xFFCCCCCC}};
  // The canvas has a last pixel the copy leaves alone.
  const Bitmap colourUnder{6, 1, false, {0xAAAAAA, 0x5E07F2, 0xFFFFFF, 0, 0x80AAAAAA, 0x123456}};
  const Bitmap plane{4, 1, true, {0, 0, 1, 1}}, planeUnder{5, 1, true, {0, 1, 0, 1, 1}};
  const std::vector<std::tuple<ColourValue, Pixel, bool>> brushes = {
      {0x02F0F0F0, 0xF0F0F0, false}, {0x025AF012, 0x12F05A, false}, {kWhite, 1, true},
      {kBlack, 0, true}, {makeColour(200, 200, 200), 0, true}};
  for (const auto& [brush, pattern, monochrome] : brushes) {
    Bitmap picture = monochrome ? plane : colour;
    for (uint32_t code = 0; code < 0x1000000; code += 0x10000) {  // the table is bits 16-23
      const Bitmap before = monochrome ? planeUnder : colourUnder;
      Bitmap canvas = before;
      const DrawingContext from{.bitmap = &picture};
      DrawingContext to{.bitmap = &canvas, .brush = brush};
      bitBlt(to, 0, 0, picture.width, 1, &from, 0, 0, code);
      for (int32_t i = 0; i < canvas.width; ++i) {
        const Pixel d = before.pixels[i], s = i < picture.width ? picture.pixels[i] : 0;
        EXPECT_EQ(canvas.pixels[i],
                  i < picture.width ? perBit(code >> 16, pattern, s, d, monochrome ? 1 : 24) : d)
            << std::hex << "code " << code << " brush " << brush << " pixel " << i;
      }
    }
  }
}

// Copies clip to both bitmaps, and within one bitmap read the source as it was before.
TEST(Raster, CopiesClipToBothBitmaps) {
  struct Case {
    int32_t x, y, width, height, sx, sy;
    bool self;  // from the canvas itself
  };
  const std::vector<Case> cases = {
      {-20, 3, 100, 30, 0, 0, false},  {600, 0, 100, 30, 0, 0, false},
      {10, 25, 100, 30, 0, 0, false},  {-30, -10, 100, 30, 0, 0, false},
      {5, 5, 50, 10, 40, 12, false},   {5, 5, 50, 20, -10, -4, false},
      {0, 0, 500, 60, 0, 0, false},    {0, 0, 0, 30, 0, 0, false},
      {0, 0, 100, -5, 0, 0, false},
      {INT32_MAX - 5, 0, INT32_MAX, 30, INT32_MIN, 0, false},
      {-5, -5, INT32_MAX, INT32_MAX, 0, 0, false},
      {13, 10, 20, 12, 10, 8, true},   {7, 6, 20, 12, 10, 8, true},
      {15, 8, 20, 12, 10, 8, true},    {10, 12, 20, 12, 10, 8, true}};
  for (const uint32_t code : {SRCCOPY, 0x00660046u /* S xor D */}) {
    for (const Case& c : cases) {
      Bitmap canvas = c.self ? numbered(640, 40) : filled(640, 40, kSentinel);
      Bitmap picture = numbered(100, 30);
      const Bitmap before = canvas, source = c.self ? canvas : picture;
      DrawingContext from{.bitmap = &picture}, to{.bitmap = &canvas};
      bitBlt(to, c.x, c.y, c.width, c.height, c.self ? &to : &from, c.sx, c.sy, code);
      for (int64_t i = 0; i < 640 * 40; ++i) {
        const int64_t tx = i % 640, ty = i / 640, px = tx - c.x + c.sx, py = ty - c.y + c.sy;
        const bool inside = tx >= c.x && tx < int64_t{c.x} + c.width && ty >= c.y &&
                            ty < int64_t{c.y} + c.height && px >= 0 && px < source.width &&
                            py >= 0 && py < source.height;
        const Pixel s = inside ? at(source, px, py) : 0, d = before.pixels[i];
        ASSERT_EQ(canvas.pixels[i], !inside ? d : code == SRCCOPY ? s : s ^ d)
            << code << " copy to " << c.x << "," << c.y << " at " << tx << "," << ty;
      }
    }
  }
}

TEST(Raster, ConvertsBetweenColourAndOnePlane) {
  // Colour to one plane: 1 where the source's background colour is; the target's plays no part.
  Bitmap picture{4, 1, false, {0x102030, 0x102031, 0x000000, 0xFF102030}};
  Bitmap mask{4, 1, true, {0, 0, 0, 0}};
  DrawingContext from{.bitmap = &picture, .backgroundColour = colourOf(0x102030)};
  DrawingContext to{.bitmap = &mask};
  bitBlt(to, 0, 0, 4, 1, &from, 0, 0, SRCCOPY);
  EXPECT_EQ(mask.pixels, (std::vector<Pixel>{1, 0, 0, 1}));
  // One plane to colour: 1 is the target's background colour, 0 its text colour.
  from.backgroundColour = makeColour(255, 0, 0);
  from.textColour = makeColour(0, 0, 255) | 0x02000000;
  bitBlt(from, 0, 0, 3, 1, &to, 0, 0, SRCCOPY);
  EXPECT_EQ(picture.pixels, (std::vector<Pixel>{0xFF0000, 0x0000FF, 0x0000FF, 0xFF102030}));
}

TEST(Raster, BitmapsAreRefusedPastTheirLimits) {
  // Sides up to 16384 and areas up to 16384 * 1024 pixels.
  const std::vector<std::pair<int32_t, int32_t>> made = {{16384, 1}, {1, 16384}, {16384, 1024}};
  const std::vector<std::pair<int32_t, int32_t>> refused = {
      {0, 10}, {10, 0}, {-1, 10}, {16385, 1}, {1, 16385}, {16384, 1025}, {INT32_MAX, INT32_MAX}};
  for (const bool monochrome : {false, true}) {
    auto create = monochrome ? createMonochromeBitmap : createCompatibleBitmap;
    for (const auto& [w, h] : refused) EXPECT_EQ(create(w, h), nullptr) << w << "x" << h;
    for (const auto& [w, h] : made) {
      std::unique_ptr<Bitmap> bitmap = create(w, h);
      ASSERT_NE(bitmap, nullptr) << w << "x" << h;
      EXPECT_EQ(bitmap->monochrome, monochrome);
      EXPECT_EQ(std::count(bitmap->pixels.begin(), bitmap->pixels.end(), 0), int64_t{w} * h);
    }
  }
}

TEST(Stretch, EveryPixelComesFromItsMappedSourcePixel) {
  struct Case {
    int32_t sourceWidth, sourceHeight;
    Rect destination, area, clip;  // the frame reaches 10 pixels past the clip
  };
  const std::vector<Case> cases = {
      {640, 480, {0, 0, 800, 600}, {0, 0, 640, 480}, {0, 0, 800, 600}},
      {640, 480, {0, 0, 1920, 1080}, {0, 0, 640, 480}, {0, 0, 1920, 1080}},
      {800, 600, {0, 0, 640, 480}, {0, 0, 800, 600}, {0, 0, 640, 480}},
      {3, 5, {0, 0, 7, 2}, {0, 0, 3, 5}, {0, 0, 7, 2}},
      {7, 2, {0, 0, 3, 5}, {0, 0, 7, 2}, {0, 0, 3, 5}},
      {20, 10, {-10, 5, 30, 25}, {0, 0, 20, 10}, {2, 8, 50, 20}},  // partly left of the frame
      {20, 10, {0, 0, 20, 20}, {-5, 5, 15, 15}, {0, 0, 20, 20}},   // partly outside the source
      {20, 10, {0, 0, 10, 10}, {20, 0, 30, 10}, {0, 0, 20, 20}},   // wholly outside the source
      {20, 10, {0, 0, 0, 10}, {0, 0, 20, 10}, {0, 0, 20, 20}},
      {20, 10, {0, 0, 10, -1}, {0, 0, 20, 10}, {0, 0, 20, 20}},
      {20, 10, {0, 0, 10, 10}, {5, 0, 5, 10}, {0, 0, 20, 20}},
      {20, 10, {0, 0, 10, 10}, {0, 10, 20, 0}, {0, 0, 20, 20}},
      {20, 10, {0, 0, 10, 10}, {0, 0, 20, 10}, {0, 10, 20, 10}},
      // Unscaled: one cell, and a shifted copy reaching past every edge of the source.
      {20, 10, {0, 0, 20, 10}, {0, 0, 20, 10}, {3, 2, 9, 7}},
      {20, 10, {-4, 3, 21, 15}, {2, -1, 27, 11}, {0, 0, 30, 30}}};
  // Destination column d takes source column floor(((2d + 1) * sourceSize - 1) / (2 * size)).
  auto index = [](int64_t d, int64_t from, int64_t to, int64_t start, int64_t end) {
    return from + ((2 * (d - start) + 1) * (to - from) - 1) / (2 * (end - start));
  };
  for (const Case& c : cases) {
    const Bitmap picture = numbered(c.sourceWidth, c.sourceHeight);
    const int32_t width = c.clip.right + 10, stride = width + 3, height = c.clip.bottom + 10;
    std::vector<Pixel> frame(size_t(stride) * height, kSentinel);
    PixelTarget target{frame.data(), width, height, stride, 0xFF000000};
    stretchBlt(target, c.destination, picture, c.area, c.clip);
    const Rect &d = c.destination, &a = c.area;
    for (int32_t i = 0; i < stride * height; ++i) {
      const int32_t x = i % stride, y = i / stride;
      bool inside = x >= std::max(d.left, c.clip.left) && x < std::min(d.right, c.clip.right) &&
                    y >= std::max(d.top, c.clip.top) && y < std::min(d.bottom, c.clip.bottom) &&
                    a.right > a.left && a.bottom > a.top;
      const int64_t sx = inside ? index(x, a.left, a.right, d.left, d.right) : 0;
      const int64_t sy = inside ? index(y, a.top, a.bottom, d.top, d.bottom) : 0;
      inside = inside && sx >= 0 && sx < c.sourceWidth && sy >= 0 && sy < c.sourceHeight;
      ASSERT_EQ(frame[i], inside ? at(picture, sx, sy) | 0xFF000000 : kSentinel)
          << c.sourceWidth << "->" << d.right - d.left << " at " << x << "," << y;
    }
  }
  // One plane: 1 is white, 0 black.
  std::vector<Pixel> frame(4, kSentinel);
  PixelTarget target{frame.data(), 4, 1, 4, 0};
  stretchBlt(target, {0, 0, 3, 1}, Bitmap{3, 1, true, {1, 0, 1}}, {0, 0, 3, 1}, {0, 0, 3, 1});
  EXPECT_EQ(frame, (std::vector<Pixel>{0xFFFFFF, 0, 0xFFFFFF, kSentinel}));
}

TEST(Rectangle, EveryMixModeCombinesEachPixelOnce) {
  const Pixel pen = 0xF0CC0F, brush = 0x3366AA, d = 0xAAF055;
  for (int32_t mode = 1; mode <= 16; ++mode) {
    Bitmap canvas = filled(7, 6, d);
    DrawingContext context{.bitmap = &canvas, .brush = colourOf(brush) | 0x02000000,
                           .pen = colourOf(pen), .mixMode = mode};
    drawRectangle(context, -1, 1, 5, 6);  // the left border lies outside the bitmap
    for (int32_t i = 0; i < 42; ++i) {
      const int32_t x = i % 7, y = i / 7;
      // Mode m: table m - 1, result bit = bit (2 * colour + destination).
      const Pixel mixed = perBit(mode - 1, 0, x == 4 || y == 1 || y == 5 ? pen : brush, d, 24);
      ASSERT_EQ(canvas.pixels[i], x < 5 && y >= 1 ? mixed : d) << mode << " at " << x << "," << y;
    }
  }
}

TEST(Rectangle, EmptyRectanglesDrawNothingAndThinOnesOnce) {
  Bitmap canvas = filled(8, 6, 0x123456);
  DrawingContext context{.bitmap = &canvas, .mixMode = 6};  // not: drawing twice would undo it
  drawRectangle(context, 2, 2, 2, 5);
  drawRectangle(context, 2, 5, 4, 1);
  drawRectangle(context, 1, 0, 2, 6);  // one column
  drawRectangle(context, 3, 2, 5, 3);  // one row, two wide
  drawRectangle(context, 3, 4, 5, 6);  // two by two
  drawRectangle(context, 5, 0, 8, 3);  // three by three
  for (int32_t i = 0; i < 48; ++i) {
    const int32_t x = i % 8, y = i / 8;
    const bool drawn = x == 1 || (y == 2 && (x == 3 || x == 4)) || (y >= 4 && x >= 3 && x < 5) ||
                       (x >= 5 && y < 3);
    EXPECT_EQ(canvas.pixels[i], drawn ? 0xEDCBA9u : 0x123456u) << x << "," << y;
  }
}

}  // namespace
