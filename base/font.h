#pragma once
// Fonts and glyphs. A font turns a code page 932 unit into a glyph mask once and keeps it,
// so that typing a character never rasterises it again. The glyphs themselves come from a
// GlyphRasterizer: the desktop's font system, or a test's own.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The attributes a font is asked for (as a LOGFONT gives them).
struct FontSpec {
  int32_t height = 0;       // negative: character height in pixels; positive: cell height
  int32_t weight = 400;     // 700 is bold
  bool fixedPitch = false;
  int32_t charset = 0;      // 128: Shift-JIS
  std::string faceName;     // UTF-8, e.g. "ＭＳ 明朝"
  bool smooth = false;      // antialiased edges; off gives the crisp look of old stories
};

// The pixels of one unit's text, relative to the top-left corner of its cell.
struct GlyphMask {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> coverage;  // width * height, 0 to 255; only 0 or 255 unless smooth
  int32_t advance = 0;  // how far the pen moves past the text, for proportional layout
};

class GlyphRasterizer {
 public:
  virtual ~GlyphRasterizer() = default;
  // Draws `text` (UTF-8, one or two characters) with its cell's top left at (0, 0).
  virtual GlyphMask rasterize(const FontSpec& attributes, const std::string& text) = 0;
  // Whether a font with these attributes can be made at all.
  virtual bool canMake(const FontSpec& attributes) = 0;
  // Makes the font file `bytes` the face named `faceName` (a translation's own font); false
  // where a rasterizer takes no files.
  virtual bool addFaceFile(const std::string& faceName,
                           std::shared_ptr<const std::string> bytes) {
    (void)faceName;
    (void)bytes;
    return false;
  }
};

struct Font {
  FontSpec attributes;
  GlyphRasterizer* rasterizer = nullptr;
  std::mutex cacheLock;
  std::unordered_map<uint16_t, GlyphMask> glyphs;  // by unit: first byte << 8 | second
  std::unordered_map<char32_t, GlyphMask> characters;  // by code point, for UTF-8 text
};

// Null when the rasterizer cannot make the font.
std::unique_ptr<Font> createFont(GlyphRasterizer& rasterizer, const FontSpec& attributes);

// The glyph of one two-byte unit: a double-byte character is one glyph; two single-byte
// characters are two glyphs side by side; a second byte of 0 draws the first byte only; bytes
// that do not decode draw what cp932ToUtf8 makes of them, or nothing.
const GlyphMask& glyphOfUnit(Font& font, uint8_t first, uint8_t second);

// The glyph of one Unicode character, with its advance.
const GlyphMask& glyphOfCharacter(Font& font, char32_t point);

struct DrawingContext;
// Draws a glyph with its cell's top left at (x, y) in the context's text colour, over what is
// there.
void drawGlyph(DrawingContext& context, int32_t x, int32_t y, const GlyphMask& glyph);

// The code points of UTF-8 text; a broken sequence ends it.
std::u32string codePointsOf(std::string_view text);
std::string utf8Of(char32_t point);
