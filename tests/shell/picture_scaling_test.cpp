#include "shell/picture_scaling.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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

TEST(PictureScaling, SharpScalingEnlargesByWholeMultiplesBeforeTheSmoothStep) {
  const std::tuple<Size, Size> cases[] = {
      {{800, 600}, {640, 480}},    // 1.25: nearest neighbour adds nothing, smooth all the way
      {{1440, 1080}, {1280, 960}},  // 2.25
      {{1920, 600}, {1920, 480}},   // stretched: each way its own multiple
      {{1280, 960}, {}},            // a whole multiple: nearest neighbour alone
      {{600, 600}, {}},             // smaller one way: smoothed down as before
  };
  for (const auto& [shown, step] : cases) {
    EXPECT_EQ(sharpScalingStep({640, 480}, shown), step) << shown.width << "x" << shown.height;
  }
  const Pixel source[] = {1, 2, 0, 3, 4, 0};  // 2x2, a stride of 3
  Pixel target[4 * 6] = {};
  enlargeByWholeMultiples(source, 3, {2, 2}, {4, 6}, target, 4);
  EXPECT_EQ(std::vector<Pixel>(target, target + 24),
            (std::vector<Pixel>{1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4, 3, 3, 4, 4}));
}

}  // namespace
