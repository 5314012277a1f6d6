#include "engine/translation/translated_story_files.h"

#include <utility>

#include "base/story_files.h"

namespace {

// Text the story runs on is never replaced: the translation translates it.
bool isReplaceable(std::string_view name) {
  const std::string folded = foldAsciiCase(name);
  for (std::string_view kept : {".txt", ".stx", ".ini"}) {
    if (folded.ends_with(kept)) return false;
  }
  return !name.empty() && name != "." && !leavesStoryFolder(name);
}

}  // namespace

TranslatedStoryFiles::TranslatedStoryFiles(std::shared_ptr<const StoryFiles> story,
                                           std::string folder)
    : story_(std::move(story)), folder_(std::move(folder)) {}

std::string TranslatedStoryFiles::chosen(std::string_view name) const {
  if (!isReplaceable(name)) return std::string(name);
  std::string replacement = folder_ + "/" + std::string(name);
  return story_->resolve(replacement) ? replacement : std::string(name);
}

std::optional<std::string> TranslatedStoryFiles::resolve(std::string_view name) const {
  return story_->resolve(chosen(name));
}

std::optional<std::string> TranslatedStoryFiles::read(std::string_view name,
                                                      uint64_t largest) const {
  return story_->read(chosen(name), largest);
}

std::string TranslatedStoryFiles::location(std::string_view name) const {
  return story_->location(chosen(name));
}

std::string TranslatedStoryFiles::problem(std::string_view name,
                                          const std::string& otherwise) const {
  return story_->problem(chosen(name), otherwise);
}
