#pragma once
// LocalStoryFolder: a story's files in a folder on disk, for the desktop and the headless
// player. It holds the folder as a value, so stories in several folders play side by side and
// nothing depends on the process's current directory.

#include <filesystem>
#include <memory>
#include <string>

#include "base/problem.h"
#include "engine/story_files.h"

class LocalStoryFolder final : public StoryFiles {
 public:
  // The folder made absolute, with its links resolved where it exists.
  explicit LocalStoryFolder(const std::filesystem::path& folder);

  // The folder's full path: what a reader's saves and recent stories are kept by.
  const std::string& folder() const { return folder_; }

  std::optional<std::string> resolve(std::string_view name) const override;
  std::vector<std::string> list() const override;
  std::vector<std::string> listIn(std::string_view folder) const override;
  std::optional<std::string> read(
      std::string_view name, uint64_t largest = std::numeric_limits<uint64_t>::max()) const override;
  bool openScript(std::string_view name, TextFile& script) const override;
  std::string location(std::string_view name) const override;
  std::string problem(std::string_view name, const std::string& otherwise) const override;

 private:
  std::string folder_;
};

// The story folder at `path` (relative to the current directory); null, with `problem` saying
// "<path>: <why>" as the system words it ("No such file or directory"), when it is not a folder
// nev can enter.
std::shared_ptr<const LocalStoryFolder> openStoryFolder(const std::string& path, Problem& problem);
