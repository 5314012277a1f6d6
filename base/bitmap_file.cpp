#include "base/bitmap_file.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <iterator>
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
  uint32_t tableEntries = 0;  // 8 bits a pixel or fewer
};

uint8_t byteAt(const Bytes& file, size_t at) {
  return static_cast<uint8_t>(file[at]);
}

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
    layout.tableEntries = coloursUsed == 0 || coloursUsed > fullTable ? fullTable : coloursUsed;
    const uint64_t tableEnd =
        headerEnd + uint64_t{layout.tableEntries} * (layout.headerSize == kCoreHeaderSize ? 3 : 4);
    if (tableEnd > file.size()) return std::nullopt;
  }
  // Pixels may start inside a colour table longer than the picture needs, as some writers
  // leave it; the table is read from the file either way.
  if (layout.dataOffset < masksEnd || layout.dataOffset >= file.size()) return std::nullopt;

  // Runs can leave most of a picture unwritten, so a few bytes may claim any size; past a
  // generous measure of what the data could draw, the claim is refused before anything is
  // allocated for it.
  const uint64_t claimed = uint64_t{static_cast<uint32_t>(layout.width)} * layout.height;
  if (runLength && claimed > kFreeRunLengthPixels +
                                 kRunLengthPixelsPerByte * (file.size() - layout.dataOffset)) {
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

bool isRunLength(const Layout& layout) {
  return layout.compression == kRunLength8 || layout.compression == kRunLength4;
}

// Colour table indices as rows of `pitch` bytes, top row first, with which of them the file set.
struct Indices {
  int32_t pitch = 0;
  std::vector<uint8_t> values;
  std::vector<bool> written;  // empty: every pixel was
};

// Runs are walked in memory as the picture's rows laid end to end, bottom row last, each padded
// to four bytes: a run past a row's end spills into the row below it, offsets are never
// clamped, and writes outside the picture are dropped. Pixels no run reaches stay unset. A
// stream that stops before its end-of-bitmap mark is refused.
bool readRuns(const Bytes& file, const Layout& layout, Indices& indices) {
  const int64_t size = static_cast<int64_t>(indices.values.size());
  indices.written.assign(indices.values.size(), false);
  int64_t row = size - indices.pitch;
  int64_t offset = 0;
  auto put = [&](uint8_t index) {
    const int64_t at = row + offset++;
    if (at < 0 || at >= size) return;
    indices.values[at] = index;
    indices.written[at] = true;
  };
  const bool fourBits = layout.compression == kRunLength4;
  size_t at = layout.dataOffset;
  auto next = [&](uint8_t& byte) {
    if (at >= file.size()) return false;
    byte = byteAt(file, at++);
    return true;
  };
  for (;;) {
    uint8_t count, code;
    if (!next(count) || !next(code)) return false;
    if (count != 0) {  // a run of one index, or of two alternating nibbles
      for (int i = 0; i < count; ++i) {
        put(fourBits ? (i % 2 == 0 ? code >> 4 : code & 0x0F) : code);
      }
    } else if (code == 0) {  // end of line
      offset = 0;
      row -= indices.pitch;
    } else if (code == 1) {  // end of bitmap
      return true;
    } else if (code == 2) {  // skip right and up
      uint8_t right, up;
      if (!next(right) || !next(up)) return false;
      offset += right;
      row -= int64_t{up} * indices.pitch;
    } else {  // `code` literal pixels, padded to a 16-bit boundary
      uint8_t byte = 0;
      for (int i = 0; i < code; ++i) {
        if (!fourBits) {
          if (!next(byte)) return false;
          put(byte);
        } else if (i % 2 == 0) {
          if (!next(byte)) return false;
          put(byte >> 4);
        } else {
          put(byte & 0x0F);
        }
      }
      const size_t bytes = fourBits ? (code + 1) / 2 : code;
      if (bytes % 2 == 1 && !next(byte)) return false;
    }
  }
}

// The header checks have made sure every row is in the file. An index past the colour table
// refuses the picture.
bool readIndexRows(const Bytes& file, const Layout& layout, Indices& indices) {
  const size_t rowBytes = (size_t{layout.bitCount} * layout.width + 31) / 32 * 4;
  const uint32_t perByte = 8 / layout.bitCount;
  const uint32_t valueMask = (1u << layout.bitCount) - 1;
  for (int32_t y = 0; y < layout.height; ++y) {
    const int32_t stored = layout.topDown ? y : layout.height - 1 - y;
    const size_t from = layout.dataOffset + rowBytes * stored;
    uint8_t* out = indices.values.data() + static_cast<size_t>(y) * indices.pitch;
    for (int32_t x = 0; x < layout.width; ++x) {
      const uint8_t byte = byteAt(file, from + x / perByte);
      const uint32_t shift = 8 - layout.bitCount * (x % perByte + 1);
      out[x] = static_cast<uint8_t>(byte >> shift & valueMask);
      if (out[x] >= layout.tableEntries) return false;
    }
  }
  return true;
}

std::unique_ptr<Bitmap> decodeIndexed(const Bytes& file, const Layout& layout) {
  std::unique_ptr<Bitmap> bitmap = blackBitmap(layout.width, layout.height);
  if (!bitmap) return nullptr;
  Indices indices;
  indices.pitch = (layout.width + 3) / 4 * 4;
  try {
    indices.values.assign(static_cast<size_t>(indices.pitch) * layout.height, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (isRunLength(layout)) {
    if (!readRuns(file, layout, indices)) return nullptr;
  } else if (!readIndexRows(file, layout, indices)) {
    return nullptr;
  }
  const size_t tableAt = kFileHeaderSize + layout.headerSize;
  const size_t entrySize = layout.headerSize == kCoreHeaderSize ? 3 : 4;
  Pixel* out = bitmap->pixels.data();
  for (int32_t y = 0; y < layout.height; ++y) {
    for (int32_t x = 0; x < layout.width; ++x, ++out) {
      const size_t at = static_cast<size_t>(y) * indices.pitch + x;
      const uint8_t index = indices.values[at];
      // Skipped by the runs, or outside the table: left black.
      if ((!indices.written.empty() && !indices.written[at]) || index >= layout.tableEntries)
        continue;
      const size_t entry = tableAt + entrySize * index;
      *out = Pixel{byteAt(file, entry + 2)} << 16 | Pixel{byteAt(file, entry + 1)} << 8 |
             byteAt(file, entry);
    }
  }
  return bitmap;
}

// A field narrower than a byte is scaled to 0-255, rounding down; a wider one keeps its top
// eight bits.
uint8_t channelOf(uint32_t value, uint32_t mask) {
  const int width = std::popcount(mask);
  const uint32_t field = (value & mask) >> std::countr_zero(mask);
  if (width >= 8) return static_cast<uint8_t>(field >> (width - 8));
  return static_cast<uint8_t>(field * 255 / ((1u << width) - 1));
}

std::unique_ptr<Bitmap> decodeFields(const Bytes& file, const Layout& layout, const Masks& masks) {
  std::unique_ptr<Bitmap> bitmap = blackBitmap(layout.width, layout.height);
  if (!bitmap) return nullptr;
  const size_t bytesPerPixel = layout.bitCount / 8;
  const size_t rowBytes = (size_t{layout.bitCount} * layout.width + 31) / 32 * 4;
  Pixel* out = bitmap->pixels.data();
  for (int32_t y = 0; y < layout.height; ++y) {
    const int32_t stored = layout.topDown ? y : layout.height - 1 - y;
    size_t at = layout.dataOffset + rowBytes * stored;
    for (int32_t x = 0; x < layout.width; ++x, at += bytesPerPixel) {
      uint32_t value = 0;
      for (size_t b = 0; b < bytesPerPixel; ++b) value |= uint32_t{byteAt(file, at + b)} << (8 * b);
      *out++ = Pixel{channelOf(value, masks.red)} << 16 |
               Pixel{channelOf(value, masks.green)} << 8 | channelOf(value, masks.blue);
    }
  }
  return bitmap;
}

// 16-bit arrangements in common use, and 32-bit ones of whole bytes or ten-bit colour, each as
// red, green, blue and alpha.
constexpr uint32_t kCommon16[][4] = {
    {0x7C00, 0x03E0, 0x001F, 0},      {0x001F, 0x03E0, 0x7C00, 0},
    {0xF800, 0x07E0, 0x001F, 0},      {0x001F, 0x07E0, 0xF800, 0},
    {0x003F, 0x07C0, 0xF800, 0},      {0x0F00, 0x00F0, 0x000F, 0xF000},
    {0xF000, 0x0F00, 0x00F0, 0x000F}, {0x000F, 0x00F0, 0x0F00, 0xF000},
    {0x00F0, 0x0F00, 0xF000, 0x000F}, {0x7C00, 0x03E0, 0x001F, 0x8000},
    {0xF800, 0x07C0, 0x003E, 0x0001}, {0x001F, 0x03E0, 0x7C00, 0x8000},
    {0x003E, 0x07C0, 0xF800, 0x0001}};
constexpr uint32_t kCommon32[][4] = {{0x00FF0000, 0x0000FF00, 0x000000FF, 0},
                                     {0xFF000000, 0x00FF0000, 0x0000FF00, 0},
                                     {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
                                     {0x0000FF00, 0x00FF0000, 0xFF000000, 0},
                                     {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
                                     {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
                                     {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                                     {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
                                     {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}};

bool isCommonArrangement(uint16_t bitCount, const Masks& masks) {
  auto matches = [&masks](const uint32_t(&row)[4]) {
    return masks.red == row[0] && masks.green == row[1] && masks.blue == row[2] &&
           masks.alpha == row[3];
  };
  return bitCount == 16 ? std::any_of(std::begin(kCommon16), std::end(kCommon16), matches)
                        : std::any_of(std::begin(kCommon32), std::end(kCommon32), matches);
}

// The fields of a 16-, 24- or 32-bit picture. Besides the common arrangements, 32-bit pixels
// may hold whole-byte fields in any order, except in the 52- and 56-byte headers, whose masks
// older readers did not look for; other fields are refused, as they always were.
std::optional<Masks> fieldsOf(const Layout& layout) {
  if (layout.compression != kBitFields) {
    if (layout.bitCount == 16) return Masks{0x7C00, 0x03E0, 0x001F, 0};
    return Masks{0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  }
  const Masks& masks = layout.masks;
  if (isCommonArrangement(layout.bitCount, masks)) return masks;
  const bool wholeBytes = std::popcount(masks.red) == 8 && std::popcount(masks.green) == 8 &&
                          std::popcount(masks.blue) == 8;
  const bool laterHeader = layout.headerSize == 52 || layout.headerSize == 56;
  if (layout.bitCount != 32 || !wholeBytes || laterHeader) return std::nullopt;
  return masks;
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
  if (layout->bitCount <= 8) return decodeIndexed(file, *layout);
  const std::optional<Masks> masks = fieldsOf(*layout);
  return masks ? decodeFields(file, *layout, *masks) : nullptr;
}
