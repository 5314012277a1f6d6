#include "base/story_data.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/output_target.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kLongestName = 40;
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr size_t kTemporaryTail = 6;  // mkstemp's letters

// FNV-1a: the same folder gives the same hash on every run and machine.
uint32_t pathHash(std::string_view bytes) {
  uint32_t hash = 0x811c9dc5u;
  for (const char byte : bytes) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 0x01000193u;
  }
  return hash;
}

bool isSafeNameByte(char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == '-';
}

std::string safeName(std::string_view component) {
  std::string name(component.substr(0, kLongestName));
  for (char& byte : name) {
    if (!isSafeNameByte(byte)) byte = '_';
  }
  return name.empty() ? "story" : name;
}

std::string dataHome() {
  // A relative XDG_DATA_HOME is to be ignored, as the base directory rules say.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  return (fs::path(home != nullptr ? home : "") / ".local/share").string();
}

bool writeAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count == 0) errno = EIO;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(count));
  }
  return true;
}

}  // namespace

std::string storyDataFolder(const std::string& absoluteStoryFolder) {
  return dataHome() + "/nev/" + storyDataName(absoluteStoryFolder);
}

std::string storyDataName(const std::string& absoluteStoryFolder) {
  // "/stories/a/" and "/stories/a" are one story.
  std::string_view folder = absoluteStoryFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  const size_t slash = folder.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? folder : folder.substr(slash + 1);
  char hash[9];
  std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(pathHash(folder)));
  return safeName(last) + "-" + hash;
}

std::optional<Problem> writeFileAtomically(const std::string& path, std::string_view bytes) {
  // A rename would put the file in place of a link, a pipe or a device.
  if (std::optional<Problem> refused = outputTargetProblem(path)) return refused;
  std::string temporary = path + std::string(kTemporaryMark) + "XXXXXX";
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) return fileProblem(ProblemKind::CannotWrite, path, std::strerror(errno));
  bool written = writeAll(descriptor, bytes) && fsync(descriptor) == 0;
  int failure = written ? 0 : errno;
  if (close(descriptor) != 0 && written) {
    written = false;
    failure = errno;
  }
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
    written = false;
    failure = errno;
  }
  if (!written) {
    ::unlink(temporary.c_str());
    return fileProblem(ProblemKind::CannotWrite, path, std::strerror(failure != 0 ? failure : EIO));
  }
  syncFolderOf(path);
  return std::nullopt;
}

void removeStaleTemporaries(const std::string& folder) {
  std::error_code error;
  const auto stale = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    const size_t mark = name.rfind(kTemporaryMark);
    std::error_code unknown;
    if (mark == std::string::npos || mark + kTemporaryMark.size() + kTemporaryTail != name.size() ||
        !entry.is_regular_file(unknown) || entry.is_symlink(unknown)) {
      continue;
    }
    if (entry.last_write_time(unknown) < stale && !unknown) fs::remove(entry.path(), unknown);
  }
}
