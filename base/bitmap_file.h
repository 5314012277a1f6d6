#pragma once
// BMP files: decoded into a colour bitmap of the file's own size, or refused.

#include <cstdint>
#include <memory>
#include <string>

#include "base/surface.h"

// Null when the file is missing, not a BMP, truncated, corrupt or too large: beyond the pixel
// budget of base/surface.h, or run-length data claiming more than 1,048,576 pixels plus 1,024
// for each byte it holds.
std::unique_ptr<Bitmap> loadBitmapFile(const std::string& hostPath);

// Far beyond any picture a story shows; a larger file is not read at all.
inline constexpr uint64_t kLargestBitmapFile = uint64_t{256} << 20;

// As loadBitmapFile, from the bytes of a file read whole.
std::unique_ptr<Bitmap> decodeBitmapFile(const std::string& file);
