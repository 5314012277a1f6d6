#include "backends/web/font_file_faces.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include "base/file_bytes.h"

namespace {

// The largest font file read: IPA Mincho is 8 MB; anything far beyond is not a font meant here.
constexpr uint64_t kLargestFont = 64u << 20;

struct LoadedFile {
  std::once_flag once;
  std::shared_ptr<const std::string> bytes;
};

}  // namespace

FaceSource fontFileFaces(const std::string& hostPath) {
  auto loaded = std::make_shared<LoadedFile>();
  return [hostPath, loaded](const std::string&) -> std::optional<FontFile> {
    std::call_once(loaded->once, [&] {
      if (std::optional<std::string> bytes = readWholeFile(hostPath, kLargestFont)) {
        loaded->bytes = std::make_shared<const std::string>(std::move(*bytes));
      } else {
        std::fprintf(stderr, "nev: cannot read the font file %s\n", hostPath.c_str());
      }
    });
    if (!loaded->bytes) return std::nullopt;
    return FontFile{loaded->bytes, 0};
  };
}
