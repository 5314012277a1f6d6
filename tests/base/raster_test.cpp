#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/surface.h"

namespace {

constexpr Pixel kSentinel = 0x00ABCDEF;

std::unique_ptr<Bitmap> filled(int32_t width, int32_t height, Pixel value) {
  std::unique_ptr<Bitmap> bitmap = createCompatibleBitmap(width, height);
  std::fill(bitmap->pixels.begin(), bitmap->pixels.end(), value);
  return bitmap;
}

// A picture whose every pixel tells where it came from.
std::unique_ptr<Bitmap> numbered(int32_t width, int32_t height) {
  std::unique_ptr<Bitmap> bitmap = createCompatibleBitmap(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) bitmap->pixels[y * width + x] = 0x100000 | y << 12 | x;
  }
  return bitmap;
}

DrawingContext on(Bitmap* bitmap) {
  DrawingContext context;
  context.bitmap = bitmap;
  return context;
}

Pixel at(const Bitmap& bitmap, int32_t x, int32_t y) {
  return bitmap.pixels[y * bitmap.width + x];
}

// The definition, one bit at a time.
Pixel perBit(uint32_t table, Pixel p, Pixel s, Pixel d, int bits) {
  Pixel result = 0;
  for (int bit = 0; bit < bits; ++bit) {
    const uint32_t index = (p >> bit & 1) * 4 + (s >> bit & 1) * 2 + (d >> bit & 1);
    result |= (table >> index & 1) << bit;
  }
  return result;
}

std::vector<uint32_t> everyCode() {
  std::vector<uint32_t> codes = {SRCCOPY, SRCAND, SRCPAINT, DSTINVERT, PATCOPY};
  for (uint32_t table = 0; table < 256; ++table) codes.push_back(table << 16);
  return codes;
}

TEST(Raster, EveryTruthTableOnColourPixels) {
  // Bytes 0xF0, 0xCC, 0xAA give every (P, S, D) combination; the others catch swapped channels.
  const std::vector<Pixel> patterns = {0xF0F0F0, 0x12F05A};
  // The last pair has stray top bytes, which must not reach the result.
  const std::vector<Pixel> sources = {0xCCCCCC, 0x3A91C4, 0x000000, 0xFFFFFF, 0xFFCCCCCC};
  const std::vector<Pixel> destinations = {0xAAAAAA, 0x5E07F2, 0xFFFFFF, 0x000000, 0x80AAAAAA};
  const int32_t n = static_cast<int32_t>(sources.size());
  for (const Pixel pattern : patterns) {
    for (const uint32_t code : everyCode()) {
      Bitmap picture{n, 1, false, sources};
      Bitmap canvas{n, 1, false, destinations};
      DrawingContext from = on(&picture);
      DrawingContext to = on(&canvas);
      to.brush = colourOf(pattern) | 0x02000000;  // palette-relative acts as its colour
      bitBlt(to, 0, 0, n, 1, &from, 0, 0, code);
      for (int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(canvas.pixels[i],
                  perBit(code >> 16 & 0xFF, pattern, sources[i], destinations[i], 24))
            << std::hex << "code " << code << " pattern " << pattern << " pixel " << i;
      }
    }
  }
}

TEST(Raster, EveryTruthTableOnOnePlane) {
  // White brush is 1; black and any other colour are 0.
  const std::vector<std::pair<ColourValue, Pixel>> brushes = {
      {kWhite, 1}, {kBlack, 0}, {makeColour(200, 200, 200), 0}};
  for (const auto& [brush, p] : brushes) {
    for (const uint32_t code : everyCode()) {
      Bitmap picture{4, 1, true, {0, 0, 1, 1}};
      Bitmap canvas{4, 1, true, {0, 1, 0, 1}};
      DrawingContext from = on(&picture);
      DrawingContext to = on(&canvas);
      to.brush = brush;
      bitBlt(to, 0, 0, 4, 1, &from, 0, 0, code);
      for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(canvas.pixels[i], perBit(code >> 16, p, picture.pixels[i], i & 1, 1))
            << std::hex << "code " << code << " brush " << brush << " pixel " << i;
      }
    }
  }
}

struct ClipCase {
  const char* name;
  int32_t x, y, width, height, sx, sy;
};

TEST(Raster, CopiesClipToBothBitmaps) {
  const std::vector<ClipCase> cases = {
      {"left of the target", -20, 3, 100, 30, 0, 0},
      {"beyond the right edge", 600, 0, 100, 30, 0, 0},
      {"beyond the bottom edge", 10, 25, 100, 30, 0, 0},
      {"above and left", -30, -10, 100, 30, 0, 0},
      {"wholly right", 640, 0, 100, 30, 0, 0},
      {"wholly left", -100, 0, 100, 30, 0, 0},
      {"wholly below", 0, 40, 100, 30, 0, 0},
      {"source offset inside", 5, 5, 50, 10, 40, 12},
      {"source offset negative", 5, 5, 50, 20, -10, -4},
      {"wider than the source", 0, 0, 500, 60, 0, 0},
      {"zero width", 0, 0, 0, 30, 0, 0},
      {"negative height", 0, 0, 100, -5, 0, 0},
      {"far positions", INT32_MAX - 5, 0, INT32_MAX, 30, INT32_MIN, 0},
      {"huge size", -5, -5, INT32_MAX, INT32_MAX, 0, 0},
  };
  std::unique_ptr<Bitmap> picture = numbered(100, 30);
  for (const ClipCase& c : cases) {
    std::unique_ptr<Bitmap> canvas = filled(640, 40, kSentinel);
    DrawingContext from = on(picture.get());
    DrawingContext to = on(canvas.get());
    bitBlt(to, c.x, c.y, c.width, c.height, &from, c.sx, c.sy, SRCCOPY);
    int changed = 0;
    for (int64_t ty = 0; ty < 40; ++ty) {
      for (int64_t tx = 0; tx < 640; ++tx) {
        const int64_t px = tx - c.x + c.sx, py = ty - c.y + c.sy;
        const bool inside = tx >= c.x && tx < int64_t{c.x} + c.width && ty >= c.y &&
                            ty < int64_t{c.y} + c.height && px >= 0 && px < 100 && py >= 0 &&
                            py < 30;
        const Pixel expected = inside ? at(*picture, px, py) : kSentinel;
        changed += inside;
        ASSERT_EQ(at(*canvas, tx, ty), expected) << c.name << " at " << tx << "," << ty;
      }
    }
    if (std::string(c.name) == "left of the target") {
      EXPECT_EQ(changed, 80 * 30);
      EXPECT_EQ(at(*canvas, 0, 3), at(*picture, 20, 0));
      EXPECT_EQ(at(*canvas, 79, 32), at(*picture, 99, 29));
      EXPECT_EQ(at(*canvas, 80, 3), kSentinel);
    }
  }
}

TEST(Raster, OverlappingCopiesReadTheSourceAsItWas) {
  const std::vector<std::pair<int32_t, int32_t>> shifts = {{3, 2}, {-3, -2}, {5, 0},  {-5, 0},
                                                           {0, 4}, {0, -4},  {4, -3}, {0, 0}};
  for (const uint32_t code : {SRCCOPY, 0x00660046u /* S xor D */}) {
    for (const auto& [dx, dy] : shifts) {
      std::unique_ptr<Bitmap> canvas = numbered(40, 30);
      const Bitmap before = *canvas;
      DrawingContext context = on(canvas.get());
      bitBlt(context, 10 + dx, 8 + dy, 20, 12, &context, 10, 8, code);
      for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
          const bool inside = x >= 10 + dx && x < 30 + dx && y >= 8 + dy && y < 20 + dy;
          const Pixel s = inside ? at(before, x - dx, y - dy) : 0;
          const Pixel d = at(before, x, y);
          const Pixel expected = !inside ? d : code == SRCCOPY ? s : s ^ d;
          ASSERT_EQ(at(*canvas, x, y), expected) << code << " shift " << dx << "," << dy;
        }
      }
    }
  }
}

TEST(Raster, ColourToMonochromeMarksTheSourceBackground) {
  Bitmap picture{4, 1, false, {0x102030, 0x102031, 0x000000, 0x102030}};
  std::unique_ptr<Bitmap> mask = createMonochromeBitmap(4, 1);
  DrawingContext from = on(&picture);
  from.backgroundColour = colourOf(0x102030);
  DrawingContext to = on(mask.get());
  to.backgroundColour = kBlack;  // the target's colours play no part
  bitBlt(to, 0, 0, 4, 1, &from, 0, 0, SRCCOPY);
  EXPECT_EQ(mask->pixels, (std::vector<Pixel>{1, 0, 0, 1}));
}

TEST(Raster, MonochromeToColourUsesTheTargetColours) {
  Bitmap mask{3, 1, true, {1, 0, 1}};
  std::unique_ptr<Bitmap> canvas = filled(3, 1, kSentinel);
  DrawingContext from = on(&mask);
  from.backgroundColour = makeColour(1, 2, 3);  // the source's colours play no part
  DrawingContext to = on(canvas.get());
  to.backgroundColour = makeColour(255, 0, 0);
  to.textColour = makeColour(0, 0, 255) | 0x02000000;
  bitBlt(to, 0, 0, 3, 1, &from, 0, 0, SRCCOPY);
  EXPECT_EQ(canvas->pixels, (std::vector<Pixel>{0xFF0000, 0x0000FF, 0xFF0000}));
}

TEST(Raster, TransparentDrawLeavesBlackOut) {
  const Pixel background = 0x336699;
  Bitmap picture{4, 1, false, {0x000000, 0x010000, 0xFFFFFF, 0x00FF00}};
  std::unique_ptr<Bitmap> work = filled(4, 1, background);
  std::unique_ptr<Bitmap> mask = createMonochromeBitmap(4, 1);
  DrawingContext pictureContext = on(&picture);
  DrawingContext workContext = on(work.get());
  DrawingContext maskContext = on(mask.get());

  pictureContext.backgroundColour = kBlack;
  bitBlt(maskContext, 0, 0, 4, 1, &pictureContext, 0, 0, SRCCOPY);
  pictureContext.backgroundColour = kWhite;
  bitBlt(workContext, 0, 0, 4, 1, &maskContext, 0, 0, SRCAND);
  bitBlt(maskContext, 0, 0, 4, 1, nullptr, 0, 0, DSTINVERT);
  bitBlt(pictureContext, 0, 0, 4, 1, &maskContext, 0, 0, SRCAND);
  bitBlt(workContext, 0, 0, 4, 1, &pictureContext, 0, 0, SRCPAINT);
  EXPECT_EQ(work->pixels, (std::vector<Pixel>{background, 0x010000, 0xFFFFFF, 0x00FF00}));
}

TEST(Raster, SimpleFills) {
  std::unique_ptr<Bitmap> canvas = filled(8, 4, 0x123456);
  DrawingContext context = on(canvas.get());
  bitBlt(context, 1, 1, 2, 2, nullptr, 0, 0, 0);
  EXPECT_EQ(at(*canvas, 1, 1), 0u);
  EXPECT_EQ(at(*canvas, 2, 2), 0u);
  EXPECT_EQ(at(*canvas, 3, 2), 0x123456u);
  selectBrush(context, kWhite);
  patBlt(context, 4, 0, 4, 4, PATCOPY);
  EXPECT_EQ(at(*canvas, 7, 3), 0xFFFFFFu);
  selectBrush(context, kBlack);
  patBlt(context, 6, 0, 2, 4, PATCOPY);
  EXPECT_EQ(at(*canvas, 6, 0), 0u);
  EXPECT_EQ(at(*canvas, 5, 0), 0xFFFFFFu);

  Bitmap picture{2, 1, false, {0x0F0F00, 0x800001}};
  Bitmap under{2, 1, false, {0x00F0F0, 0x008000}};
  DrawingContext from = on(&picture);
  DrawingContext to = on(&under);
  bitBlt(to, 0, 0, 2, 1, &from, 0, 0, SRCPAINT);
  EXPECT_EQ(under.pixels, (std::vector<Pixel>{0x0FFFF0, 0x808001}));
}

TEST(Raster, MissingSourceOrTargetDrawsNothing) {
  std::unique_ptr<Bitmap> canvas = filled(4, 4, kSentinel);
  DrawingContext context = on(canvas.get());
  DrawingContext empty;
  bitBlt(context, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY);
  bitBlt(context, 0, 0, 4, 4, &empty, 0, 0, 0x00990066);
  patBlt(context, 0, 0, 4, 4, SRCAND);
  bitBlt(empty, 0, 0, 4, 4, &context, 0, 0, SRCCOPY);
  patBlt(empty, 0, 0, 4, 4, PATCOPY);
  drawRectangle(empty, 0, 0, 4, 4);
  EXPECT_EQ(canvas->pixels, std::vector<Pixel>(16, kSentinel));
}

TEST(Raster, SelectingReturnsWhatItReplaces) {
  Bitmap first, second;
  Font* font = reinterpret_cast<Font*>(&first);
  DrawingContext context;
  EXPECT_EQ(selectBitmap(context, &first), nullptr);
  EXPECT_EQ(selectBitmap(context, &second), &first);
  EXPECT_EQ(context.bitmap, &second);
  EXPECT_EQ(selectBrush(context, 0x123456), kWhite);
  EXPECT_EQ(selectBrush(context, kBlack), 0x123456u);
  EXPECT_EQ(selectPen(context, 0x654321), kBlack);
  EXPECT_EQ(selectPen(context, kWhite), 0x654321u);
  EXPECT_EQ(selectFont(context, font), nullptr);
  EXPECT_EQ(selectFont(context, nullptr), font);
}

TEST(Raster, RefusesEmptyAndAbsurdBitmaps) {
  const std::vector<std::pair<int32_t, int32_t>> refused = {
      {0, 10}, {10, 0}, {-1, 10}, {16385, 1}, {1, 16385}, {INT32_MAX, INT32_MAX}};
  for (const auto& [w, h] : refused) {
    EXPECT_EQ(createCompatibleBitmap(w, h), nullptr) << w << "x" << h;
    EXPECT_EQ(createMonochromeBitmap(w, h), nullptr) << w << "x" << h;
  }
  std::unique_ptr<Bitmap> colour = createCompatibleBitmap(3, 2);
  ASSERT_NE(colour, nullptr);
  EXPECT_FALSE(colour->monochrome);
  EXPECT_EQ(colour->pixels, std::vector<Pixel>(6, 0));
  std::unique_ptr<Bitmap> mono = createMonochromeBitmap(16384, 1);
  ASSERT_NE(mono, nullptr);
  EXPECT_TRUE(mono->monochrome);
  EXPECT_EQ(mono->pixels.size(), 16384u);
}

// --- Scaling ----------------------------------------------------------------------------------

struct Frame {
  std::vector<Pixel> pixels;
  PixelTarget target;
  Frame(int32_t width, int32_t height, int32_t stride)
      : pixels(static_cast<size_t>(stride) * height, kSentinel) {
    target = {pixels.data(), width, height, stride, 0};
  }
  Pixel at(int32_t x, int32_t y) const { return pixels[y * target.stride + x]; }
};

int64_t sourceIndex(int64_t d, int64_t sourceSize, int64_t destinationSize) {
  return ((2 * d + 1) * sourceSize - 1) / (2 * destinationSize);
}

struct StretchCase {
  int32_t sourceWidth, sourceHeight, width, height;
};

TEST(Stretch, EveryPixelComesFromItsMappedSourcePixel) {
  const std::vector<StretchCase> cases = {{640, 480, 800, 600}, {640, 480, 1920, 1080},
                                          {800, 600, 640, 480}, {64, 48, 64, 48},
                                          {3, 5, 7, 2},         {7, 2, 3, 5}};
  for (const StretchCase& c : cases) {
    std::unique_ptr<Bitmap> picture = numbered(c.sourceWidth, c.sourceHeight);
    Frame frame(c.width, c.height, c.width + 3);
    const Rect all{0, 0, c.width, c.height};
    stretchBlt(frame.target, all, *picture, {0, 0, c.sourceWidth, c.sourceHeight}, all);
    for (int32_t y = 0; y < c.height; ++y) {
      for (int32_t x = 0; x < c.width; ++x) {
        const Pixel expected = at(*picture, sourceIndex(x, c.sourceWidth, c.width),
                                  sourceIndex(y, c.sourceHeight, c.height));
        ASSERT_EQ(frame.at(x, y), expected)
            << c.sourceWidth << "->" << c.width << " at " << x << "," << y;
      }
      ASSERT_EQ(frame.at(c.width, y), kSentinel);
    }
  }
}

TEST(Stretch, EnlargingRepeatsEveryFourthColumn) {
  std::unique_ptr<Bitmap> picture = numbered(640, 2);
  Frame frame(800, 2, 800);
  const Rect all{0, 0, 800, 2};
  stretchBlt(frame.target, all, *picture, {0, 0, 640, 2}, all);
  const std::vector<int32_t> firstColumns = {0, 1, 1, 2, 3, 4, 5, 5, 6, 7};
  for (int32_t d = 0; d < 10; ++d) EXPECT_EQ(frame.at(d, 0), at(*picture, firstColumns[d], 0));
  std::set<Pixel> used(frame.pixels.begin(), frame.pixels.begin() + 800);
  EXPECT_EQ(used.size(), 640u);
}

TEST(Stretch, ShrinkingDropsColumnsWithoutBlending) {
  std::unique_ptr<Bitmap> picture = numbered(800, 1);
  Frame frame(640, 1, 640);
  const Rect all{0, 0, 640, 1};
  stretchBlt(frame.target, all, *picture, {0, 0, 800, 1}, all);
  const std::set<Pixel> sourceColours(picture->pixels.begin(), picture->pixels.end());
  const std::set<Pixel> used(frame.pixels.begin(), frame.pixels.end());
  EXPECT_EQ(used.size(), 640u);
  for (const Pixel pixel : used) EXPECT_TRUE(sourceColours.count(pixel)) << std::hex << pixel;
}

TEST(Stretch, WritesOnlyInsideTheClipWithFillBits) {
  std::unique_ptr<Bitmap> picture = numbered(20, 10);
  Frame frame(60, 30, 64);
  frame.target.fill = 0xFF000000;
  const Rect destination{-10, 5, 30, 25};  // 2x, partly left of the frame
  const Rect clip{2, 8, 50, 20};
  stretchBlt(frame.target, destination, *picture, {0, 0, 20, 10}, clip);
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      const bool inside = x >= 2 && x < 30 && y >= 8 && y < 20;
      const Pixel expected =
          inside ? at(*picture, (x + 10) / 2, (y - 5) / 2) | 0xFF000000 : kSentinel;
      ASSERT_EQ(frame.at(x, y), expected) << x << "," << y;
    }
  }
}

TEST(Stretch, DegenerateRectanglesDrawNothing) {
  std::unique_ptr<Bitmap> picture = numbered(20, 10);
  const std::vector<std::pair<Rect, Rect>> cases = {
      {{0, 0, 0, 10}, {0, 0, 20, 10}},  {{0, 0, 10, -1}, {0, 0, 20, 10}},
      {{0, 0, 10, 10}, {5, 0, 5, 10}},  {{0, 0, 10, 10}, {0, 10, 20, 0}},
      {{10, 10, 0, 0}, {0, 0, 20, 10}}, {{20, 0, 30, 10}, {0, 0, 20, 10}}};
  for (const auto& [destination, area] : cases) {
    Frame frame(20, 10, 20);
    stretchBlt(frame.target, destination, *picture, area, {0, 0, 20, 10});
    EXPECT_EQ(frame.pixels, std::vector<Pixel>(200, kSentinel)) << destination.left;
  }
}

// --- Rectangles -------------------------------------------------------------------------------

TEST(Rectangle, MaskNotPenClearsTheGreyBits) {
  struct Case {
    ColourValue grey;
    Pixel before, after;
  };
  const std::vector<Case> cases = {
      {0x808080, 0xC86425, 0x486425},  // 200 -> 72, 100 -> 100, 37 -> 37
      {0x02808080, 0xC86425, 0x486425},
      {0xFFFFFF, 0xC86425, 0x000000},
      {0x000000, 0xC86425, 0xC86425},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Bitmap> canvas = filled(6, 5, c.before);
    DrawingContext context = on(canvas.get());
    context.pen = context.brush = c.grey;
    context.mixMode = R2_MASKNOTPEN;
    drawRectangle(context, 1, 1, 5, 4);
    for (int32_t y = 0; y < 5; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
        EXPECT_EQ(at(*canvas, x, y), inside ? c.after : c.before)
            << std::hex << c.grey << " " << x << "," << y;
      }
    }
  }
}

TEST(Rectangle, EveryMixModeCombinesEachPixelOnce) {
  using Mix = std::function<Pixel(Pixel, Pixel)>;
  const std::vector<Mix> modes = {
      [](Pixel, Pixel) { return 0u; },         [](Pixel p, Pixel d) { return ~(p | d); },
      [](Pixel p, Pixel d) { return ~p & d; }, [](Pixel p, Pixel) { return ~p; },
      [](Pixel p, Pixel d) { return p & ~d; }, [](Pixel, Pixel d) { return ~d; },
      [](Pixel p, Pixel d) { return p ^ d; },  [](Pixel p, Pixel d) { return ~(p & d); },
      [](Pixel p, Pixel d) { return p & d; },  [](Pixel p, Pixel d) { return ~(p ^ d); },
      [](Pixel, Pixel d) { return d; },        [](Pixel p, Pixel d) { return ~p | d; },
      [](Pixel p, Pixel) { return p; },        [](Pixel p, Pixel d) { return p | ~d; },
      [](Pixel p, Pixel d) { return p | d; },  [](Pixel, Pixel) { return ~0u; }};
  const Pixel pen = 0xF0CC0F, brush = 0x3366AA, d = 0xAAF055;
  for (int32_t mode = 1; mode <= 16; ++mode) {
    std::unique_ptr<Bitmap> canvas = filled(7, 6, d);
    DrawingContext context = on(canvas.get());
    context.pen = colourOf(pen);
    context.brush = colourOf(brush) | 0x02000000;
    context.mixMode = mode;
    drawRectangle(context, -1, 1, 5, 6);  // the left border lies outside the bitmap
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 7; ++x) {
        const bool inside = x < 5 && y >= 1;
        const bool border = x == 4 || y == 1 || y == 5;
        const Pixel colour = border ? pen : brush;
        const Pixel expected = inside ? modes[mode - 1](colour, d) & 0xFFFFFF : d;
        ASSERT_EQ(at(*canvas, x, y), expected) << "mode " << mode << " at " << x << "," << y;
      }
    }
  }
}

TEST(Rectangle, EmptyRectanglesDrawNothingAndThinOnesOnce) {
  std::unique_ptr<Bitmap> canvas = filled(6, 6, 0x123456);
  DrawingContext context = on(canvas.get());
  context.mixMode = 6;  // not: drawing a pixel twice would undo it
  drawRectangle(context, 2, 2, 2, 5);
  drawRectangle(context, 2, 5, 4, 1);
  EXPECT_EQ(canvas->pixels, std::vector<Pixel>(36, 0x123456));
  drawRectangle(context, 1, 0, 2, 6);  // one column
  drawRectangle(context, 3, 2, 5, 3);  // one row, two wide
  drawRectangle(context, 3, 4, 5, 6);  // two by two
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const bool drawn = x == 1 || (y == 2 && (x == 3 || x == 4)) || (y >= 4 && x >= 3 && x < 5);
      EXPECT_EQ(at(*canvas, x, y), drawn ? 0xEDCBA9u : 0x123456u) << x << "," << y;
    }
  }
}

}  // namespace
