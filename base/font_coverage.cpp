#include "base/font_coverage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

struct FontCoverage::Handles {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Handles() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

FontCoverage::FontCoverage() : handles_(std::make_unique<Handles>()) {}
FontCoverage::~FontCoverage() = default;

std::unique_ptr<FontCoverage> FontCoverage::open(const FontFile& file) {
  if (file.bytes == nullptr) return nullptr;
  std::unique_ptr<FontCoverage> coverage(new FontCoverage());
  coverage->file_ = file;
  Handles& handles = *coverage->handles_;
  if (FT_Init_FreeType(&handles.library) != 0) {
    handles.library = nullptr;
    return nullptr;
  }
  const std::string& bytes = *coverage->file_.bytes;
  if (FT_New_Memory_Face(handles.library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                         static_cast<FT_Long>(bytes.size()), file.faceIndex, &handles.face) != 0) {
    handles.face = nullptr;
    return nullptr;
  }
  if (FT_Select_Charmap(handles.face, FT_ENCODING_UNICODE) != 0) return nullptr;
  return coverage;
}

bool FontCoverage::hasCharacter(char32_t point) const {
  return FT_Get_Char_Index(handles_->face, point) != 0;
}

std::string FontCoverage::missingCharacters(std::string_view text) const {
  std::u32string missing;
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<uint8_t>(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : 4;
    if (at + length > text.size()) break;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) point = point << 6 | (text[at + i] & 0x3F);
    const std::string_view bytes = text.substr(at, length);
    at += length;
    if (point <= ' ' || point == 0x7F || hasCharacter(point)) continue;
    if (missing.find(point) != std::u32string::npos) continue;
    missing += point;
    out += bytes;
  }
  return out;
}
