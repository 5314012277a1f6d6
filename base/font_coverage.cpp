#include "base/font_coverage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "base/font.h"

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
  for (const char32_t point : codePointsOf(text)) {
    if (point <= ' ' || point == 0x7F || hasCharacter(point)) continue;
    if (missing.find(point) == std::u32string::npos) missing += point;
  }
  std::string out;
  for (const char32_t point : missing) out += utf8Of(point);
  return out;
}
