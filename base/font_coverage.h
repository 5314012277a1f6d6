#pragma once
// Which characters a font file can draw: a translation may use any character, and one the
// font lacks would show as an empty box.

#include <memory>
#include <string_view>

#include "base/freetype_glyph_rasterizer.h"

class FontCoverage {
 public:
  // Null when the bytes are no font FreeType can read.
  static std::unique_ptr<FontCoverage> open(const FontFile& file);
  ~FontCoverage();
  FontCoverage(const FontCoverage&) = delete;
  FontCoverage& operator=(const FontCoverage&) = delete;

  bool hasCharacter(char32_t point) const;
  // The characters of UTF-8 `text` the font cannot draw, each once, in the order met, as UTF-8.
  // Spaces and line controls need no glyph.
  std::string missingCharacters(std::string_view text) const;

 private:
  FontCoverage();
  struct Handles;
  FontFile file_;  // FreeType reads the bytes in place
  std::unique_ptr<Handles> handles_;
};
