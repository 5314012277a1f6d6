#include "base/sound_font.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "base/file_bytes.h"

namespace fs = std::filesystem;

namespace {

bool isSoundFontName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return extension == ".sf2" || extension == ".sf3";
}

}  // namespace

std::vector<std::string> standardSoundFontFolders() {
  return {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts",
          "/usr/local/share/soundfonts"};
}

std::optional<std::string> soundFontFault(const std::string& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return "no such file";
  if (!isRegularFile(path)) return "not a regular file";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "cannot be read";
  unsigned char header[12] = {};
  const size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  // A RIFF file of SoundFont (or DLS) samples, whole: FluidSynth refuses a cut one noisily.
  const std::string_view form(reinterpret_cast<const char*>(header) + 8, 4);
  const uint64_t riffSize =
      header[4] | header[5] << 8 | header[6] << 16 | uint64_t{header[7]} << 24;
  if (got < sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
      (form != "sfbk" && form != "DLS ")) {
    return "not a SoundFont";
  }
  if (riffSize + 8 != fs::file_size(path, error)) return "not a whole SoundFont file";
  return std::nullopt;
}

std::optional<std::string> findSoundFont(const char* chosen,
                                         const std::vector<std::string>& folders) {
  if (chosen != nullptr && *chosen != '\0' && !soundFontFault(chosen)) return std::string(chosen);
  for (const char* preferred : {"FluidR3_GM", "TimGM6mb"}) {
    for (const std::string& folder : folders) {
      for (const char* extension : {".sf2", ".sf3"}) {
        const fs::path path = fs::path(folder) / (std::string(preferred) + extension);
        if (!soundFontFault(path.string())) return path.string();
      }
    }
  }
  for (const std::string& folder : folders) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      if (isSoundFontName(it->path()) && !soundFontFault(it->path().string())) {
        found.push_back(it->path().string());
      }
    }
    // The same one every time, whatever order the folder lists them in.
    if (!found.empty()) return *std::min_element(found.begin(), found.end());
  }
  return std::nullopt;
}
