#include "base/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr Pixel kColourBits = 0x00FFFFFF;

std::unique_ptr<Bitmap> createBitmap(int32_t width, int32_t height, bool monochrome) {
  if (width <= 0 || height <= 0 || width > kLargestBitmapSide || height > kLargestBitmapSide) return nullptr;
  const int64_t area = int64_t{width} * height;
  if (area > kLargestBitmapArea) return nullptr;
  std::unique_ptr<Bitmap> bitmap(new (std::nothrow) Bitmap);
  if (!bitmap) return nullptr;
  bitmap->width = width;
  bitmap->height = height;
  bitmap->monochrome = monochrome;
  // A picture too large for memory is a failed creation, not a crash.
  try {
    bitmap->pixels.assign(static_cast<size_t>(area), 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return bitmap;
}

// A colour as it lands in a bitmap: palette-relative colours act as their red, green and blue;
// on one plane only white is 1.
Pixel pixelFor(ColourValue colour, bool monochrome) {
  const ColourValue rgb = colour & 0xFFFFFF;
  if (monochrome) return rgb == kWhite ? 1 : 0;
  return pixelOf(rgb);
}

Pixel allOrNothing(uint32_t bit) {
  return bit != 0 ? ~Pixel{0} : 0;
}

// --- Ternary raster operations -------------------------------------------------------------

enum class RasterKind { Copy, And, Paint, Invert, Pattern, Generic };

// The truth table with the pattern folded in, as the algebraic normal form in S and D:
// result = a0 ^ (a1 & D) ^ (a2 & S) ^ (a3 & S & D), each term a whole word, so every table
// costs the same few instructions and no branch per pixel.
struct RasterOperation {
  RasterKind kind = RasterKind::Generic;
  bool usesSource = false;
  Pixel pattern = 0;
  Pixel mask = kColourBits;
  Pixel a0 = 0, a1 = 0, a2 = 0, a3 = 0;
};

RasterOperation makeRasterOperation(uint32_t rasterCode, Pixel pattern, Pixel mask) {
  const uint32_t table = rasterCode >> 16 & 0xFF;
  RasterOperation operation;
  operation.usesSource = ((table >> 2 ^ table) & 0x33) != 0;
  operation.pattern = pattern & mask;
  operation.mask = mask;
  switch (table) {
    case SRCCOPY >> 16:
      operation.kind = RasterKind::Copy;
      break;
    case SRCAND >> 16:
      operation.kind = RasterKind::And;
      break;
    case SRCPAINT >> 16:
      operation.kind = RasterKind::Paint;
      break;
    case DSTINVERT >> 16:
      operation.kind = RasterKind::Invert;
      break;
    case PATCOPY >> 16:
      operation.kind = RasterKind::Pattern;
      break;
    default:
      operation.kind = RasterKind::Generic;
      break;
  }
  // c[2S + D]: the result word for that source and destination bit, the pattern decided.
  Pixel c[4];
  for (uint32_t i = 0; i < 4; ++i) {
    c[i] =
        (pattern & allOrNothing(table >> (4 + i) & 1)) | (~pattern & allOrNothing(table >> i & 1));
  }
  operation.a0 = c[0];
  operation.a1 = c[0] ^ c[1];
  operation.a2 = c[0] ^ c[2];
  operation.a3 = c[0] ^ c[1] ^ c[2] ^ c[3];
  return operation;
}

void combineRow(const RasterOperation& op, Pixel* __restrict target, const Pixel* __restrict source,
                int64_t count) {
  const Pixel mask = op.mask;
  switch (op.kind) {
    case RasterKind::Copy:
      for (int64_t i = 0; i < count; ++i) target[i] = source[i] & mask;
      return;
    case RasterKind::And:
      for (int64_t i = 0; i < count; ++i) target[i] = target[i] & source[i] & mask;
      return;
    case RasterKind::Paint:
      for (int64_t i = 0; i < count; ++i) target[i] = (target[i] | source[i]) & mask;
      return;
    case RasterKind::Invert:
      for (int64_t i = 0; i < count; ++i) target[i] = ~target[i] & mask;
      return;
    case RasterKind::Pattern:
      std::fill(target, target + count, op.pattern);
      return;
    case RasterKind::Generic:
      break;
  }
  const Pixel a0 = op.a0, a1 = op.a1, a2 = op.a2, a3 = op.a3;
  if (source == nullptr) {
    for (int64_t i = 0; i < count; ++i) target[i] = (a0 ^ (a1 & target[i])) & mask;
    return;
  }
  for (int64_t i = 0; i < count; ++i) {
    const Pixel s = source[i];
    const Pixel d = target[i];
    target[i] = (a0 ^ (a1 & d) ^ (a2 & s) ^ (a3 & s & d)) & mask;
  }
}

// Rows of source pixels already in the target's format.
struct SourceRows {
  const Pixel* first = nullptr;
  int64_t stride = 0;
};

void rasterOperation(DrawingContext& target, int32_t x, int32_t y, int32_t width, int32_t height,
                     const DrawingContext* source, int32_t sx, int32_t sy, uint32_t rasterCode) {
  Bitmap* canvas = target.bitmap;
  if (canvas == nullptr || width <= 0 || height <= 0) return;
  const bool monochrome = canvas->monochrome;
  const RasterOperation op = makeRasterOperation(rasterCode, pixelFor(target.brush, monochrome),
                                                 monochrome ? 1 : kColourBits);
  const Bitmap* picture = nullptr;
  if (op.usesSource) {
    if (source == nullptr || source->bitmap == nullptr) return;
    picture = source->bitmap;
  }

  int64_t left = std::max<int64_t>(x, 0);
  int64_t top = std::max<int64_t>(y, 0);
  int64_t right = std::min<int64_t>(int64_t{x} + width, canvas->width);
  int64_t bottom = std::min<int64_t>(int64_t{y} + height, canvas->height);
  // Target position = source position + offset.
  const int64_t offsetX = int64_t{x} - sx;
  const int64_t offsetY = int64_t{y} - sy;
  if (picture != nullptr) {
    left = std::max(left, offsetX);
    top = std::max(top, offsetY);
    right = std::min(right, picture->width + offsetX);
    bottom = std::min(bottom, picture->height + offsetY);
  }
  if (left >= right || top >= bottom) return;
  const int64_t columns = right - left;
  const int64_t rows = bottom - top;
  Pixel* targetRow = canvas->pixels.data() + top * canvas->width + left;

  if (picture == nullptr) {
    for (int64_t row = 0; row < rows; ++row, targetRow += canvas->width) {
      combineRow(op, targetRow, nullptr, columns);
    }
    return;
  }

  SourceRows from{picture->pixels.data() + (top - offsetY) * picture->width + (left - offsetX),
                  picture->width};
  // Within one bitmap every code reads the source as it was before the call.
  std::vector<Pixel> snapshot;
  if (picture == canvas && std::abs(offsetX) < columns && std::abs(offsetY) < rows) {
    snapshot.resize(static_cast<size_t>(columns * rows));
    for (int64_t row = 0; row < rows; ++row) {
      std::memcpy(snapshot.data() + row * columns, from.first + row * from.stride,
                  static_cast<size_t>(columns) * sizeof(Pixel));
    }
    from = {snapshot.data(), columns};
  }

  if (picture->monochrome == monochrome) {
    for (int64_t row = 0; row < rows; ++row, targetRow += canvas->width) {
      combineRow(op, targetRow, from.first + row * from.stride, columns);
    }
    return;
  }

  std::vector<Pixel> converted(static_cast<size_t>(columns));
  if (monochrome) {
    const Pixel background = pixelFor(source->backgroundColour, false);
    for (int64_t row = 0; row < rows; ++row, targetRow += canvas->width) {
      const Pixel* line = from.first + row * from.stride;
      for (int64_t i = 0; i < columns; ++i) {
        converted[i] = (line[i] & kColourBits) == background ? 1 : 0;
      }
      combineRow(op, targetRow, converted.data(), columns);
    }
    return;
  }
  const Pixel one = pixelFor(target.backgroundColour, false);
  const Pixel zero = pixelFor(target.textColour, false);
  for (int64_t row = 0; row < rows; ++row, targetRow += canvas->width) {
    const Pixel* line = from.first + row * from.stride;
    for (int64_t i = 0; i < columns; ++i) converted[i] = (line[i] & 1) != 0 ? one : zero;
    combineRow(op, targetRow, converted.data(), columns);
  }
}

// --- Scaling ----------------------------------------------------------------------------------

// Which source index each destination index in [first, first + count) takes, kept only while
// it lies inside [0, limit); the map only grows, so what is kept is one run.
struct AxisMap {
  int64_t firstKept = 0;
  std::vector<int32_t> sources;
};

AxisMap mapAxis(int64_t sourceStart, int64_t sourceSize, int64_t destinationSize, int64_t first,
                int64_t count, int64_t limit) {
  AxisMap map;
  map.firstKept = first;
  map.sources.reserve(static_cast<size_t>(count));
  // index(d) = floor(((2d + 1) * sourceSize - 1) / (2 * destinationSize)), stepped exactly:
  // the first numerator needs more than 64 bits only for absurd sizes.
  const int64_t divisor = 2 * destinationSize;
  const unsigned __int128 numerator =
      static_cast<unsigned __int128>(2 * first + 1) * static_cast<uint64_t>(sourceSize) - 1;
  int64_t quotient = static_cast<int64_t>(numerator / static_cast<uint64_t>(divisor));
  int64_t remainder = static_cast<int64_t>(numerator % static_cast<uint64_t>(divisor));
  const int64_t quotientStep = sourceSize / destinationSize;
  const int64_t remainderStep = 2 * (sourceSize % destinationSize);
  for (int64_t d = 0; d < count; ++d) {
    const int64_t index = sourceStart + quotient;
    if (index >= limit) break;
    if (index < 0) {
      ++map.firstKept;
    } else {
      map.sources.push_back(static_cast<int32_t>(index));
    }
    quotient += quotientStep;
    remainder += remainderStep;
    if (remainder >= divisor) {
      remainder -= divisor;
      ++quotient;
    }
  }
  return map;
}

// One row of a stretch's output from source pixels taken in order.
void presentRow(Pixel* out, const Pixel* in, size_t count, bool monochrome, Pixel fill) {
  if (monochrome) {
    for (size_t i = 0; i < count; ++i) out[i] = ((0 - (in[i] & 1)) & kColourBits) | fill;
  } else if (fill == 0) {
    std::memcpy(out, in, count * sizeof(Pixel));
  } else {
    for (size_t i = 0; i < count; ++i) out[i] = in[i] | fill;
  }
}

}  // namespace

std::unique_ptr<Bitmap> createCompatibleBitmap(int32_t width, int32_t height) {
  return createBitmap(width, height, false);
}

std::unique_ptr<Bitmap> createMonochromeBitmap(int32_t width, int32_t height) {
  return createBitmap(width, height, true);
}

Bitmap* selectBitmap(DrawingContext& context, Bitmap* bitmap) {
  return std::exchange(context.bitmap, bitmap);
}

ColourValue selectBrush(DrawingContext& context, ColourValue brush) {
  return std::exchange(context.brush, brush);
}

ColourValue selectPen(DrawingContext& context, ColourValue pen) {
  return std::exchange(context.pen, pen);
}

Font* selectFont(DrawingContext& context, Font* font) {
  return std::exchange(context.font, font);
}

void bitBlt(DrawingContext& target, int32_t x, int32_t y, int32_t width, int32_t height,
            const DrawingContext* source, int32_t sx, int32_t sy, uint32_t rasterCode) {
  rasterOperation(target, x, y, width, height, source, sx, sy, rasterCode);
}

void patBlt(DrawingContext& target, int32_t x, int32_t y, int32_t width, int32_t height,
            uint32_t rasterCode) {
  // Codes that read a source find none and draw nothing.
  rasterOperation(target, x, y, width, height, nullptr, 0, 0, rasterCode);
}

std::vector<Pixel> shrinkPixels(const Pixel* pixels, int32_t width, int32_t height,
                                int32_t stride, int32_t toWidth, int32_t toHeight) {
  if (width <= 0 || height <= 0 || toWidth <= 0 || toHeight <= 0) return {};
  std::vector<Pixel> small(size_t(toWidth) * size_t(toHeight));
  for (int32_t y = 0; y < toHeight; ++y) {
    const Pixel* row = pixels + int64_t{y} * height / toHeight * stride;
    for (int32_t x = 0; x < toWidth; ++x) {
      small[size_t(y) * size_t(toWidth) + size_t(x)] = row[int64_t{x} * width / toWidth] & 0xFFFFFF;
    }
  }
  return small;
}

void stretchBlt(PixelTarget& target, const Rect& destination, const Bitmap& source,
                const Rect& sourceArea, const Rect& clip) {
  if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 ||
      target.stride < target.width) {
    return;
  }
  const int64_t destinationWidth = int64_t{destination.right} - destination.left;
  const int64_t destinationHeight = int64_t{destination.bottom} - destination.top;
  const int64_t sourceWidth = int64_t{sourceArea.right} - sourceArea.left;
  const int64_t sourceHeight = int64_t{sourceArea.bottom} - sourceArea.top;
  if (destinationWidth <= 0 || destinationHeight <= 0 || sourceWidth <= 0 || sourceHeight <= 0) {
    return;
  }
  if (source.width <= 0 || source.height <= 0 ||
      source.pixels.size() < static_cast<size_t>(int64_t{source.width} * source.height)) {
    return;
  }
  const int64_t left = std::max<int64_t>({destination.left, clip.left, 0});
  const int64_t top = std::max<int64_t>({destination.top, clip.top, 0});
  const int64_t right = std::min<int64_t>({destination.right, clip.right, target.width});
  const int64_t bottom = std::min<int64_t>({destination.bottom, clip.bottom, target.height});
  if (left >= right || top >= bottom) return;

  // At the picture's own size every index maps to itself: a paint of a typed cell, the
  // commonest of all, costs a copy of its rows rather than an index map per paint.
  if (destinationWidth == sourceWidth && destinationHeight == sourceHeight) {
    const int64_t shiftX = int64_t{sourceArea.left} - destination.left;
    const int64_t shiftY = int64_t{sourceArea.top} - destination.top;
    const int64_t fromX = std::max(left, -shiftX);
    const int64_t toX = std::min(right, source.width - shiftX);
    const int64_t fromY = std::max(top, -shiftY);
    const int64_t toY = std::min(bottom, source.height - shiftY);
    if (fromX >= toX || fromY >= toY) return;
    for (int64_t y = fromY; y < toY; ++y) {
      presentRow(target.pixels + y * target.stride + fromX,
                 source.pixels.data() + (y + shiftY) * source.width + fromX + shiftX,
                 static_cast<size_t>(toX - fromX), source.monochrome, target.fill);
    }
    return;
  }

  const AxisMap columns = mapAxis(sourceArea.left, sourceWidth, destinationWidth,
                                  left - destination.left, right - left, source.width);
  const AxisMap rows = mapAxis(sourceArea.top, sourceHeight, destinationHeight,
                               top - destination.top, bottom - top, source.height);
  if (columns.sources.empty() || rows.sources.empty()) return;

  const int64_t firstColumn = destination.left + columns.firstKept;
  const int64_t firstRow = destination.top + rows.firstKept;
  const size_t count = columns.sources.size();
  const int32_t* map = columns.sources.data();
  const Pixel fill = target.fill;
  const Pixel* previous = nullptr;
  int32_t previousSource = -1;
  for (size_t r = 0; r < rows.sources.size(); ++r) {
    Pixel* out = target.pixels + (firstRow + static_cast<int64_t>(r)) * target.stride + firstColumn;
    const int32_t sourceRow = rows.sources[r];
    // Enlarging repeats rows: the row already made is copied instead of gathered again.
    if (sourceRow == previousSource) {
      std::memcpy(out, previous, count * sizeof(Pixel));
      continue;
    }
    const Pixel* in = source.pixels.data() + int64_t{sourceRow} * source.width;
    if (source.monochrome) {
      for (size_t i = 0; i < count; ++i) out[i] = ((0 - (in[map[i]] & 1)) & kColourBits) | fill;
    } else {
      for (size_t i = 0; i < count; ++i) out[i] = in[map[i]] | fill;
    }
    previous = out;
    previousSource = sourceRow;
  }
}

void drawRectangle(DrawingContext& context, int32_t left, int32_t top, int32_t right,
                   int32_t bottom) {
  Bitmap* canvas = context.bitmap;
  if (canvas == nullptr) return;
  const int64_t width = int64_t{right} - left;
  const int64_t height = int64_t{bottom} - top;
  if (width <= 0 || height <= 0) return;

  // Binary mix modes 1..16: table m - 1, result bit = bit (2 * colour + destination).
  const uint32_t table =
      static_cast<uint32_t>(context.mixMode >= 1 && context.mixMode <= 16 ? context.mixMode
                                                                          : R2_COPYPEN) -
      1;
  const bool monochrome = canvas->monochrome;
  const Pixel mask = monochrome ? 1 : kColourBits;
  struct Mix {
    Pixel whenZero;  // result where the destination bit is 0
    Pixel flip;      // bits that differ where it is 1
  };
  auto mixFor = [&](ColourValue colour) {
    const Pixel p = pixelFor(colour, monochrome);
    const Pixel zero = (p & allOrNothing(table >> 2 & 1)) | (~p & allOrNothing(table & 1));
    const Pixel one = (p & allOrNothing(table >> 3 & 1)) | (~p & allOrNothing(table >> 1 & 1));
    return Mix{zero, zero ^ one};
  };
  const Mix pen = mixFor(context.pen);
  const Mix brush = mixFor(context.brush);
  auto mixSpan = [&](Pixel* row, int64_t from, int64_t to, const Mix& mix) {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, canvas->width);
    for (int64_t i = from; i < to; ++i) row[i] = (mix.whenZero ^ (mix.flip & row[i])) & mask;
  };

  const int64_t firstRow = std::max<int64_t>(top, 0);
  const int64_t endRow = std::min<int64_t>(bottom, canvas->height);
  for (int64_t y = firstRow; y < endRow; ++y) {
    Pixel* row = canvas->pixels.data() + y * canvas->width;
    // Each pixel belongs to exactly one span, so none is mixed twice.
    if (y == top || y == int64_t{bottom} - 1 || width <= 2) {
      mixSpan(row, left, right, pen);
    } else {
      mixSpan(row, left, int64_t{left} + 1, pen);
      mixSpan(row, int64_t{left} + 1, int64_t{right} - 1, brush);
      mixSpan(row, int64_t{right} - 1, right, pen);
    }
  }
}
