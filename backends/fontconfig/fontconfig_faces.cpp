#include "backends/fontconfig/fontconfig_faces.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string_view>

#include "base/file_bytes.h"

namespace {

constexpr const char* kMincho = "IPAMincho";
constexpr const char* kGothic = "IPAGothic";
// Font files are read whole; none nev could use is larger.
constexpr uint64_t kLargestFontFile = uint64_t{64} << 20;

void appendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | point >> 6);
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | point >> 12);
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

// Full-width katakana for the half-width forms U+FF66 to U+FF9D.
constexpr std::u32string_view kFullKatakana =
    U"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
    U"ヤユヨラリルレロワン";

// "ＭＳ　明朝", "MS 明朝", "ｍｓ ｺﾞｼｯｸ" and "ms mincho" all name the same face: full-width
// letters and half-width katakana folded, case and spaces ignored.
std::string faceKey(const std::string& faceName) {
  std::u32string points;
  for (size_t at = 0; at < faceName.size();) {
    const auto lead = static_cast<uint8_t>(faceName[at]);
    const int length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : 4;
    if (at + length > faceName.size()) break;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) point = point << 6 | (faceName[at + i] & 0x3F);
    at += length;
    if (point >= 0xFF01 && point <= 0xFF5E) point -= 0xFEE0;  // full-width ASCII
    if (point == 0x3000) point = ' ';
    if (point >= 'A' && point <= 'Z') point += 'a' - 'A';
    if (point >= 0xFF66 && point <= 0xFF9D) point = kFullKatakana[point - 0xFF66];
    if ((point == 0xFF9E || point == 0xFF9F) && !points.empty()) {  // sound marks join the kana
      points.back() += point == 0xFF9E ? 1 : 2;
      continue;
    }
    if (point != ' ') points += point;
  }
  std::string key;
  for (char32_t point : points) appendUtf8(key, point);
  return key;
}

bool isMinchoFace(const std::string& key) {
  return key == "ms明朝" || key == "msp明朝" || key == "msmincho" || key == "mspmincho";
}

bool isGothicFace(const std::string& key) {
  return key == "msゴシック" || key == "mspゴシック" || key == "msuiゴシック" ||
         key == "msgothic" || key == "mspgothic" || key == "msuigothic";
}

struct Location {
  std::string file;
  int32_t faceIndex = 0;
  std::string family;
};

std::optional<Location> locationOf(FcPattern* font) {
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  Location location{reinterpret_cast<const char*>(file), index, {}};
  FcChar8* family = nullptr;
  if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch) {
    location.family = reinterpret_cast<const char*>(family);
  }
  return location;
}

// The regular face of an installed family, by any of its names; nothing when it is not
// installed (fontconfig would otherwise offer some other face in its place).
std::optional<Location> installedFamily(FcConfig* config, const std::string& family) {
  if (family.empty()) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return std::nullopt;
  std::optional<Location> location;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
      location = locationOf(match);
      if (location) location->family = family;
      break;
    }
  }
  FcPatternDestroy(match);
  return location;
}

// IPA Mincho; else the first Japanese family by name; else the desktop's default face.
std::optional<Location> fallback(FcConfig* config) {
  if (std::optional<Location> mincho = installedFamily(config, kMincho)) return mincho;
  std::optional<Location> found;
  FcPattern* japanese = FcPatternCreate();
  FcLangSet* languages = FcLangSetCreate();
  FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddLangSet(japanese, FC_LANG, languages);
  FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(config, japanese, fields);
  std::set<std::string> families;
  for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
      families.insert(reinterpret_cast<const char*>(family));
    }
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(fields);
  FcLangSetDestroy(languages);
  FcPatternDestroy(japanese);
  for (const std::string& family : families) {
    if ((found = installedFamily(config, family))) break;
  }
  if (!found) {
    FcPattern* anything = FcPatternCreate();
    FcConfigSubstitute(config, anything, FcMatchPattern);
    FcDefaultSubstitute(anything);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, anything, &result)) {
      found = locationOf(match);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(anything);
  }
  static std::once_flag warned;
  std::call_once(warned, [&found] {
    std::fprintf(stderr, "nev: IPAMincho not found (install fonts-ipafont-mincho); using %s\n",
                 found ? found->family.c_str() : "no font");
  });
  return found;
}

std::optional<Location> lookUpFace(FcConfig* config, const std::string& faceName) {
  const std::string key = faceKey(faceName);
  std::optional<Location> location;
  if (isMinchoFace(key)) {
    location = installedFamily(config, kMincho);
  } else if (isGothicFace(key)) {
    location = installedFamily(config, kGothic);
  } else {
    location = installedFamily(config, faceName);
  }
  return location ? location : fallback(config);
}

// Lookups and file bytes, kept for as long as any rasterizer holds the source: a font
// database scan is far slower than drawing a glyph.
class FaceCache {
 public:
  // The process's configuration, loaded once and shared.
  FaceCache() : config_(FcConfigReference(nullptr)) {}
  ~FaceCache() {
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  FaceCache(const FaceCache&) = delete;
  FaceCache& operator=(const FaceCache&) = delete;

  std::optional<FontFile> fileFor(const std::string& faceName) {
    std::lock_guard<std::mutex> hold(lock_);
    if (config_ == nullptr) return std::nullopt;
    auto found = locations_.find(faceName);
    if (found == locations_.end()) {
      found = locations_.emplace(faceName, lookUpFace(config_, faceName)).first;
    }
    if (!found->second) return std::nullopt;
    std::shared_ptr<const std::string>& bytes = bytesByFile_[found->second->file];
    if (bytes == nullptr) {
      std::optional<std::string> read = readWholeFile(found->second->file, kLargestFontFile);
      if (!read) return std::nullopt;
      bytes = std::make_shared<const std::string>(std::move(*read));
    }
    return FontFile{bytes, found->second->faceIndex};
  }

 private:
  std::mutex lock_;
  FcConfig* config_;
  std::map<std::string, std::optional<Location>> locations_;
  std::map<std::string, std::shared_ptr<const std::string>> bytesByFile_;
};

}  // namespace

FaceSource fontconfigFaces() {
  auto cache = std::make_shared<FaceCache>();
  return [cache](const std::string& faceName) { return cache->fileFor(faceName); };
}
