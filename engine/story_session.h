#pragma once
// StorySession: one story opened for playing. It holds the story's files, the runtime record
// (settings, read marks, the message font, the surfaces) and the backends its host gave it.
// Nothing in it is global, so two sessions on two folders play side by side in one process.

#include <functional>
#include <memory>
#include <string_view>

#include "base/font.h"
#include "base/problem.h"
#include "engine/config.h"
#include "engine/context.h"
#include "engine/host.h"
#include "engine/story_files.h"
#include "engine/translation/story_translation.h"

// Each session draws with a rasterizer of its own.
using GlyphRasterizerFactory = std::function<std::unique_ptr<GlyphRasterizer>()>;
using SoundBackendFactory = std::function<std::unique_ptr<SoundBackend>()>;

// What a host gives each story it opens; an empty factory leaves the null object (no glyphs,
// silence).
struct StoryBackends {
  GlyphRasterizerFactory makeGlyphs;
  SoundBackendFactory makeSound;
};

class StorySession {
 public:
  // A session on the story's files and settings with its glyphs; its sound waits for openStory.
  StorySession(std::shared_ptr<const StoryFiles> files, const GameConfig& settings,
               const StoryBackends& backends);
  // Gives the surfaces back; whoever ran the runner has stopped and joined it by then.
  ~StorySession();
  StorySession(const StorySession&) = delete;
  StorySession& operator=(const StorySession&) = delete;

  NevContext& context() { return *context_; }
  const StoryFiles& files() const { return *files_; }
  GlyphRasterizer& glyphs() { return *context_->platform.glyphs; }
  SoundBackend& sound() { return *context_->platform.sound; }

 private:
  friend std::unique_ptr<StorySession> openStory(std::shared_ptr<const StoryFiles>,
                                                 const StoryBackends&, Problem&,
                                                 std::string_view);
  // Made last by openStory, once the story is known to start.
  void takeSound(const SoundBackendFactory& makeSound);

  std::shared_ptr<const StoryFiles> files_;
  std::unique_ptr<GlyphRasterizer> glyphs_;
  std::unique_ptr<SoundBackend> sound_;
  std::unique_ptr<const StoryTranslation> translation_;
  // Last, so it goes first: its font and the runner's files use the members above.
  std::unique_ptr<NevContext> context_;
};

// Opens a story the one way every host does: the settings from its nev.ini, the message font,
// the display surface (black) and a client area of the story's size, then the sound. Null, with
// `problem` filled in for the box and the line on standard error, when the story cannot start.
// With a `language` code the story is read in its translation in lang/CODE/; a code without one
// is a problem.
std::unique_ptr<StorySession> openStory(std::shared_ptr<const StoryFiles> files,
                                        const StoryBackends& backends, Problem& problem,
                                        std::string_view language = {});
