#pragma once
// The geometry of each way of scaling the story's picture to a window of another size.

#include <cstdint>

#include "base/surface.h"
#include "shell/window_port.h"

// The story's client area inside `available` (both in the same pixels), for a picture of
// `picture`'s size: centred, and the whole of `available` when stretching or when either size
// is empty.
Rect placePicture(Size available, Size picture, PictureScaling scaling);
