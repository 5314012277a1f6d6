#include "engine/gfx/surfaces.h"

#include <gtest/gtest.h>

#include "story_world.h"

TEST(Surfaces, RepaintAreasAreScaledLikeThe32BitOriginal) {
  // {surface rectangle, client width and height, surface width and height, client rectangle}
  const std::vector<std::tuple<Rect, int32_t, int32_t, int32_t, int32_t, Rect>> cases = {
      {{10, 10, 26, 42}, 800, 600, 640, 480, {12, 12, 32, 52}},
      {{98, 200, 116, 219}, 800, 600, 640, 480, {122, 250, 145, 273}},
      {{-3, -2, 5, 5}, 800, 600, 640, 480, {-3, -2, 6, 6}},  // -2400 / 640 is -3, not -4
      {{10, 10, 26, 42}, 320, 240, 640, 480, {5, 5, 13, 21}},
      {{10, 10, 26, 42}, 0, 0, 640, 480, {0, 0, 0, 0}}, {{10, 10, 26, 42}, 800, 600, 0, 0, {}}};
  auto corners = [](Rect r) { return std::vector<int32_t>{r.left, r.top, r.right, r.bottom}; };
  for (const auto& [surface, cwinX, cwinY, width, height, client] : cases) {
    EXPECT_EQ(corners(toClient(surface, cwinX, cwinY, width, height)), corners(client)) << cwinX;
  }
}

TEST(Surfaces, PresentsTheDisplayOrTheCleanPictureScaled) {
  StoryWorld world{4, 2};
  world.prepareSurfaces();
  SurfaceSet& set = world.context->surfaces;
  EXPECT_EQ(set.displayBitmap->pixels, std::vector<Pixel>(8, 0));  // the display starts black
  set.displayBitmap->pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  set.composeBitmap->pixels = std::vector<Pixel>(8, 9);
  // {client width, client height, hideText, area, client pixels afterwards (0xAA: untouched)}
  const Pixel o = 0xAA;
  const std::vector<std::tuple<int32_t, int32_t, int32_t, Rect, std::vector<Pixel>>> cases = {
      {5, 2, 0, {0, 0, 5, 2}, {1, 2, 2, 3, 4, 5, 6, 6, 7, 8}},
      {5, 2, 1, {3, 1, 5, 2}, {o, o, o, o, o, o, o, o, 9, 9}},  // only the area, the clean picture
      {0, 2, 0, {0, 0, 5, 2}, std::vector<Pixel>(10, o)}};  // minimised: nothing is drawn
  for (const auto& [cwinX, cwinY, hidden, area, pixels] : cases) {
    world.context->shared.cwinX = cwinX;
    world.context->shared.cwinY = cwinY;
    world.context->shared.hideText = hidden;
    std::vector<Pixel> client(10, o);
    PixelTarget target{client.data(), 5, 2, 5, 0};
    presentPicture(*world.context, target, area);
    EXPECT_EQ(client, pixels) << cwinX << "x" << cwinY << " " << hidden;
  }
}
