#pragma once
// The story's files as a translation shows them: a picture, piece of music or sound in the
// translation's folder stands in for the story's own of the same name. Scripts and nev.ini are
// always the story's.

#include <memory>
#include <string>

#include "engine/story_files.h"

class TranslatedStoryFiles final : public StoryFiles {
 public:
  // `folder`: the translation's folder as the story names it ("lang/en").
  TranslatedStoryFiles(std::shared_ptr<const StoryFiles> story, std::string folder);

  std::optional<std::string> resolve(std::string_view name) const override;
  std::vector<std::string> list() const override { return story_->list(); }
  // The story's own folders: the 言語 menu lists lang/ through here while a translation is read.
  std::vector<std::string> listIn(std::string_view folder) const override {
    return story_->listIn(folder);
  }
  std::optional<std::string> read(std::string_view name, uint64_t largest) const override;
  bool openScript(std::string_view name, TextFile& script) const override {
    return story_->openScript(name, script);
  }
  std::string location(std::string_view name) const override;
  std::string problem(std::string_view name, const std::string& otherwise) const override;

 private:
  // The replacement's name when there is one, else `name`.
  std::string chosen(std::string_view name) const;

  std::shared_ptr<const StoryFiles> story_;
  std::string folder_;
};
