#include "base/bitmap_file.h"

#include <SDL.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

#include "base/file_bytes.h"

namespace {

using Bytes = std::string;

// Files are read whole before anything is decoded; larger ones are refused unread.

// A run-length picture may claim this many pixels, and this many more for each byte of its
// data; a real one, even of one colour, stays far below.
constexpr uint64_t kFreeRunLengthPixels = uint64_t{1} << 20;
constexpr uint64_t kRunLengthPixelsPerByte = 1024;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // 16-bit sides, 3-byte colour table entries
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2InfoHeaderSize = 64;  // its compression codes above 2 mean other things
constexpr uint32_t kMaskOffset = kFileHeaderSize + kInfoHeaderSize;

constexpr uint32_t kUncompressed = 0;
constexpr uint32_t kRunLength8 = 1;
constexpr uint32_t kRunLength4 = 2;
constexpr uint32_t kBitFields = 3;

struct Masks {
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  uint32_t alpha = 0;
};

// What a header says, once it has been found sound.
struct Layout {
  int32_t width = 0;
  int32_t height = 0;  // rows, whichever way they are stored
  uint32_t headerSize = 0;
  uint16_t bitCount = 0;
  uint32_t compression = kUncompressed;
  uint32_t dataOffset = 0;
  Masks masks;  // bit fields only, as the decoder will read them
  bool topDown = false;
};

uint8_t byteAt(const Bytes& file, size_t at) { return static_cast<uint8_t>(file[at]); }

uint32_t readLe16(const Bytes& file, size_t at) {
  return byteAt(file, at) | byteAt(file, at + 1) << 8;
}

uint32_t readLe32(const Bytes& file, size_t at) {
  return readLe16(file, at) | readLe16(file, at + 2) << 16;
}

bool isSoundMask(uint32_t mask) {
  if (mask == 0) return false;
  const uint32_t low = mask >> std::countr_zero(mask);
  return (low & (low + 1)) == 0;
}

bool areSoundMasks(const Masks& masks, uint16_t bitCount) {
  if (!isSoundMask(masks.red) || !isSoundMask(masks.green) || !isSoundMask(masks.blue)) {
    return false;
  }
  if (masks.alpha != 0 && !isSoundMask(masks.alpha)) return false;
  const uint32_t all = masks.red | masks.green | masks.blue | masks.alpha;
  const uint32_t sum = uint32_t{0} + std::popcount(masks.red) + std::popcount(masks.green) +
                       std::popcount(masks.blue) + std::popcount(masks.alpha);
  if (static_cast<uint32_t>(std::popcount(all)) != sum) return false;  // overlapping
  return bitCount == 32 || all >> bitCount == 0;
}

bool isKnownHeaderSize(uint32_t size) {
  return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
         size == kOs2InfoHeaderSize || size == 108 || size == 124;
}

bool isKnownEncoding(const Layout& layout) {
  const uint16_t bits = layout.bitCount;
  if (layout.headerSize == kCoreHeaderSize || layout.headerSize == kOs2InfoHeaderSize) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  } else if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return false;
  }
  switch (layout.compression) {
    case kUncompressed:
      return true;
    case kRunLength8:
      return bits == 8;
    case kRunLength4:
      return bits == 4;
    case kBitFields:
      return (bits == 16 || bits == 32) && layout.headerSize != kOs2InfoHeaderSize;
    default:
      return false;
  }
}

// Everything the decoders would otherwise trust: sides, encoding, and that every table and
// every uncompressed row lies inside the file.
std::optional<Layout> checkHeader(const Bytes& file) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
  Layout layout;
  layout.dataOffset = readLe32(file, 10);
  layout.headerSize = readLe32(file, kFileHeaderSize);
  if (!isKnownHeaderSize(layout.headerSize)) return std::nullopt;
  const uint64_t headerEnd = uint64_t{kFileHeaderSize} + layout.headerSize;
  if (headerEnd > file.size()) return std::nullopt;

  int64_t width, height;
  uint32_t planes, coloursUsed = 0;
  if (layout.headerSize == kCoreHeaderSize) {
    width = readLe16(file, 18);
    height = readLe16(file, 20);
    planes = readLe16(file, 22);
    layout.bitCount = static_cast<uint16_t>(readLe16(file, 24));
  } else {
    width = static_cast<int32_t>(readLe32(file, 18));
    height = static_cast<int32_t>(readLe32(file, 22));
    planes = readLe16(file, 26);
    layout.bitCount = static_cast<uint16_t>(readLe16(file, 28));
    layout.compression = readLe32(file, 30);
    coloursUsed = readLe32(file, 46);
  }
  layout.topDown = height < 0;
  if (layout.topDown) height = -height;
  if (width <= 0 || width > kLargestBitmapSide || height == 0 || height > kLargestBitmapSide ||
      width * height > kLargestBitmapArea) {
    return std::nullopt;
  }
  layout.width = static_cast<int32_t>(width);
  layout.height = static_cast<int32_t>(height);
  if (planes != 1 || !isKnownEncoding(layout)) return std::nullopt;
  const bool runLength = layout.compression == kRunLength8 || layout.compression == kRunLength4;
  if (runLength && layout.topDown) return std::nullopt;  // runs are only defined bottom-up

  uint64_t masksEnd = headerEnd;
  if (layout.compression == kBitFields) {
    if (layout.headerSize == kInfoHeaderSize) masksEnd += 12;  // masks follow the header
    if (masksEnd > file.size()) return std::nullopt;
    layout.masks = {readLe32(file, kMaskOffset), readLe32(file, kMaskOffset + 4),
                    readLe32(file, kMaskOffset + 8),
                    layout.headerSize >= 56 ? readLe32(file, kMaskOffset + 12) : 0};
    if (!areSoundMasks(layout.masks, layout.bitCount)) return std::nullopt;
  }
  if (layout.bitCount <= 8) {
    const uint32_t fullTable = uint32_t{1} << layout.bitCount;
    // The decoder reads no more than a full table, however many entries are claimed.
    const uint32_t entries = coloursUsed == 0 || coloursUsed > fullTable ? fullTable : coloursUsed;
    const uint64_t tableEnd =
        headerEnd + uint64_t{entries} * (layout.headerSize == kCoreHeaderSize ? 3 : 4);
    if (tableEnd > file.size()) return std::nullopt;
  }
  // Pixels may start inside a colour table longer than the picture needs, as some writers
  // leave it; the table is read from the file either way.
  if (layout.dataOffset < masksEnd || layout.dataOffset >= file.size()) return std::nullopt;

  // Runs can leave most of a picture unwritten, so a few bytes may claim any size; past a
  // generous measure of what the data could draw, the claim is refused before anything is
  // allocated for it.
  const uint64_t claimed = uint64_t{static_cast<uint32_t>(layout.width)} * layout.height;
  if (runLength &&
      claimed > kFreeRunLengthPixels + kRunLengthPixelsPerByte * (file.size() - layout.dataOffset)) {
    return std::nullopt;
  }
  if (!runLength) {
    const uint64_t rowBytes = (uint64_t{layout.bitCount} * layout.width + 31) / 32 * 4;
    if (rowBytes * layout.height > file.size() - layout.dataOffset) return std::nullopt;
  }
  return layout;
}

std::unique_ptr<Bitmap> blackBitmap(int32_t width, int32_t height) {
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->monochrome = false;
  try {
    bitmap->pixels.assign(static_cast<size_t>(width) * height, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return bitmap;
}

// Which bytes of the decoder's index surface a run-length stream wrote. The decoder leaves the
// rest at index 0, which would show as the first table colour; walking the stream the same way
// it does (rows bottom-up, offsets unclamped, writes outside the surface dropped) tells them
// apart. Only streams the decoder accepted get here, so it ends with its end-of-bitmap mark.
std::vector<bool> writtenByRuns(const Bytes& file, const Layout& layout, int32_t pitch) {
  const int64_t size = int64_t{pitch} * layout.height;
  std::vector<bool> written(size, false);
  int64_t row = size - pitch;
  int64_t offset = 0;
  auto write = [&](int64_t count) {
    for (; count > 0; --count, ++offset) {
      const int64_t at = row + offset;
      if (at >= 0 && at < size) written[at] = true;
    }
  };
  const bool fourBits = layout.compression == kRunLength4;
  size_t at = layout.dataOffset;
  while (at + 2 <= file.size()) {
    const uint8_t count = byteAt(file, at++);
    const uint8_t code = byteAt(file, at++);
    if (count != 0) {
      write(count);
    } else if (code == 0) {  // end of line
      offset = 0;
      row -= pitch;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // skip right and up
      if (at + 2 > file.size()) break;
      offset += byteAt(file, at++);
      row -= int64_t{byteAt(file, at++)} * pitch;
    } else {  // `code` literal pixels, padded to a 16-bit boundary
      write(code);
      const size_t bytes = fourBits ? (code + 1) / 2 : code;
      at += bytes + (bytes & 1);
    }
  }
  return written;
}

std::unique_ptr<Bitmap> fromIndexed(const SDL_Surface& surface, const Bytes& file,
                                    const Layout& layout) {
  if (surface.format->format != SDL_PIXELFORMAT_INDEX8) return nullptr;
  std::unique_ptr<Bitmap> bitmap = blackBitmap(surface.w, surface.h);
  if (!bitmap) return nullptr;
  const bool runLength = layout.compression == kRunLength8 || layout.compression == kRunLength4;
  const std::vector<bool> written =
      runLength ? writtenByRuns(file, layout, surface.pitch) : std::vector<bool>();
  const SDL_Palette& palette = *surface.format->palette;
  const auto* indices = static_cast<const uint8_t*>(surface.pixels);
  Pixel* out = bitmap->pixels.data();
  for (int32_t y = 0; y < surface.h; ++y) {
    for (int32_t x = 0; x < surface.w; ++x, ++out) {
      const size_t at = static_cast<size_t>(y) * surface.pitch + x;
      const uint8_t index = indices[at];
      // Skipped by the runs, or outside the table: left black.
      if ((runLength && !written[at]) || index >= palette.ncolors) continue;
      const SDL_Color& colour = palette.colors[index];
      *out = Pixel{colour.r} << 16 | Pixel{colour.g} << 8 | colour.b;
    }
  }
  return bitmap;
}

const uint8_t* rowOf(const SDL_Surface& surface, int32_t y) {
  return static_cast<const uint8_t*>(surface.pixels) + static_cast<size_t>(y) * surface.pitch;
}

// The per-pixel lookup widens every field by repeating its bits, so a full 6-bit green is 0xFF;
// the surface converter's 16-bit paths stop short of that (0xFE).
std::unique_ptr<Bitmap> from16Bits(const SDL_Surface& surface) {
  std::unique_ptr<Bitmap> bitmap = blackBitmap(surface.w, surface.h);
  if (!bitmap) return nullptr;
  Pixel* out = bitmap->pixels.data();
  for (int32_t y = 0; y < surface.h; ++y) {
    const uint8_t* row = rowOf(surface, y);
    for (int32_t x = 0; x < surface.w; ++x) {
      uint8_t red, green, blue;
      SDL_GetRGB(row[2 * x] | row[2 * x + 1] << 8, surface.format, &red, &green, &blue);
      *out++ = Pixel{red} << 16 | Pixel{green} << 8 | blue;
    }
  }
  return bitmap;
}

// Fields of eight bits or more, where the converter is exact or rounds.
std::unique_ptr<Bitmap> fromWideFields(const SDL_Surface& surface) {
  std::unique_ptr<Bitmap> bitmap = blackBitmap(surface.w, surface.h);
  if (!bitmap) return nullptr;
  if (SDL_ConvertPixels(surface.w, surface.h, surface.format->format, surface.pixels, surface.pitch,
                        SDL_PIXELFORMAT_RGB888, bitmap->pixels.data(),
                        surface.w * static_cast<int>(sizeof(Pixel))) != 0) {
    return nullptr;
  }
  for (Pixel& pixel : bitmap->pixels) pixel &= 0x00FFFFFF;
  return bitmap;
}

std::unique_ptr<Bitmap> decodeWithSdl(const Bytes& file, const Layout& layout) {
  SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
  if (stream == nullptr) return nullptr;
  SDL_Surface* surface = SDL_LoadBMP_RW(stream, 1);
  if (surface == nullptr) return nullptr;
  std::unique_ptr<Bitmap> bitmap;
  if (surface->w == layout.width && surface->h == layout.height) {
    if (surface->format->palette != nullptr) {
      bitmap = fromIndexed(*surface, file, layout);
    } else if (surface->format->BytesPerPixel == 2) {
      bitmap = from16Bits(*surface);
    } else {
      bitmap = fromWideFields(*surface);
    }
  }
  SDL_FreeSurface(surface);
  return bitmap;
}

// Bit fields in an arrangement SDL has no pixel format for. Only whole-byte fields are taken,
// which read exactly; the header checks have made sure every row is in the file.
std::unique_ptr<Bitmap> decodeBitFields(const Bytes& file, const Layout& layout) {
  // These headers carry their masks where older readers did not look for them; refused as before.
  if (layout.headerSize == 52 || layout.headerSize == 56) return nullptr;
  const Masks& masks = layout.masks;
  if (std::popcount(masks.red) != 8 || std::popcount(masks.green) != 8 ||
      std::popcount(masks.blue) != 8) {
    return nullptr;
  }
  std::unique_ptr<Bitmap> bitmap = blackBitmap(layout.width, layout.height);
  if (!bitmap) return nullptr;
  const size_t bytesPerPixel = layout.bitCount / 8;
  const size_t rowBytes = (size_t{layout.bitCount} * layout.width + 31) / 32 * 4;
  auto channel = [](uint32_t value, uint32_t mask) {
    return Pixel{(value & mask) >> std::countr_zero(mask)};
  };
  Pixel* out = bitmap->pixels.data();
  for (int32_t y = 0; y < layout.height; ++y) {
    const int32_t stored = layout.topDown ? y : layout.height - 1 - y;
    size_t at = layout.dataOffset + rowBytes * stored;
    for (int32_t x = 0; x < layout.width; ++x, at += bytesPerPixel) {
      uint32_t value = 0;
      for (size_t b = 0; b < bytesPerPixel; ++b) value |= uint32_t{byteAt(file, at + b)} << (8 * b);
      *out++ = channel(value, masks.red) << 16 | channel(value, masks.green) << 8 |
               channel(value, masks.blue);
    }
  }
  return bitmap;
}

}  // namespace

std::unique_ptr<Bitmap> loadBitmapFile(const std::string& hostPath) {
  const std::optional<Bytes> file = readWholeFile(hostPath, kLargestBitmapFile);
  if (!file) return nullptr;
  return decodeBitmapFile(*file);
}

std::unique_ptr<Bitmap> decodeBitmapFile(const Bytes& file) {
  const std::optional<Layout> layout = checkHeader(file);
  if (!layout) return nullptr;
  if (layout->compression == kBitFields) {
    const Masks& masks = layout->masks;
    if (SDL_MasksToPixelFormatEnum(layout->bitCount, masks.red, masks.green, masks.blue,
                                   masks.alpha) == SDL_PIXELFORMAT_UNKNOWN) {
      return decodeBitFields(file, *layout);
    }
  }
  std::unique_ptr<Bitmap> bitmap = decodeWithSdl(file, *layout);
  // SDL keeps its error text per thread and frees it only for threads it made itself; pictures
  // are loaded on the runner's thread.
  SDL_TLSCleanup();
  return bitmap;
}
