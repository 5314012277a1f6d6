#include "engine/gfx/composition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/gfx/surfaces.h"
#include "story_world.h"

namespace {

constexpr Pixel kRed = 0xFF0000;
constexpr Pixel kTextPixel = 0xFFFFFF;

// A picture whose pixel at column x is a colour unique to that column, never black.
std::vector<Pixel> columnPicture(int32_t width, int32_t height) {
  std::vector<Pixel> pixels;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) pixels.push_back(0x100000 + uint32_t(x) * 0x10 + 1);
  }
  return pixels;
}

class CompositionTest : public ::testing::Test {
 protected:
  void SetUp() override { world_.prepareSurfaces(); }

  // Paints a "text" pixel on displaySurface, as typed text would leave it.
  void putText(int32_t x, int32_t y) {
    context().surfaces.displayBitmap->pixels[size_t(y) * 64 + x] = kTextPixel;
  }
  NevContext& context() { return *world_.context; }

  StoryWorld world_{64, 48};
};

TEST_F(CompositionTest, TransparentDrawLeavesBlackOutAndKeepsNearBlack) {
  // Background first, then a picture with black, near-black and coloured pixels over it.
  world_.story.write("bg.bmp", bmp24(64, 48, 0x203040));
  world_.story.write("fg.bmp", bmp24(3, 1, {0x000000, 0x010000, kRed}));
  composeOpaque(context(), 0, 0, "bg.bmp", SRCCOPY);
  composeTransparent(context(), 10, 5, "fg.bmp", SRCCOPY);
  EXPECT_EQ(world_.composePixel(10, 5), 0x203040u);  // black is transparent
  EXPECT_EQ(world_.composePixel(11, 5), 0x010000u);  // only exact black is
  EXPECT_EQ(world_.composePixel(12, 5), kRed);
  EXPECT_EQ(world_.composePixel(13, 5), 0x203040u);
  EXPECT_TRUE(world_.boxes.empty());
}

TEST_F(CompositionTest, TransparentAndOpaqueAgreeWithoutBlack) {
  world_.story.write("pic.bmp", bmp24(40, 20, columnPicture(40, 20)));
  composeTransparent(context(), 7, 9, "pic.bmp", SRCCOPY);
  const std::vector<Pixel> transparent = context().surfaces.composeBitmap->pixels;

  StoryWorld other{64, 48};
  other.prepareSurfaces();
  other.story.write("pic.bmp", bmp24(40, 20, columnPicture(40, 20)));
  composeOpaque(*other.context, 7, 9, "pic.bmp", SRCCOPY);
  EXPECT_EQ(other.context->surfaces.composeBitmap->pixels, transparent);
}

TEST_F(CompositionTest, KeptWorkBitmapsGiveWhatFreshOnesGive) {
  // Large, small and clipped draws one after the other, against each drawn in a fresh world.
  struct Draw {
    int32_t x, y, width, height;
  };
  const std::vector<Draw> draws = {{0, 0, 40, 20}, {60, 40, 9, 3}, {-5, 30, 40, 20}, {2, 2, 3, 1}};
  std::vector<Pixel> picture = columnPicture(40, 20);
  picture[3] = 0;  // one transparent pixel
  for (size_t i = 0; i < draws.size(); ++i) {
    const Draw& d = draws[i];
    std::vector<Pixel> pixels(size_t(d.width) * d.height);
    for (int32_t y = 0; y < d.height; ++y) {
      for (int32_t x = 0; x < d.width; ++x) pixels[size_t(y) * d.width + x] = picture[size_t(y) * 40 + x];
    }
    const std::string name = "p" + std::to_string(i) + ".bmp";
    world_.story.write(name, bmp24(d.width, d.height, pixels));
    composeTransparent(context(), d.x, d.y, name.c_str(), SRCCOPY);
  }
  StoryWorld fresh{64, 48};
  fresh.prepareSurfaces();
  for (size_t i = 0; i < draws.size(); ++i) {
    const std::string name = "p" + std::to_string(i) + ".bmp";
    std::unique_ptr<Bitmap> loaded = loadPicture(*fresh.context, (world_.story.path() / name).c_str());
    ASSERT_TRUE(loaded);
    drawTransparent(fresh.context->surfaces.composeSurface, *loaded, draws[i].x, draws[i].y,
                    loaded->width, loaded->height, kBlack);
  }
  EXPECT_EQ(context().surfaces.composeBitmap->pixels, fresh.context->surfaces.composeBitmap->pixels);
}

TEST_F(CompositionTest, WhollyBlackPictureChangesNothing) {
  world_.story.write("bg.bmp", bmp24(64, 48, columnPicture(64, 48)));
  world_.story.write("black.bmp", bmp24(30, 30, 0x000000));
  composeOpaque(context(), 0, 0, "bg.bmp", SRCCOPY);
  const std::vector<Pixel> before = context().surfaces.composeBitmap->pixels;
  composeTransparent(context(), 5, 5, "black.bmp", SRCCOPY);
  EXPECT_EQ(context().surfaces.composeBitmap->pixels, before);
}

TEST_F(CompositionTest, PictureCutAtTheLeftEdge) {
  world_.story.write("pic.bmp", bmp24(40, 4, columnPicture(40, 4)));
  composeTransparent(context(), -20, 0, "pic.bmp", SRCCOPY);
  for (int32_t x = 0; x < 64; ++x) {
    const Pixel expected = x < 20 ? columnPicture(40, 1)[x + 20] : 0;
    EXPECT_EQ(world_.composePixel(x, 0), expected) << "column " << x;
  }
}

TEST_F(CompositionTest, OverlayDarkensOnlyWhenEnabledIsOne) {
  struct Case {
    int32_t enabled;
    int32_t level;
    Pixel overlay;  // for a picture of 0xC86496 (200, 100, 150)
  };
  const std::vector<Case> cases = {
      {1, 128, 0x486416},  // 200 -> 72, 100 stays, 150 -> 22
      {1, 384, 0x486416},  // only the low 8 bits count
      {2, 128, 0xC86496},
      {0, 255, 0xC86496},
      {1, 255, 0x000000},
      {1, 0, 0xC86496},
  };
  for (const Case& c : cases) {
    StoryWorld world{64, 48};
    world.prepareSurfaces();
    world.context->config.overlayEnabled = c.enabled;
    world.context->config.overlayLevel = c.level;
    world.story.write("pic.bmp", bmp24(64, 48, 0xC86496));
    composeOpaque(*world.context, 0, 0, "pic.bmp", SRCCOPY);
    EXPECT_EQ(world.composePixel(5, 5), 0xC86496u) << c.enabled << "/" << c.level;
    EXPECT_EQ(world.overlayPixel(5, 5), c.overlay) << c.enabled << "/" << c.level;
    EXPECT_EQ(world.displayPixel(5, 5), c.overlay) << c.enabled << "/" << c.level;
  }
}

TEST_F(CompositionTest, RasterCodesReachOverlayAndDisplay) {
  struct Case {
    const char* name;
    bool transparent;
    uint32_t code;
    Pixel compose;  // inside the picture's area
    Pixel overlay;
    Pixel display;  // at the text pixel
  };
  const std::vector<Case> cases = {
      {"opaque code 0", false, 0, 0x000000, 0x000000, 0x000000},
      {"transparent code 0", true, 0, kRed, 0x000000, 0x000000},
      {"copy removes the text", false, SRCCOPY, kRed, kRed, kRed},
      {"paint keeps the text", false, SRCPAINT, kRed, kRed, kTextPixel},
      {"pattern copy", false, PATCOPY, 0xFFFFFF, 0xFFFFFF, 0x000000},
  };
  for (const Case& c : cases) {
    StoryWorld world{64, 48};
    world.prepareSurfaces();
    world.context->surfaces.displayBitmap->pixels[5 * 64 + 5] = kTextPixel;
    world.story.write("pic.bmp", bmp24(20, 20, kRed));
    if (c.transparent) {
      composeTransparent(*world.context, 0, 0, "pic.bmp", c.code);
    } else {
      composeOpaque(*world.context, 0, 0, "pic.bmp", c.code);
    }
    EXPECT_EQ(world.composePixel(5, 5), c.compose) << c.name;
    EXPECT_EQ(world.overlayPixel(5, 5), c.overlay) << c.name;
    EXPECT_EQ(world.displayPixel(5, 5), c.display) << c.name;
  }
}

TEST_F(CompositionTest, PatternCopyWithOverlayIsTheInvertedGrey) {
  context().config.overlayEnabled = 1;
  context().config.overlayLevel = 0x30;
  world_.story.write("pic.bmp", bmp24(8, 8, kRed));
  composeOpaque(context(), 0, 0, "pic.bmp", PATCOPY);
  EXPECT_EQ(world_.overlayPixel(30, 30), 0xCFCFCFu);
  EXPECT_EQ(world_.displayPixel(30, 30), 0x000000u);
}

TEST_F(CompositionTest, MissingPictureShowsItsBoxAndStillRebuildsTheDisplay) {
  world_.story.write("bg.bmp", bmp24(64, 48, 0x112233));
  composeOpaque(context(), 0, 0, "bg.bmp", SRCCOPY);
  putText(3, 3);
  composeTransparent(context(), 0, 0, "nothere.bmp", SRCCOPY);
  EXPECT_EQ(world_.boxes, std::vector<std::string>{std::string(kCaptionPictureError) + ": nothere.bmp"});
  EXPECT_EQ(world_.displayPixel(3, 3), 0x112233u);  // the text is gone

  world_.story.write("broken.bmp", "BM not really a picture");
  composeOpaque(context(), 0, 0, "broken.bmp", SRCCOPY);
  EXPECT_EQ(world_.boxes.size(), 2u);
}

TEST_F(CompositionTest, PicturesAreFoundLikeEveryStoryFile) {
  world_.story.write("Pics/Room.BMP", bmp24(2, 2, kRed));
  composeOpaque(context(), 0, 0, "pics\\room.bmp", SRCCOPY);
  EXPECT_TRUE(world_.boxes.empty());
  EXPECT_EQ(world_.composePixel(1, 1), kRed);
}

}  // namespace
