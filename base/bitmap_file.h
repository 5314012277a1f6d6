#pragma once
// BMP files: decoded into a colour bitmap of the file's own size, or refused.

#include <memory>
#include <string>

#include "base/surface.h"

// Null when the file is missing, not a BMP, truncated, corrupt or too large.
std::unique_ptr<Bitmap> loadBitmapFile(const std::string& hostPath);
