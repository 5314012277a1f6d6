#pragma once
// Frames written as PNG files.

#include <string>

#include "base/surface.h"

// Writes the pixels (0x00RRGGBB, top byte ignored) as an opaque RGB PNG. False on failure.
bool writePngFile(const std::string& hostPath, const Pixel* pixels, int32_t width, int32_t height);
