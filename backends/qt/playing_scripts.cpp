#include "backends/qt/playing_scripts.h"

#include "base/text_file.h"

void PlayingScripts::play(std::map<std::string, std::string> scripts) {
  std::lock_guard guard(lock_);
  scripts_ = std::move(scripts);
}

bool PlayingScripts::openScript(std::string_view name, TextFile& script) const {
  if (const std::optional<std::string> path = story_->resolve(name)) {
    std::lock_guard guard(lock_);
    const auto kept = scripts_.find(*path);
    if (kept != scripts_.end()) {
      script.openBytes(kept->second);
      return true;
    }
  }
  return story_->openScript(name, script);
}
