#include "engine/gfx/surfaces.h"

#include <gtest/gtest.h>

#include <vector>

#include "story_world.h"

namespace {

TEST(ToClient, ScalesLikeThe32BitOriginal) {
  struct Case {
    Rect surface;
    int32_t cwinX, cwinY;
    Rect client;
  };
  const std::vector<Case> cases = {
      {{10, 10, 26, 42}, 800, 600, {12, 12, 32, 52}},
      {{98, 200, 116, 219}, 800, 600, {122, 250, 145, 273}},
      {{-3, -2, 5, 5}, 800, 600, {-3, -2, 6, 6}},  // -2400 / 640 is -3, not -4
      {{10, 10, 26, 42}, 640, 480, {10, 10, 26, 42}},
      {{10, 10, 26, 42}, 0, 0, {0, 0, 0, 0}},
      {{10, 10, 26, 42}, 320, 240, {5, 5, 13, 21}},
  };
  for (const Case& c : cases) {
    Rect got = toClient(c.surface, c.cwinX, c.cwinY, 640, 480);
    EXPECT_EQ(got.left, c.client.left) << c.surface.left;
    EXPECT_EQ(got.top, c.client.top) << c.surface.top;
    EXPECT_EQ(got.right, c.client.right) << c.surface.right;
    EXPECT_EQ(got.bottom, c.client.bottom) << c.surface.bottom;
  }
}

TEST(Surfaces, DisplayStartsBlackAndRepaintRequestsAreScaled) {
  StoryWorld world{640, 480};
  world.context->words.cwinX = 800;
  world.context->words.cwinY = 600;
  world.prepareSurfaces();
  EXPECT_EQ(world.displayPixelsOf(0).size(), 640u * 480u);
  requestRepaintRect(*world.context, Rect{10, 10, 26, 42});
  requestRepaint(*world.context);
  ASSERT_EQ(world.repaints.size(), 2u);
  ASSERT_TRUE(world.repaints[0]);
  EXPECT_EQ(world.repaints[0]->left, 12);
  EXPECT_EQ(world.repaints[0]->bottom, 52);
  EXPECT_FALSE(world.repaints[1]);
}

TEST(Surfaces, PresentsTheDisplayOrTheCleanPictureScaled) {
  StoryWorld world{4, 2};
  world.prepareSurfaces();
  SurfaceSet& set = world.context->surfaces;
  set.displayBitmap->pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  set.composeBitmap->pixels = {9, 9, 9, 9, 9, 9, 9, 9};
  world.context->words.cwinX = 5;
  world.context->words.cwinY = 2;

  std::vector<Pixel> client(10, 0xAA);
  PixelTarget target{client.data(), 5, 2, 5, 0};
  presentPicture(*world.context, target, Rect{0, 0, 5, 2});
  EXPECT_EQ(client, (std::vector<Pixel>{1, 2, 2, 3, 4, 5, 6, 6, 7, 8}));

  world.context->words.hideText = 1;
  std::fill(client.begin(), client.end(), 0xAA);
  presentPicture(*world.context, target, Rect{3, 1, 5, 2});  // only the repainted area
  EXPECT_EQ(client, (std::vector<Pixel>{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 9, 9}));

  world.context->words.cwinX = 0;  // minimised: nothing is drawn
  std::fill(client.begin(), client.end(), 0xAA);
  presentPicture(*world.context, target, Rect{0, 0, 5, 2});
  EXPECT_EQ(client, std::vector<Pixel>(10, 0xAA));
}

}  // namespace
