#include "base/font.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/codepage.h"
#include "base/surface.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// What a unit's bytes decode to, with the bytes that do not decode left out: a stray byte
// draws nothing rather than a replacement box.
std::string textOfUnit(uint8_t first, uint8_t second) {
  std::string bytes(1, static_cast<char>(first));
  if (second != 0) bytes.push_back(static_cast<char>(second));
  std::string decoded = cp932ToUtf8(bytes);
  std::string text;
  for (size_t at = 0; at < decoded.size();) {
    if (decoded.compare(at, kReplacementCharacter.size(), kReplacementCharacter) == 0) {
      at += kReplacementCharacter.size();
    } else {
      text.push_back(decoded[at++]);
    }
  }
  // A nul ends the text, as it ends a string.
  text.resize(std::min(text.size(), text.find('\0')));
  return text;
}

uint8_t channel(Pixel pixel, int shift) {
  return static_cast<uint8_t>(pixel >> shift & 0xFF);
}

Pixel blend(Pixel ink, Pixel under, uint32_t coverage) {
  Pixel result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t mixed =
        (channel(ink, shift) * coverage + channel(under, shift) * (255 - coverage) + 127) / 255;
    result |= mixed << shift;
  }
  return result;
}

// Positions are 64-bit so that far-off coordinates clip instead of overflowing.
void fillClipped(Bitmap& bitmap, int64_t left, int64_t top, int64_t right, int64_t bottom,
                 Pixel pixel) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, bitmap.width);
  bottom = std::min<int64_t>(bottom, bitmap.height);
  for (int64_t y = top; y < bottom; ++y) {
    for (int64_t x = left; x < right; ++x) bitmap.pixels[y * bitmap.width + x] = pixel;
  }
}

void drawMask(Bitmap& bitmap, int64_t x, int64_t y, const GlyphMask& mask, Pixel ink) {
  if (mask.width <= 0 || mask.height <= 0 ||
      mask.coverage.size() < static_cast<size_t>(mask.width) * mask.height) {
    return;
  }
  const int64_t left = x + mask.left;
  const int64_t top = y + mask.top;
  const int64_t fromRow = std::max<int64_t>(0, -top);
  const int64_t toRow = std::min<int64_t>(mask.height, bitmap.height - top);
  const int64_t fromColumn = std::max<int64_t>(0, -left);
  const int64_t toColumn = std::min<int64_t>(mask.width, bitmap.width - left);
  for (int64_t row = fromRow; row < toRow; ++row) {
    const uint8_t* coverage = mask.coverage.data() + row * mask.width;
    Pixel* target = bitmap.pixels.data() + (top + row) * bitmap.width + left;
    for (int64_t column = fromColumn; column < toColumn; ++column) {
      const uint8_t amount = coverage[column];
      if (amount == 255) {
        target[column] = ink;
      } else if (amount != 0) {
        target[column] = blend(ink, target[column], amount);
      }
    }
  }
}

}  // namespace

std::unique_ptr<Font> createFont(GlyphRasterizer& rasterizer, const FontSpec& wanted) {
  if (!rasterizer.canMake(wanted)) return nullptr;
  auto font = std::make_unique<Font>();
  font->attributes = wanted;
  font->rasterizer = &rasterizer;
  return font;
}

const GlyphMask& glyphOfUnit(Font& font, uint8_t first, uint8_t second) {
  const uint16_t unit = static_cast<uint16_t>(first << 8 | second);
  std::lock_guard<std::mutex> hold(font.cacheLock);
  auto found = font.glyphs.find(unit);
  if (found != font.glyphs.end()) return found->second;
  GlyphMask mask;
  const std::string text = textOfUnit(first, second);
  if (!text.empty() && font.rasterizer != nullptr) {
    mask = font.rasterizer->rasterize(font.attributes, text);
  }
  // Elements of an unordered_map stay put when it grows, so the reference outlives the lock.
  return font.glyphs.emplace(unit, std::move(mask)).first->second;
}

std::u32string codePointsOf(std::string_view text) {
  std::u32string points;
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<uint8_t>(text[at]);
    const int length = lead < 0x80         ? 1
                       : lead >> 5 == 0x6  ? 2
                       : lead >> 4 == 0xE  ? 3
                       : lead >> 3 == 0x1E ? 4
                                           : 0;
    if (length == 0 || at + length > text.size()) break;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
      point = point << 6 | (static_cast<uint8_t>(text[at + i]) & 0x3F);
    points.push_back(point);
    at += length;
  }
  return points;
}

std::string utf8Of(char32_t point) {
  std::string out;
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | point >> 6);
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | point >> 12);
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | point >> 18);
    out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
  return out;
}

const GlyphMask& glyphOfCharacter(Font& font, char32_t point) {
  std::lock_guard<std::mutex> hold(font.cacheLock);
  auto found = font.characters.find(point);
  if (found != font.characters.end()) return found->second;
  GlyphMask mask;
  if (font.rasterizer != nullptr) mask = font.rasterizer->rasterize(font.attributes, utf8Of(point));
  return font.characters.emplace(point, std::move(mask)).first->second;
}

void drawGlyph(DrawingContext& context, int32_t x, int32_t y, const GlyphMask& glyph) {
  if (context.bitmap == nullptr || context.bitmap->monochrome) return;
  drawMask(*context.bitmap, x, y, glyph, pixelOf(context.textColour));
}

void textOut(DrawingContext& context, int32_t x, int32_t y, const char* bytes, int32_t count) {
  Bitmap* bitmap = context.bitmap;
  if (context.font == nullptr || bitmap == nullptr || bitmap->monochrome || bytes == nullptr) {
    return;
  }
  // A unit takes the width of its bytes: half an em a byte, as code page 932 text lays out.
  const int64_t em = std::abs(int64_t{context.font->attributes.height});
  const Pixel ink = pixelOf(context.textColour);
  int64_t cellX = x;
  for (int32_t at = 0; at < count; at += 2) {
    const uint8_t first = static_cast<uint8_t>(bytes[at]);
    const uint8_t second = at + 1 < count ? static_cast<uint8_t>(bytes[at + 1]) : 0;
    const GlyphMask& mask = glyphOfUnit(*context.font, first, second);
    const int64_t cellWidth = second != 0 ? em : em / 2;
    if (context.backgroundMode == BackgroundMode::Opaque) {
      // The em cell, grown to take in any ink that reaches outside it.
      int64_t left = 0, top = 0, right = cellWidth, bottom = em;
      if (mask.width > 0 && mask.height > 0) {
        left = std::min<int64_t>(left, mask.left);
        top = std::min<int64_t>(top, mask.top);
        right = std::max<int64_t>(right, int64_t{mask.left} + mask.width);
        bottom = std::max<int64_t>(bottom, int64_t{mask.top} + mask.height);
      }
      fillClipped(*bitmap, cellX + left, y + top, cellX + right, y + bottom,
                  pixelOf(context.backgroundColour));
    }
    drawMask(*bitmap, cellX, y, mask, ink);
    cellX += cellWidth;
  }
}
