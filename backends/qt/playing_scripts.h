#pragma once
// The story's files with its scripts as the author's live reload last accepted them: a script
// saved with new lint errors never reaches the runner, whether the editor wrote it in place or
// renamed a new file over it. Everything else is read from the story as it is.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/story_files.h"

class PlayingScripts final : public StoryFiles {
 public:
  explicit PlayingScripts(std::shared_ptr<const StoryFiles> story) : story_(std::move(story)) {}

  // The story's files as they are on disk now.
  const StoryFiles& onDisk() const { return *story_; }
  std::shared_ptr<const StoryFiles> sharedOnDisk() const { return story_; }
  // From now on the runner reads these scripts, by their paths; others as they are on disk.
  void play(std::map<std::string, std::string> scripts);

  std::optional<std::string> resolve(std::string_view name) const override {
    return story_->resolve(name);
  }
  std::vector<std::string> list() const override { return story_->list(); }
  std::optional<std::string> read(
      std::string_view name,
      uint64_t largest = std::numeric_limits<uint64_t>::max()) const override {
    return story_->read(name, largest);
  }
  bool openScript(std::string_view name, TextFile& script) const override;
  std::string location(std::string_view name) const override { return story_->location(name); }
  std::string problem(std::string_view name, const std::string& otherwise) const override {
    return story_->problem(name, otherwise);
  }

 private:
  std::shared_ptr<const StoryFiles> story_;
  // The runner opens scripts on its own thread while the window thread accepts a change.
  mutable std::mutex lock_;
  std::map<std::string, std::string> scripts_;
};
