#include "backends/web/font_file_faces.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include "base/file_bytes.h"
#include "engine/translation/language_settings.h"

namespace {

// The largest font file read: IPA Mincho is 8 MB; anything far beyond is not a font meant here.
constexpr uint64_t kLargestFont = 64u << 20;

struct LoadedFile {
  std::once_flag once;
  std::shared_ptr<const std::string> bytes;
};

}  // namespace

FaceSource fontFileFaces(const std::string& hostPath, const std::string& proportionalPath) {
  auto fixed = std::make_shared<LoadedFile>();
  auto proportional = std::make_shared<LoadedFile>();
  return [hostPath, proportionalPath, fixed, proportional](
             const std::string& faceName) -> std::optional<FontFile> {
    const bool wantsProportional = faceName == kTranslatedFaceName && !proportionalPath.empty();
    const std::string& path = wantsProportional ? proportionalPath : hostPath;
    LoadedFile* loaded = wantsProportional ? proportional.get() : fixed.get();
    std::call_once(loaded->once, [&] {
      if (std::optional<std::string> bytes = readWholeFile(path, kLargestFont)) {
        loaded->bytes = std::make_shared<const std::string>(std::move(*bytes));
      } else {
        std::fprintf(stderr, "nev: cannot read the font file %s\n", path.c_str());
      }
    });
    if (!loaded->bytes) return std::nullopt;
    return FontFile{loaded->bytes, 0};
  };
}
