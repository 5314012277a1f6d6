#pragma once
// StoryFiles: the story's files, found by the names its scripts and nev.ini use. Every story
// file the engine reads comes through here. Each host brings its own: a folder on disk for the
// desktop and the headless player (LocalStoryFolder); a browser may fetch a file when it is
// first asked for. The runner's and the window's threads may call it at once.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TextFile;

class StoryFiles {
 public:
  virtual ~StoryFiles() = default;

  // Where `name` is, as the host names it (a path, for a folder on disk), or nothing. Names are
  // matched the Windows way: "\" or "/" between folders, letters in any case; "." is the
  // story's folder itself.
  virtual std::optional<std::string> resolve(std::string_view name) const = 0;
  // The names of the entries in the story's folder itself.
  virtual std::vector<std::string> list() const = 0;
  // The names of the entries in `folder`, a folder of the story's named as any file is, in
  // order; none where there is no such folder or the host cannot list it.
  virtual std::vector<std::string> listIn(std::string_view folder) const {
    (void)folder;
    return {};
  }
  // The whole file; nothing when it is missing, not a regular file, larger than `largest` bytes
  // or cannot be read.
  virtual std::optional<std::string> read(
      std::string_view name, uint64_t largest = std::numeric_limits<uint64_t>::max()) const = 0;
  // Opens a script into `script` for reading line by line; false when it cannot be.
  virtual bool openScript(std::string_view name, TextFile& script) const = 0;

  // For the line on standard error beside a box, safe to print: where the file is, in full, or
  // where it would be.
  virtual std::string location(std::string_view name) const = 0;
  // "<location>: <what is wrong>": missing, not a regular file or unreadable, as the host
  // tells; `otherwise` when none of these.
  virtual std::string problem(std::string_view name, const std::string& otherwise) const = 0;
};

// No story at all: every name is missing.
class NoStoryFiles final : public StoryFiles {
 public:
  std::optional<std::string> resolve(std::string_view) const override { return std::nullopt; }
  std::vector<std::string> list() const override { return {}; }
  std::optional<std::string> read(std::string_view, uint64_t) const override {
    return std::nullopt;
  }
  bool openScript(std::string_view, TextFile&) const override { return false; }
  std::string location(std::string_view name) const override;
  std::string problem(std::string_view name, const std::string&) const override;
};

// Stateless, so one serves every context.
const StoryFiles& noStoryFiles();
