#pragma once
// Frames written as PNG files, and read back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/surface.h"

// Writes the pixels (0x00RRGGBB, top byte ignored) as an opaque RGB PNG. False on failure.
bool writePngFile(const std::string& hostPath, const Pixel* pixels, int32_t width, int32_t height);

// The same PNG file's bytes, made in memory; empty on failure.
std::vector<uint8_t> pngFileBytes(const Pixel* pixels, int32_t width, int32_t height);

struct PngPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Pixel> pixels;  // 0x00RRGGBB, rows top first; any transparency is dropped
};

// Nothing when the file is missing or not a PNG nev can decode.
std::optional<PngPicture> readPngFile(const std::string& hostPath);
