#include "base/output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/story_files.h"

namespace fs = std::filesystem;

namespace {

// The kinds of file a story is made of, by name: a script named otherwise is not recognised.
bool isNamedAsStoryFile(const fs::path& path) {
  const std::string name = foldAsciiCase(path.filename().string());
  if (name == "nev.ini") return true;
  static constexpr std::array<std::string_view, 5> kKinds = {".txt", ".stx", ".bmp", ".mid", ".wav"};
  const std::string extension = foldAsciiCase(path.extension().string());
  for (const std::string_view kind : kKinds) {
    if (extension == kind) return true;
  }
  return false;
}

bool liesInside(const fs::path& path, const std::string& folder) {
  std::error_code error;
  const fs::path inside = fs::canonical(folder, error);
  if (error) return false;
  const fs::path target = fs::weakly_canonical(path, error);
  if (error) return false;
  const fs::path relative = target.lexically_relative(inside);
  return !relative.empty() && *relative.begin() != "..";
}

// Why `path` may not be written; empty when it may.
std::string refusal(const std::string& path, const std::string& storyFolder, bool pipeAllowed) {
  struct stat status = {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (S_ISLNK(status.st_mode)) return "it is a symbolic link";
    if (S_ISDIR(status.st_mode)) return "it is a folder";
    if (S_ISFIFO(status.st_mode) && !pipeAllowed) return "it is a pipe, not a regular file";
    if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) return "it is a device, not a regular file";
  } else if (errno != ENOENT) {
    return std::strerror(errno);
  } else {
    const fs::path parent = fs::path(path).parent_path();
    std::error_code error;
    if (!parent.empty() && !fs::is_directory(parent, error)) return "its folder does not exist";
  }
  if (!storyFolder.empty() && isNamedAsStoryFile(path) && liesInside(path, storyFolder)) {
    return "it is one of the story's own files";
  }
  return "";
}

}  // namespace

std::optional<Problem> outputTargetProblem(const std::string& path, const std::string& storyFolder,
                                           bool pipeAllowed) {
  const std::string why = refusal(path, storyFolder, pipeAllowed);
  if (why.empty()) return std::nullopt;
  return fileProblem(ProblemKind::CannotWrite, path, why);
}

void syncFolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  const int folder = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  ::fsync(folder);
  ::close(folder);
}
