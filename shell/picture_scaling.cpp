#include "shell/picture_scaling.h"

#include <algorithm>
#include <cstddef>
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

Size sharpScalingStep(Size picture, Size shown) {
  if (picture.width <= 0 || picture.height <= 0 || shown.width < picture.width ||
      shown.height < picture.height) {
    return {};
  }
  if (shown.width % picture.width == 0 && shown.height % picture.height == 0) return {};
  return {shown.width / picture.width * picture.width, shown.height / picture.height * picture.height};
}

void enlargeByWholeMultiples(const Pixel* source, int32_t sourceStride, Size picture, Size step,
                             Pixel* target, int32_t targetStride) {
  if (picture.width <= 0 || picture.height <= 0) return;
  const int32_t across = step.width / picture.width;
  const int32_t down = step.height / picture.height;
  for (int32_t y = 0; y < picture.height; ++y) {
    const Pixel* from = source + ptrdiff_t{y} * sourceStride;
    Pixel* row = target + ptrdiff_t{y} * down * targetStride;
    for (int32_t x = 0; x < picture.width; ++x) std::fill_n(row + x * across, across, from[x]);
    for (int32_t copy = 1; copy < down; ++copy) {
      std::copy_n(row, step.width, row + ptrdiff_t{copy} * targetStride);
    }
  }
}
