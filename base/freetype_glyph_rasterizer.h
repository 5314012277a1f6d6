#pragma once
// Glyphs drawn by FreeType from a font file's bytes: fully hinted and monochrome, so that text
// keeps the crisp look of old stories. Where the bytes come from is the host's business (the
// desktop asks fontconfig, other hosts bring their own), so this builds wherever FreeType does.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/font.h"

// One font file and the face inside it that draws a face name.
struct FontFile {
  std::shared_ptr<const std::string> bytes;
  int32_t faceIndex = 0;
};

// The font file for a face name ("ＭＳ 明朝"); nothing when no face can draw it. Called once a
// name for each rasterizer, from any thread.
using FaceSource = std::function<std::optional<FontFile>(const std::string& faceName)>;

// Each rasterizer has its own FreeType library and faces, behind one lock: FreeType objects
// are not shared between threads, and two sessions each make their own rasterizer.
class FreeTypeGlyphRasterizer final : public GlyphRasterizer {
 public:
  explicit FreeTypeGlyphRasterizer(FaceSource faces);
  ~FreeTypeGlyphRasterizer() override;
  FreeTypeGlyphRasterizer(const FreeTypeGlyphRasterizer&) = delete;
  FreeTypeGlyphRasterizer& operator=(const FreeTypeGlyphRasterizer&) = delete;

  GlyphMask rasterize(const FontSpec& wanted, const std::string& text) override;
  bool canMake(const FontSpec& wanted) override;
  bool addFaceFile(const std::string& faceName, std::shared_ptr<const std::string> bytes) override;

 private:
  struct Face;
  Face* faceFor(const std::string& faceName);  // under lock_

  FaceSource faces_;
  std::mutex lock_;
  struct Library;
  std::unique_ptr<Library> library_;
  std::unordered_map<std::string, std::unique_ptr<Face>> faceByName_;
  std::unordered_map<std::string, FontFile> addedFiles_;
};
