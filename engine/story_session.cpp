#include "engine/story_session.h"

#include <string>
#include <utility>

#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/messages.h"
#include "engine/text/message_window.h"
#include "engine/translation/translated_story_files.h"
#include "engine/translation/translated_typing.h"

StorySession::StorySession(std::shared_ptr<const StoryFiles> files, const GameConfig& settings,
                           const StoryBackends& backends)
    : files_(std::move(files)), context_(makeContext(settings)) {
  context_->files = files_.get();
  if (backends.makeGlyphs) glyphs_ = backends.makeGlyphs();
  if (glyphs_) context_->platform.glyphs = glyphs_.get();
}

StorySession::~StorySession() {
  releaseSurfaces(*context_);
  context_.reset();
}

void StorySession::takeSound(const SoundBackendFactory& makeSound) {
  if (makeSound) sound_ = makeSound();
  if (sound_) context_->platform.sound = sound_.get();
}

std::unique_ptr<StorySession> openStory(std::shared_ptr<const StoryFiles> files,
                                        const StoryBackends& backends, Problem& problem,
                                        std::string_view language) {
  GameConfig settings;
  if (std::optional<Problem> bad = readConfig(*files, settings)) {
    problem = std::move(*bad);
    return nullptr;
  }
  std::unique_ptr<const StoryTranslation> translation;
  if (!language.empty()) {
    translation = StoryTranslation::load(*files, language, problem);
    if (!translation) return nullptr;
    files = std::make_shared<TranslatedStoryFiles>(std::move(files), translation->folder());
  }
  auto session = std::make_unique<StorySession>(std::move(files), settings, backends);
  NevContext& context = session->context();
  session->translation_ = std::move(translation);
  context.translation = session->translation_.get();
  createMessageFont(context);
  if (std::optional<Problem> bad = createTranslatedFont(context)) {
    problem = std::move(*bad);
    return nullptr;
  }
  onClientSize(context, context.config.screenWidth, context.config.screenHeight);
  if (!createDisplaySurface(context)) {
    const std::string size = std::to_string(context.config.screenWidth) + " × " +
                             std::to_string(context.config.screenHeight);
    problem = {.kind = ProblemKind::Memory,
               .boxText = size,
               .caption = kCaptionNoMemory,
               .detail = "no memory for a picture of " + size};
    return nullptr;
  }
  session->takeSound(backends.makeSound);
  return session;
}
