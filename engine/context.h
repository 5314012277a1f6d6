#pragma once
// The one world both threads share: configuration, the shared words and the runner's records.
// A test builds a fresh one; nothing here is a hidden global.

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/config.h"
#include "engine/gfx/surfaces.h"
#include "engine/host.h"
#include "engine/reading.h"
#include "engine/save_point.h"
#include "engine/script/runner.h"
#include "engine/sound/music.h"
#include "engine/story_files.h"
#include "engine/text/message_window.h"

// Words the window thread and the runner share; each is written and read whole, without locks.
struct SharedWords {
  std::atomic<int32_t> messageSpeed{1};  // divisor of the per-character delay: 1, 4 or 32000
  std::atomic<int32_t> clicked{0};
  std::atomic<int32_t> waitingForClick{0};
  std::atomic<int32_t> hideText{0};
  std::atomic<int32_t> endRequested{0};
  std::atomic<int32_t> mouseY{0};
  std::atomic<int32_t> cwinX{0};
  std::atomic<int32_t> cwinY{0};
  // Set when the program ends, so the runner stops and can be joined from any wait.
  std::atomic<int32_t> stopRunner{0};
};

struct NevContext {
  // The story's own files; its session keeps them alive.
  const StoryFiles* files = &noStoryFiles();
  GameConfig config;
  SharedWords words;
  MessageWindow messageWindow;
  SurfaceSet surfaces;
  RunnerStorage runner;
  MusicState music;
  ReadingState reading;
  SavePointRecord savePoints;
  // When taken, the runner starts here instead of at the start script.
  SavePoint resumeAt;
  PlatformServices platform;
};

// The context is large (the runner's tables); it lives on the heap.
inline std::unique_ptr<NevContext> makeContext() { return std::make_unique<NevContext>(); }
