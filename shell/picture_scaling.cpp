#include "shell/picture_scaling.h"

#include <algorithm>
#include <cstdint>

Rect placePicture(Size available, Size picture, PictureScaling scaling) {
  const Rect whole{0, 0, available.width, available.height};
  if (scaling == PictureScaling::Stretch || available.width <= 0 || available.height <= 0 ||
      picture.width <= 0 || picture.height <= 0) {
    return whole;
  }
  int64_t width = 0;
  int64_t height = 0;
  const int64_t multiple =
      std::min(available.width / picture.width, available.height / picture.height);
  if (scaling == PictureScaling::WholeMultiples && multiple >= 1) {
    width = picture.width * multiple;
    height = picture.height * multiple;
  } else if (int64_t{available.width} * picture.height <= int64_t{available.height} * picture.width) {
    // Width-bound: the height follows the picture's proportions, rounded to the nearest row.
    width = available.width;
    height = (int64_t{available.width} * picture.height * 2 + picture.width) / (2 * picture.width);
  } else {
    height = available.height;
    width = (int64_t{available.height} * picture.width * 2 + picture.height) / (2 * picture.height);
  }
  width = std::max<int64_t>(width, 1);
  height = std::max<int64_t>(height, 1);
  const int32_t left = static_cast<int32_t>((available.width - width) / 2);
  const int32_t top = static_cast<int32_t>((available.height - height) / 2);
  return {left, top, left + static_cast<int32_t>(width), top + static_cast<int32_t>(height)};
}
