#pragma once
// The pixel work of the two picture commands: a bitmap file drawn into composeSurface with
// black as the transparent colour, or combined by a raster code; then overlaySurface and
// displaySurface rebuilt from it. Nothing here asks for a repaint.

#include <cstdint>
#include <memory>

#include "base/surface.h"

struct NevContext;

// The picture a story names, or null after the "FILE ERR" box naming the file.
std::unique_ptr<Bitmap> loadPicture(NevContext& context, const char* fileName);

// @G: the picture combined into composeSurface at (x, y) by `rasterCode`; `overlayEnabled` is
// the text window's, as finishPicture takes it.
void composeOpaque(NevContext& context, int32_t x, int32_t y, const char* fileName,
                   uint32_t rasterCode, int32_t overlayEnabled);

// @C: the picture drawn into composeSurface at (x, y), its black pixels left out.
void composeTransparent(NevContext& context, int32_t x, int32_t y, const char* fileName,
                        uint32_t rasterCode, int32_t overlayEnabled);

// The memory of the transparent draw's three work bitmaps, kept from one picture command to the
// next: making three screen-sized bitmaps afresh cost far more than drawing with them.
struct TransparentDrawWork {
  std::unique_ptr<Bitmap> cutOut;
  std::unique_ptr<Bitmap> mask;
  std::unique_ptr<Bitmap> work;
};

// Draws `picture` into `target` at (x, y); its pixels equal to `transparentColour` leave the
// target as it was. With `reuse`, the work bitmaps' memory comes from and goes back to it.
void drawTransparent(DrawingContext& target, Bitmap& picture, int32_t x, int32_t y, int32_t width,
                     int32_t height, ColourValue transparentColour,
                     TransparentDrawWork* reuse = nullptr);

// overlaySurface from composeSurface, darkened when overlayEnabled is 1, then over the whole of
// displaySurface, each copy combined by `rasterCode`.
void finishPicture(NevContext& context, uint32_t rasterCode, int32_t overlayEnabled);

// Darkens overlaySurface: every channel c becomes c AND NOT overlayLevel.
void applyOverlay(NevContext& context);
