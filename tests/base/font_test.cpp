#include "base/font.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <numeric>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "backends/qt/qt_glyph_rasterizer.h"
#include "base/surface.h"

namespace {

// Hands out one small mask for any text and remembers what it was asked to draw.
struct FakeRasterizer : GlyphRasterizer {
  GlyphMask mask{0, 1, 2, 2, {255, 0, 0, 255}};
  std::vector<std::string> requests;
  GlyphMask rasterize(const FontSpec&, const std::string& text) override {
    requests.push_back(text);
    return mask;
  }
  bool canMake(const FontSpec& wanted) override { return wanted.height != 0; }
};

FontSpec attributesOfHeight(int32_t height) {
  FontSpec wanted;
  wanted.height = height;
  return wanted;
}

TEST(Font, IsNotMadeWhenTheRasterizerCannot) {
  FakeRasterizer rasterizer;
  EXPECT_EQ(createFont(rasterizer, attributesOfHeight(0)), nullptr);
  std::unique_ptr<Font> font = createFont(rasterizer, attributesOfHeight(-4));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->attributes.height, -4);
}

TEST(Font, RasterisesEachUnitOnce) {
  FakeRasterizer rasterizer;
  std::unique_ptr<Font> font = createFont(rasterizer, attributesOfHeight(-4));
  const GlyphMask& first = glyphOfUnit(*font, 0x82, 0xA0);
  const GlyphMask& again = glyphOfUnit(*font, 0x82, 0xA0);
  EXPECT_EQ(&first, &again);
  glyphOfUnit(*font, 0x82, 0xA2);
  EXPECT_EQ(rasterizer.requests, (std::vector<std::string>{"あ", "い"}));
}

struct UnitCase {
  const char* name;
  uint8_t first;
  uint8_t second;
  std::vector<std::string> drawn;  // what the rasterizer is asked for; nothing: an empty mask
};

TEST(Font, DecodesUnits) {
  const std::vector<UnitCase> cases = {
      {"double-byte character", 0x82, 0xA0, {"あ"}},
      {"ideographic comma", 0x81, 0x41, {"、"}},
      {"nec extension", 0x87, 0x40, {"①"}},
      {"ibm extension", 0xFA, 0x40, {"ⅰ"}},
      {"two ascii characters", 'a', 'b', {"ab"}},
      {"second byte 0", 'a', 0, {"a"}},
      {"half-width katakana pair", 0xB1, 0xB2, {"ｱｲ"}},
      {"ascii then katakana", 'A', 0xB1, {"Aｱ"}},
      {"lead byte before ascii", 0x82, 'A', {"A"}},
      {"lead byte before space", 0x81, ' ', {" "}},
      {"lone lead byte", 0x82, 0, {}},
      {"undefined bytes", 0xFF, 0xFF, {}},
      {"undefined byte alone", 0x80, 0, {}},
      {"nul first", 0, 'a', {}},
  };
  for (const UnitCase& c : cases) {
    FakeRasterizer rasterizer;
    std::unique_ptr<Font> font = createFont(rasterizer, attributesOfHeight(-4));
    const GlyphMask& mask = glyphOfUnit(*font, c.first, c.second);
    EXPECT_EQ(rasterizer.requests, c.drawn) << c.name;
    if (c.drawn.empty()) {
      EXPECT_EQ(mask.width * mask.height, 0) << c.name;
    }
  }
}

constexpr ColourValue kInk = 0x02000000 | makeColour(0xFF, 0x00, 0x00);  // palette-relative red
constexpr ColourValue kPaper = makeColour(0x00, 0x00, 0xFF);
constexpr Pixel kUnder = 0x00102030;

Bitmap bitmapOf(int32_t width, int32_t height) {
  return Bitmap{width, height, false, std::vector<Pixel>(width * height, kUnder)};
}

// One character a pixel: '#' ink, 'o' background colour, '.' untouched.
std::vector<std::string> pictureOf(const Bitmap& bitmap) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    std::string row;
    for (int32_t x = 0; x < bitmap.width; ++x) {
      const Pixel pixel = bitmap.pixels[y * bitmap.width + x];
      row += pixel == 0xFF0000 ? '#' : pixel == 0x0000FF ? 'o' : pixel == kUnder ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

struct TextOutCase {
  const char* name;
  int32_t x;
  int32_t y;
  BackgroundMode mode;
  std::string bytes;
  std::vector<std::string> picture;
};

TEST(TextOut, DrawsTheGlyphAtItsCell) {
  // The fake glyph: ink at (0, 1) and (1, 2) of a cell 4 pixels high.
  const std::vector<TextOutCase> cases = {
      {"transparent",
       1,
       0,
       BackgroundMode::Transparent,
       "ab",
       {"......", ".#....", "..#...", "......"}},
      {"clipped at the top left",
       -1,
       -2,
       BackgroundMode::Transparent,
       "ab",
       {"#.....", "......", "......", "......"}},
      {"clipped at the bottom right",
       5,
       2,
       BackgroundMode::Transparent,
       "ab",
       {"......", "......", "......", ".....#"}},
      {"wholly outside",
       6,
       0,
       BackgroundMode::Transparent,
       "ab",
       {"......", "......", "......", "......"}},
      {"opaque full-width cell",
       1,
       0,
       BackgroundMode::Opaque,
       "ab",
       {".oooo.", ".#ooo.", ".o#oo.", ".oooo."}},
      {"opaque half-width cell",
       1,
       0,
       BackgroundMode::Opaque,
       "a",
       {".oo...", ".#o...", ".o#...", ".oo..."}},
      {"opaque clipped",
       -3,
       1,
       BackgroundMode::Opaque,
       "ab",
       {"......", "o.....", "o.....", "o....."}},
      {"units side by side",
       0,
       0,
       BackgroundMode::Transparent,
       "abc",
       {"......", "#...#.", ".#...#", "......"}},
  };
  FakeRasterizer rasterizer;
  std::unique_ptr<Font> font = createFont(rasterizer, attributesOfHeight(-4));
  for (const TextOutCase& c : cases) {
    Bitmap bitmap = bitmapOf(6, 4);
    DrawingContext context;
    context.bitmap = &bitmap;
    context.font = font.get();
    context.textColour = kInk;
    context.backgroundColour = kPaper;
    context.backgroundMode = c.mode;
    textOut(context, c.x, c.y, c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
    EXPECT_EQ(pictureOf(bitmap), c.picture) << c.name;
  }
}

TEST(TextOut, BlendsPartialCoverage) {
  FakeRasterizer rasterizer;
  rasterizer.mask = GlyphMask{0, 0, 1, 1, {51}};  // a fifth
  std::unique_ptr<Font> font = createFont(rasterizer, attributesOfHeight(-4));
  Bitmap bitmap = bitmapOf(1, 1);
  bitmap.pixels[0] = 0x0000FF;
  DrawingContext context{.bitmap = &bitmap,
                         .font = font.get(),
                         .textColour = makeColour(255, 0, 0),
                         .backgroundMode = BackgroundMode::Transparent};
  textOut(context, 0, 0, "ab", 2);
  EXPECT_EQ(bitmap.pixels[0], 0x3300CCu);
}

TEST(TextOut, DrawsNothingWithoutAFont) {
  Bitmap bitmap = bitmapOf(4, 4);
  DrawingContext context{.bitmap = &bitmap, .backgroundMode = BackgroundMode::Opaque};
  textOut(context, 0, 0, "ab", 2);
  EXPECT_EQ(pictureOf(bitmap), (std::vector<std::string>(4, "....")));
}

// The desktop's fonts, drawn offscreen.
class QtGlyphs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureGuiApplication(); }

  static FontSpec mincho(int32_t height, bool smooth = false, int32_t weight = 400) {
    FontSpec wanted;
    wanted.height = height;
    wanted.weight = weight;
    wanted.charset = 128;
    wanted.faceName = "ＭＳ 明朝";
    wanted.smooth = smooth;
    return wanted;
  }

  static int64_t totalCoverage(const GlyphMask& mask) {
    return std::accumulate(mask.coverage.begin(), mask.coverage.end(), int64_t{0});
  }

  QtGlyphRasterizer rasterizer;
};

TEST_F(QtGlyphs, MinchoFacesComeOutAsIpaMincho) {
  for (const char* face : {"ＭＳ 明朝", "MS Mincho", "ＭＳ Ｐ明朝"}) {
    FontSpec wanted = mincho(-20);
    wanted.faceName = face;
    std::optional<QFont> font = qtFontOf(wanted);
    ASSERT_TRUE(font.has_value()) << face;
    EXPECT_EQ(QFontInfo(*font).family(), "IPAMincho") << face;
    EXPECT_EQ(QRawFont::fromFont(*font, QFontDatabase::Japanese).familyName(), "IPAMincho") << face;
  }
}

TEST_F(QtGlyphs, CanMakeOnlySensibleSizes) {
  EXPECT_TRUE(rasterizer.canMake(mincho(-20)));
  EXPECT_TRUE(rasterizer.canMake(mincho(22)));
  EXPECT_FALSE(rasterizer.canMake(mincho(0)));
  EXPECT_FALSE(rasterizer.canMake(mincho(1001)));
  EXPECT_FALSE(rasterizer.canMake(mincho(-1001)));
  // A positive height is the whole cell, so the em is a little smaller.
  const int em = qtFontOf(mincho(22))->pixelSize();
  EXPECT_GE(em, 17);
  EXPECT_LE(em, 21);
}

TEST_F(QtGlyphs, UnsmoothedMasksHoldOnlyFullAndEmptyPixels) {
  for (int32_t height : {-12, -16, -20, -24, -31}) {
    for (int32_t weight : {400, 700}) {
      for (const char* text : {"あ", "漢", "Ag", "ｱｲ", "〆"}) {
        const GlyphMask mask = rasterizer.rasterize(mincho(height, false, weight), text);
        ASSERT_GT(mask.width * mask.height, 0) << text << " at " << height;
        EXPECT_TRUE(std::all_of(mask.coverage.begin(), mask.coverage.end(),
                                [](uint8_t value) { return value == 0 || value == 255; }))
            << text << " at " << height << " weight " << weight;
      }
    }
  }
}

TEST_F(QtGlyphs, SmoothMasksHoldPartialPixels) {
  const GlyphMask mask = rasterizer.rasterize(mincho(-20, true), "あ");
  EXPECT_TRUE(std::any_of(mask.coverage.begin(), mask.coverage.end(),
                          [](uint8_t value) { return value > 0 && value < 255; }));
}

TEST_F(QtGlyphs, BoldInksMore) {
  const GlyphMask normal = rasterizer.rasterize(mincho(-20), "あ");
  const GlyphMask bold = rasterizer.rasterize(mincho(-20, false, 700), "あ");
  EXPECT_GT(totalCoverage(bold), totalCoverage(normal));
}

TEST_F(QtGlyphs, GlyphSitsInItsCell) {
  const GlyphMask mask = rasterizer.rasterize(mincho(-20), "あ");
  EXPECT_GE(mask.width, 12);
  EXPECT_GE(mask.height, 12);
  EXPECT_GE(mask.left, -2);
  EXPECT_GE(mask.top, -2);
  EXPECT_LE(mask.left + mask.width, 22);
  EXPECT_LE(mask.top + mask.height, 22);
}

TEST_F(QtGlyphs, BlankTextHasNoInk) {
  EXPECT_EQ(rasterizer.rasterize(mincho(-20), " ").width, 0);
  EXPECT_EQ(rasterizer.rasterize(mincho(-20), "　").width, 0);
}

TEST_F(QtGlyphs, AsciiIsDrawnInMincho) {
  const GlyphMask asked = rasterizer.rasterize(mincho(-20), "A");
  FontSpec explicitFace = mincho(-20);
  explicitFace.faceName = "IPAMincho";
  const GlyphMask reference = rasterizer.rasterize(explicitFace, "A");
  EXPECT_EQ(asked.coverage, reference.coverage);
  EXPECT_EQ(std::tie(asked.left, asked.top, asked.width, asked.height),
            std::tie(reference.left, reference.top, reference.width, reference.height));
  // The face fontconfig alone would have picked draws it differently.
  if (QFontDatabase::hasFamily("DejaVu Serif")) {
    FontSpec latin = mincho(-20);
    latin.faceName = "DejaVu Serif";
    EXPECT_NE(rasterizer.rasterize(latin, "A").coverage, asked.coverage);
  }
}

TEST_F(QtGlyphs, SameUnitGivesTheSameMask) {
  std::unique_ptr<Font> one = createFont(rasterizer, mincho(-20));
  std::unique_ptr<Font> other = createFont(rasterizer, mincho(-20));
  ASSERT_NE(one, nullptr);
  ASSERT_NE(other, nullptr);
  const GlyphMask& first = glyphOfUnit(*one, 0x8A, 0xBF);  // 漢
  const GlyphMask& second = glyphOfUnit(*other, 0x8A, 0xBF);
  EXPECT_GT(first.width, 0);
  EXPECT_EQ(first.coverage, second.coverage);
  EXPECT_EQ(std::tie(first.left, first.top), std::tie(second.left, second.top));
}

// Story text is typed on a worker thread while the window paints its own text.
TEST_F(QtGlyphs, RasterisesOnAWorkerWhileTheMainThreadPaints) {
  const std::vector<std::string> texts = {"あ", "い", "漢", "字", "A", "ｱｲ", "〆", "ー"};
  std::vector<GlyphMask> onWorker(texts.size());
  std::thread worker([&] {
    for (size_t i = 0; i < texts.size(); ++i)
      onWorker[i] = rasterizer.rasterize(mincho(-24), texts[i]);
  });
  QImage window(200, 40, QImage::Format_RGB32);
  for (int round = 0; round < 20; ++round) {
    QPainter painter(&window);
    painter.setFont(QFont("IPAMincho", 12));
    painter.drawText(QPoint(4, 30), QString::fromUtf8("ウィンドウの文字"));
  }
  worker.join();
  for (size_t i = 0; i < texts.size(); ++i) {
    const GlyphMask onMain = rasterizer.rasterize(mincho(-24), texts[i]);
    EXPECT_EQ(onWorker[i].coverage, onMain.coverage) << texts[i];
  }
}

}  // namespace
