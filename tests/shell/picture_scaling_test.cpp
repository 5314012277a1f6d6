#include "shell/picture_scaling.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(PictureScaling, EachWayPlacesThePictureCentredInTheWindow) {
  using enum PictureScaling;
  const std::tuple<Size, Size, PictureScaling, Rect> cases[] = {
      {{640, 480}, {640, 480}, KeepProportions, {0, 0, 640, 480}},      // the default window
      {{640, 480}, {640, 480}, WholeMultiples, {0, 0, 640, 480}},
      {{1920, 1080}, {640, 480}, KeepProportions, {240, 0, 1680, 1080}},  // bars left and right
      {{1920, 1080}, {640, 480}, WholeMultiples, {320, 60, 1600, 1020}},  // twice, bars all round
      {{1920, 1080}, {640, 480}, Stretch, {0, 0, 1920, 1080}},
      {{800, 1000}, {640, 480}, KeepProportions, {0, 200, 800, 800}},     // bars above and below
      {{1279, 959}, {640, 480}, WholeMultiples, {319, 239, 959, 719}},   // one short of twice
      {{320, 200}, {640, 480}, WholeMultiples, {26, 0, 293, 200}},       // none fits: in proportion
      {{641, 1}, {640, 480}, KeepProportions, {320, 0, 321, 1}},         // never empty
      {{0, 480}, {640, 480}, KeepProportions, {0, 0, 0, 480}},
      {{640, 480}, {0, 0}, WholeMultiples, {0, 0, 640, 480}},
  };
  for (const auto& [available, picture, scaling, expected] : cases) {
    const Rect placed = placePicture(available, picture, scaling);
    EXPECT_EQ(std::tie(placed.left, placed.top, placed.right, placed.bottom),
              std::tie(expected.left, expected.top, expected.right, expected.bottom))
        << available.width << "x" << available.height << " scaling " << int(scaling);
  }
}

}  // namespace
