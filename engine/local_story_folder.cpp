#include "engine/local_story_folder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "base/file_bytes.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/file_problems.h"

namespace fs = std::filesystem;

namespace {

std::string fullPath(const fs::path& folder) {
  std::error_code error;
  const fs::path canonical = fs::canonical(folder, error);
  if (!error) return canonical.string();
  const fs::path absolute = fs::absolute(folder, error);
  return (error ? folder : absolute).lexically_normal().string();
}

}  // namespace

LocalStoryFolder::LocalStoryFolder(const fs::path& folder) : folder_(fullPath(folder)) {}

std::optional<std::string> LocalStoryFolder::resolve(std::string_view name) const {
  return resolveStoryFile(name, folder_);
}

namespace {

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::vector<std::string> LocalStoryFolder::list() const { return entriesOf(folder_); }

std::vector<std::string> LocalStoryFolder::listIn(std::string_view folder) const {
  const std::optional<std::string> path = resolve(folder);
  return path ? entriesOf(*path) : std::vector<std::string>{};
}

std::optional<std::string> LocalStoryFolder::read(std::string_view name, uint64_t largest) const {
  const std::optional<std::string> path = resolve(name);
  if (!path) return std::nullopt;
  return readWholeFile(*path, largest);
}

bool LocalStoryFolder::openScript(std::string_view name, TextFile& script) const {
  const std::optional<std::string> path = resolve(name);
  if (path) return script.open(*path, "r");
  script.close();
  return false;
}

std::string LocalStoryFolder::location(std::string_view name) const {
  return storyFilePath(folder_, name, resolve(name));
}

std::string LocalStoryFolder::problem(std::string_view name, const std::string& otherwise) const {
  return storyFileProblem(folder_, name, resolve(name), otherwise);
}

std::shared_ptr<const LocalStoryFolder> openStoryFolder(const std::string& path,
                                                        Problem& problem) {
  std::error_code failure;
  const fs::path folder = fs::canonical(path, failure);
  if (!failure && !fs::is_directory(folder, failure) && !failure) {
    failure = std::make_error_code(std::errc::not_a_directory);
  }
  // Names are found by searching the folder, which needs the right to enter it.
  if (!failure && access(folder.c_str(), X_OK) != 0) failure = {errno, std::generic_category()};
  if (failure) {
    problem = fileProblem(ProblemKind::NotAFolder, path, failure.message());
    return nullptr;
  }
  return std::make_shared<const LocalStoryFolder>(folder);
}
