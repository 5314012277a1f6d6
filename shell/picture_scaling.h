#pragma once
// The geometry of each way of scaling the story's picture to a window of another size.

#include <cstdint>

#include "base/surface.h"
#include "shell/window_port.h"

// The story's client area inside `available` (both in the same pixels), for a picture of
// `picture`'s size: centred, and the whole of `available` when stretching or when either size
// is empty.
Rect placePicture(Size available, Size picture, PictureScaling scaling);

// Sharp scaling to a size that is not a whole multiple of the picture: enlarged first by whole
// multiples (nearest neighbour) to the size returned, then smoothly to `shown`, so strokes stay
// crisp. Empty when no smooth step is wanted: `shown` a whole multiple, or smaller either way.
Size sharpScalingStep(Size picture, Size shown);

// `source` (`picture`'s size, `sourceStride` pixels a row) enlarged to `step`, each pixel
// repeated `step / picture` times each way, into `target` (`targetStride` pixels a row).
void enlargeByWholeMultiples(const Pixel* source, int32_t sourceStride, Size picture, Size step,
                             Pixel* target, int32_t targetStride);
