#pragma once
// BMP files: decoded into a colour bitmap of the file's own size, or refused.

#include <memory>
#include <string>

#include "base/surface.h"

// Null when the file is missing, not a BMP, truncated, corrupt or too large: beyond the pixel
// budget of base/surface.h, or run-length data claiming more than 1,048,576 pixels plus 1,024
// for each byte it holds.
std::unique_ptr<Bitmap> loadBitmapFile(const std::string& hostPath);
