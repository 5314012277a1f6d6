#pragma once
// BMP files: decoded into a colour bitmap of the file's own size, or refused.

#include <memory>
#include <string>

#include "platform/surface.h"

// Pictures wider or taller than this are refused rather than allocated.
inline constexpr int32_t kLargestPictureSide = 16384;

// Null when the file is missing, not a BMP, truncated, corrupt or too large.
std::unique_ptr<Bitmap> loadBitmapFile(const std::string& hostPath);
