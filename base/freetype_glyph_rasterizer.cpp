#include "base/freetype_glyph_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr int32_t kLargestHeight = 1000;
// Synthetic bold thickens small text only; large glyphs stay as drawn.
constexpr int32_t kLargestEmboldenedSize = 63;
constexpr int32_t kLargestHintedSize = 64;

bool sizeIsSane(int32_t height) {
  return height != 0 && std::abs(int64_t{height}) <= kLargestHeight;
}

}  // namespace

struct FreeTypeGlyphRasterizer::Library {
  FT_Library handle = nullptr;
  ~Library() {
    if (handle != nullptr) FT_Done_FreeType(handle);
  }
};

struct FreeTypeGlyphRasterizer::Face {
  FontFile file;  // FreeType reads the bytes in place for the face's whole life
  FT_Face handle = nullptr;
  // The face's ascent and descent in font units, from the table the desktop has always taken
  // them from.
  FT_Long ascender = 0;
  FT_Long descender = 0;
  bool canEmbolden = false;
  ~Face() {
    if (handle != nullptr) FT_Done_Face(handle);
  }
  // In 26.6 fixed point at a pixel size, rounded as FreeType scales.
  FT_Long scaled(FT_Long units, int32_t pixelSize) const {
    return FT_MulFix(units, FT_DivFix(FT_Long{pixelSize} * 64, handle->units_per_EM));
  }
  // The em size over the cell at the largest size, as exact as the measures allow.
  double emPerCell() const {
    const double cell =
        (scaled(ascender, kLargestHeight) + scaled(descender, kLargestHeight)) / 64.0;
    return cell > 0 ? kLargestHeight / cell : 1.0;
  }
};

FreeTypeGlyphRasterizer::FreeTypeGlyphRasterizer(FaceSource faces)
    : faces_(std::move(faces)), library_(std::make_unique<Library>()) {
  if (FT_Init_FreeType(&library_->handle) != 0) library_->handle = nullptr;
}

FreeTypeGlyphRasterizer::~FreeTypeGlyphRasterizer() {
  faceByName_.clear();  // faces before their library
}

FreeTypeGlyphRasterizer::Face* FreeTypeGlyphRasterizer::faceFor(const std::string& faceName) {
  auto found = faceByName_.find(faceName);
  if (found != faceByName_.end()) return found->second.get();
  std::unique_ptr<Face> face;
  std::optional<FontFile> file = faces_ ? faces_(faceName) : std::nullopt;
  if (auto added = addedFiles_.find(faceName); added != addedFiles_.end()) file = added->second;
  if (library_->handle != nullptr && file && file->bytes != nullptr) {
    face = std::make_unique<Face>();
    face->file = std::move(*file);
    const std::string& bytes = *face->file.bytes;
    if (FT_New_Memory_Face(library_->handle, reinterpret_cast<const FT_Byte*>(bytes.data()),
                           static_cast<FT_Long>(bytes.size()), face->file.faceIndex,
                           &face->handle) != 0 ||
        !FT_IS_SCALABLE(face->handle) || face->handle->units_per_EM == 0) {
      face.reset();
    }
  }
  if (face) {
    const FT_Face handle = face->handle;
    face->ascender = handle->ascender;
    face->descender = -handle->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(handle, FT_SFNT_OS2));
    constexpr FT_UShort kUseTypoMetrics = 1 << 7;
    if (os2 != nullptr && os2->version != 0xFFFF) {
      if (os2->fsSelection & kUseTypoMetrics) {
        face->ascender = os2->sTypoAscender;
        face->descender = -os2->sTypoDescender;
      } else if (os2->usWinAscent != 0 || os2->usWinDescent != 0) {
        face->ascender = os2->usWinAscent;
        face->descender = os2->usWinDescent;
      }
    }
    face->canEmbolden = !(handle->style_flags & FT_STYLE_FLAG_BOLD) && !FT_IS_FIXED_WIDTH(handle) &&
                        (os2 == nullptr || os2->usWeightClass < 700);
  }
  return faceByName_.emplace(faceName, std::move(face)).first->second.get();
}

bool FreeTypeGlyphRasterizer::addFaceFile(const std::string& faceName,
                                          std::shared_ptr<const std::string> bytes) {
  if (bytes == nullptr) return false;
  std::lock_guard<std::mutex> hold(lock_);
  addedFiles_[faceName] = FontFile{std::move(bytes), 0};
  faceByName_.erase(faceName);
  return faceFor(faceName) != nullptr;
}

bool FreeTypeGlyphRasterizer::canMake(const FontSpec& wanted) {
  if (!sizeIsSane(wanted.height)) return false;
  std::lock_guard<std::mutex> hold(lock_);
  return faceFor(wanted.faceName) != nullptr;
}

GlyphMask FreeTypeGlyphRasterizer::rasterize(const FontSpec& wanted, const std::string& text) {
  GlyphMask mask;
  if (!sizeIsSane(wanted.height)) return mask;
  std::lock_guard<std::mutex> hold(lock_);
  Face* face = faceFor(wanted.faceName);
  if (face == nullptr) return mask;
  const FT_Face handle = face->handle;
  // A negative height is the em size; a positive one the whole cell, ascent plus descent.
  const int32_t pixelSize =
      wanted.height < 0
          ? -wanted.height
          : std::max(1, static_cast<int32_t>(std::lround(wanted.height * face->emPerCell())));
  if (FT_Set_Pixel_Sizes(handle, 0, static_cast<FT_UInt>(pixelSize)) != 0) return mask;
  const auto ascent = static_cast<int32_t>((face->scaled(face->ascender, pixelSize) + 32) >> 6);
  const bool embolden =
      wanted.weight >= 700 && face->canEmbolden && pixelSize <= kLargestEmboldenedSize;
  // Large text has always been filled from its unhinted outline.
  const FT_Int32 loadFlags =
      FT_LOAD_TARGET_MONO | (pixelSize > kLargestHintedSize ? FT_LOAD_NO_HINTING : 0);

  // Each glyph's bits in place, the cell's top left at (0, 0) and the baseline at its ascent.
  struct Ink {
    int32_t left, top, width, height;
    std::vector<uint8_t> coverage;
  };
  std::vector<Ink> inks;
  int32_t pen = 0;
  for (const char32_t point : codePointsOf(text)) {
    const FT_UInt index = FT_Get_Char_Index(handle, point);
    if (FT_Load_Glyph(handle, index, loadFlags) != 0) continue;
    const FT_GlyphSlot slot = handle->glyph;
    if (embolden) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 && slot->bitmap.width > 0 &&
        slot->bitmap.rows > 0) {
      const FT_Bitmap& bits = slot->bitmap;
      Ink ink{pen + slot->bitmap_left,
              ascent - slot->bitmap_top,
              static_cast<int32_t>(bits.width),
              static_cast<int32_t>(bits.rows),
              {}};
      ink.coverage.resize(static_cast<size_t>(ink.width) * ink.height);
      for (int32_t y = 0; y < ink.height; ++y) {
        const unsigned char* row = bits.buffer + static_cast<ptrdiff_t>(y) * bits.pitch;
        for (int32_t x = 0; x < ink.width; ++x) {
          if (row[x >> 3] & (0x80 >> (x & 7)))
            ink.coverage[static_cast<size_t>(y) * ink.width + x] = 255;
        }
      }
      inks.push_back(std::move(ink));
    }
    pen += static_cast<int32_t>((slot->advance.x + 32) >> 6);
  }

  mask.advance = pen;
  // The mask is the smallest box that holds every inked pixel.
  int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const Ink& ink : inks) {
    for (int32_t y = 0; y < ink.height; ++y) {
      for (int32_t x = 0; x < ink.width; ++x) {
        if (ink.coverage[static_cast<size_t>(y) * ink.width + x] == 0) continue;
        left = std::min(left, ink.left + x);
        right = std::max(right, ink.left + x);
        top = std::min(top, ink.top + y);
        bottom = std::max(bottom, ink.top + y);
      }
    }
  }
  if (right < left) return mask;
  mask.left = left;
  mask.top = top;
  mask.width = right - left + 1;
  mask.height = bottom - top + 1;
  mask.coverage.assign(static_cast<size_t>(mask.width) * mask.height, 0);
  for (const Ink& ink : inks) {
    for (int32_t y = 0; y < ink.height; ++y) {
      for (int32_t x = 0; x < ink.width; ++x) {
        if (ink.coverage[static_cast<size_t>(y) * ink.width + x] == 0) continue;
        mask.coverage[static_cast<size_t>(ink.top + y - top) * mask.width + (ink.left + x - left)] =
            255;
      }
    }
  }
  return mask;
}
