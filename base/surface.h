#pragma once
// The software drawing engine: bitmaps of 0x00RRGGBB pixels, drawing contexts with the state
// the system relies on, and the raster operations that draw between them. Plain C++; no
// toolkit, so pictures can be composed and checked without a display.

#include <cstdint>
#include <memory>
#include <vector>

// A colour as scripts and settings give it: red in bits 0-7, green 8-15, blue 16-23.
// A top byte of 2 marks a palette-relative colour, which acts as its red, green and blue.
using ColourValue = uint32_t;
// A pixel in a bitmap: 0x00RRGGBB, the top byte always 0.
using Pixel = uint32_t;

inline constexpr ColourValue makeColour(uint32_t red, uint32_t green, uint32_t blue) {
  return (red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16;
}
inline constexpr Pixel pixelOf(ColourValue colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}
inline constexpr ColourValue colourOf(Pixel pixel) {
  return (pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16;
}

// The pixel budget: bitmaps wider or taller than this, or of more pixels than the area limit
// (64 MiB a bitmap), are refused rather than allocated. A story's picture and a render's
// client are held to the same budget.
inline constexpr int32_t kLargestBitmapSide = 16384;
inline constexpr int64_t kLargestBitmapArea = int64_t{1} << 24;

inline constexpr ColourValue kBlack = 0x000000;
inline constexpr ColourValue kWhite = 0xFFFFFF;

// Raster-operation codes: bits 16-23 are the truth table, result bit = bit (4P + 2S + D).
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr uint32_t SRCAND = 0x008800C6;
inline constexpr uint32_t SRCPAINT = 0x00EE0086;
inline constexpr uint32_t DSTINVERT = 0x00550009;
inline constexpr uint32_t PATCOPY = 0x00F00021;

// Foreground mix modes for shapes.
inline constexpr int32_t R2_MASKNOTPEN = 3;  // D AND NOT colour
inline constexpr int32_t R2_COPYPEN = 13;    // colour

enum class BackgroundMode : int32_t { Transparent = 1, Opaque = 2 };

struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  bool monochrome = false;
  // Row-major from the top row. Colour bitmaps hold 0x00RRGGBB; monochrome ones 0 or 1.
  std::vector<Pixel> pixels;
};

// Colour bitmaps in the one pixel format every surface uses; they start black.
std::unique_ptr<Bitmap> createCompatibleBitmap(int32_t width, int32_t height);
// One plane, one bit a pixel; starts all 0.
std::unique_ptr<Bitmap> createMonochromeBitmap(int32_t width, int32_t height);

struct Font;  // platform/font.h

// A drawing context: a target with one bitmap selected and the state drawing uses.
struct DrawingContext {
  Bitmap* bitmap = nullptr;  // selected, not owned
  ColourValue brush = kWhite;  // solid brush: the pattern P of raster operations
  ColourValue pen = kBlack;    // solid pen, one pixel wide
  Font* font = nullptr;        // selected, not owned
  ColourValue textColour = kBlack;
  ColourValue backgroundColour = kWhite;
  BackgroundMode backgroundMode = BackgroundMode::Opaque;
  int32_t mixMode = R2_COPYPEN;
  int32_t mapMode = 1;  // one unit per pixel, origin top left
};

// Selecting returns what it replaces, so the caller can select it back before releasing.
Bitmap* selectBitmap(DrawingContext& context, Bitmap* bitmap);
ColourValue selectBrush(DrawingContext& context, ColourValue brush);
ColourValue selectPen(DrawingContext& context, ColourValue pen);
Font* selectFont(DrawingContext& context, Font* font);

// Rectangle copy from source (x, y come from the source at sx, sy) combined by `rasterCode`,
// clipped to both bitmaps. `source` may be null for codes that do not use it. Colour to
// monochrome: 1 where the source pixel equals the source's background colour. Monochrome to
// colour: 1 gives the target's background colour, 0 its text colour.
void bitBlt(DrawingContext& target, int32_t x, int32_t y, int32_t width, int32_t height,
            const DrawingContext* source, int32_t sx, int32_t sy, uint32_t rasterCode);

// bitBlt without a source: fill with the brush (PATCOPY) or any code that uses no source.
void patBlt(DrawingContext& target, int32_t x, int32_t y, int32_t width, int32_t height,
            uint32_t rasterCode);

// A rectangle, right and bottom exclusive.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Where presentation writes: any 0x00RRGGBB-like pixel memory (a window's image, a frame).
struct PixelTarget {
  Pixel* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;  // in pixels
  Pixel fill = 0;      // bits ORed into every pixel written (0xFF000000 for opaque RGB32)
};

// Scaled copy with COLORONCOLOR: destination column d takes source column
// floor(((2d + 1) * srcW - 1) / (2 * dstW)), rows likewise; nothing blends. Only the pixels
// of the destination rectangle inside `clip` (and inside the target) are written.
void stretchBlt(PixelTarget& target, const Rect& destination, const Bitmap& source,
                const Rect& sourceArea, const Rect& clip);

// A small copy of `width` × `height` pixels (rows `stride` apart) at `toWidth` × `toHeight`,
// each pixel the source pixel at its top left, for thumbnails: nothing blends. Only the colour
// bits are kept.
std::vector<Pixel> shrinkPixels(const Pixel* pixels, int32_t width, int32_t height,
                                int32_t stride, int32_t toWidth, int32_t toHeight);

// Rectangle (left, top) to (right, bottom) exclusive: its one-pixel border in the pen colour
// and its interior in the brush colour, each pixel combined once by the context's mix mode.
void drawRectangle(DrawingContext& context, int32_t left, int32_t top, int32_t right,
                   int32_t bottom);

// Draws code page 932 bytes (normally one two-byte unit) in the selected font with the text
// colour, the cell's top left at (x, y). With a transparent background only glyph pixels are
// painted. Without a selected font nothing is drawn.
void textOut(DrawingContext& context, int32_t x, int32_t y, const char* bytes, int32_t count);
