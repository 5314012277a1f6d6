#include "engine/gfx/composition.h"

#include <gtest/gtest.h>

#include "story_world.h"

constexpr Pixel kRed = 0xFF0000;

TEST(Composition, TransparentDrawLeavesOutExactBlackOnly) {
  StoryWorld world;
  world.prepareSurfaces();
  world.story.write("bg.bmp", bmp24(64, 48, 0x203040));
  world.story.write("fg.bmp", bmp24(3, 2, {0x000000, 0x010000, kRed, kRed, 0x000000, 0x0000FF}));
  composeOpaque(*world.context, 0, 0, "bg.bmp", SRCCOPY, 0);
  composeTransparent(*world.context, 10, 5, "fg.bmp", SRCCOPY, 0);
  composeTransparent(*world.context, -1, 46, "fg.bmp", SRCCOPY, 0);  // cut at the left and bottom
  std::vector<Pixel> got;
  for (auto [x, y] : {std::pair{10, 5}, {11, 5}, {12, 5}, {13, 5}, {10, 6}, {11, 6}, {12, 6},
                      {0, 46}, {1, 46}, {0, 47}, {1, 47}, {2, 47}}) {
    got.push_back(world.composePixel(x, y));
  }
  EXPECT_EQ(got, (std::vector<Pixel>{0x203040, 0x010000, kRed, 0x203040, kRed, 0x203040, 0x0000FF,
                                     0x010000, kRed, 0x203040, 0x0000FF, 0x203040}));
}

TEST(Composition, WithoutBlackTransparentDrawsAsOpaqueWithKeptOrFreshWorkBitmaps) {
  // Large, small, clipped and tiny pictures one after the other: drawn with the work bitmaps
  // kept between commands, with fresh ones, and opaque.
  const std::vector<Rect> draws = {{0, 0, 40, 20}, {60, 40, 9, 3}, {-5, 30, 40, 20}, {2, 2, 3, 1}};
  StoryWorld fresh, kept, opaque(kept.story.path());  // kept's folder holds the picture
  for (StoryWorld* world : {&fresh, &opaque, &kept}) world->prepareSurfaces();
  for (const Rect& d : draws) {  // right and bottom hold the picture's size
    std::vector<Pixel> pixels;  // every pixel a colour of its own, never black
    for (int32_t i = 0; i < d.right * d.bottom; ++i) pixels.push_back(0x100001 + uint32_t(i) * 16);
    kept.story.write("p.bmp", bmp24(d.right, d.bottom, pixels));
    composeTransparent(*kept.context, d.left, d.top, "p.bmp", SRCCOPY, 0);
    composeOpaque(*opaque.context, d.left, d.top, "p.bmp", SRCCOPY, 0);
    std::unique_ptr<Bitmap> picture = loadPicture(*kept.context, "p.bmp");
    drawTransparent(fresh.context->surfaces.composeSurface, *picture, d.left, d.top, d.right,
                    d.bottom, kBlack);
  }
  EXPECT_EQ(kept.context->surfaces.composeBitmap->pixels,
            opaque.context->surfaces.composeBitmap->pixels);
  EXPECT_EQ(kept.context->surfaces.composeBitmap->pixels,
            fresh.context->surfaces.composeBitmap->pixels);
}

TEST(Composition, RasterCodesAndTheOverlayReachOverlayAndDisplay) {
  // {transparent, overlayEnabled, overlayLevel, raster code, compose, overlay, display}: a whole
  // picture of 0xC96597 (201, 101, 151) over a text pixel, at the far corner and at the text.
  const std::vector<std::tuple<bool, int32_t, int32_t, uint32_t, Pixel, Pixel, Pixel>> cases = {
      {false, 0, 128, SRCCOPY, 0xC96597, 0xC96597, 0xC96597},  // the copy removes the text
      {false, 1, 128, SRCCOPY, 0xC96597, 0x496517, 0x496517},  // each channel AND NOT 128
      {false, 1, 384, SRCCOPY, 0xC96597, 0x496517, 0x496517},  // the low 8 bits of the level
      {false, 2, 128, SRCCOPY, 0xC96597, 0xC96597, 0xC96597},
      {false, 1, 255, SRCCOPY, 0xC96597, 0x000000, 0x000000},
      {false, 1, 1, SRCCOPY, 0xC96597, 0xC86496, 0xC86496},
      {false, 1, 0, SRCCOPY, 0xC96597, 0xC96597, 0xC96597},
      {false, 0, 0, 0, 0x000000, 0x000000, 0x000000},
      {true, 0, 0, 0, 0xC96597, 0x000000, 0x000000},
      {false, 0, 0, SRCPAINT, 0xC96597, 0xC96597, 0xFFFFFF},  // the text stays
      {false, 0, 0, PATCOPY, 0xFFFFFF, 0xFFFFFF, 0x000000},  // each surface's own brush
      {false, 1, 0x30, PATCOPY, 0xFFFFFF, 0xCFCFCF, 0x000000},
  };
  for (const auto& [transparent, enabled, level, code, compose, overlay, display] : cases) {
    StoryWorld world(64, 48, [&](GameConfig& settings) { settings.overlayLevel = level; });
    world.prepareSurfaces();
    world.context->surfaces.displayBitmap->pixels[0] = 0xFFFFFF;
    world.story.write("pic.bmp", bmp24(64, 48, 0xC96597));
    (transparent ? composeTransparent : composeOpaque)(*world.context, 0, 0, "pic.bmp", code,
                                                       enabled);
    EXPECT_EQ((std::vector<Pixel>{world.composePixel(63, 47), world.overlayPixel(63, 47),
                                  world.displayPixel(0, 0)}),
              (std::vector<Pixel>{compose, overlay, display}))
        << transparent << " " << enabled << " " << level << " " << code;
  }
}
