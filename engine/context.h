#pragma once
// The one world of a playing story: its settings, read-only once loaded; the SharedState, all
// the window thread may touch besides the parts that guard themselves with a lock (the pixels,
// the music, the reading, the save point). The runner's own record is not here: the
// ScriptRunner owns it. A test builds a fresh one; nothing here is a hidden global.

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/config.h"
#include "engine/gfx/surfaces.h"
#include "engine/host.h"
#include "engine/reading.h"
#include "engine/save_point.h"
#include "engine/shared_state.h"
#include "engine/sound/music.h"
#include "engine/story_files.h"

class StoryTranslation;

struct NevContext {
  explicit NevContext(const GameConfig& settings = {}) : config(settings) {
    shared.messageFontSize = settings.fontSize;
  }

  // The story's own files; its session keeps them alive.
  const StoryFiles* files = &noStoryFiles();
  const GameConfig config;
  // The translation being read, loaded once; null: the original.
  const StoryTranslation* translation = nullptr;
  SharedState shared;
  SurfaceSet surfaces;
  MusicState music;
  ReadingState reading;
  SavePointRecord savePoints;
  // When taken, the runner starts here instead of at the start script.
  SavePoint resumeAt;
  PlatformServices platform;
};

// Threads and seams keep its address; it lives on the heap, where it never moves.
inline std::unique_ptr<NevContext> makeContext(const GameConfig& settings = {}) {
  return std::make_unique<NevContext>(settings);
}
