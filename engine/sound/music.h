#pragma once
// Background music and sound effects as the script drives them: @Y, @Q and @Z on the runner
// thread, and the end of a piece on the window thread. One piece plays at a time; a piece that
// loops is closed and opened again from its beginning each time its music data ends.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/host.h"

struct NevContext;

inline constexpr uint32_t kNoMusicDevice = 0xFFFFFFFF;

struct MusicState {
  // Held by @Y, @Q and the end-of-piece handling, so that none of them sees another half done.
  std::mutex lock;
  uint32_t musicDeviceId = kNoMusicDevice;  // opened last; a close does not clear it
  std::string musicFileName;                // given to the last playMusic, stored before the open
  std::atomic<int32_t> musicLoop{0};        // 1: the piece starts again each time it ends
  // Counts the pieces started. The end of an older piece can still be on its way to the window
  // thread after @Y started a new one; its number tells it apart.
  uint32_t piece = 0;
};

// The system's music operations. Callers hold `context.music.lock`.
// 1 when the piece has started, 0 on any failure (which nothing reports).
int32_t playMusic(NevContext& context, std::string_view fileName);
int32_t replayMusic(NevContext& context);
// As playMusic, from `position` milliseconds in where the backend can seek; nothing is logged.
int32_t resumeMusic(NevContext& context, std::string_view fileName, int64_t position);
// The device's result of the close.
uint32_t closeMusic(NevContext& context);

// Window thread: the piece numbered `piece` has ended. Closes it, and starts it again while
// musicLoop is 1. Takes the lock itself.
void onMusicNotify(NevContext& context, uint32_t piece);

// Starts the sound effect and returns at once.
void playSoundEffect(NevContext& context, const char* name);

// Tells a player that keeps a log what the story asked of the sound.
void noteSound(NevContext& context, SoundEvent event, std::string_view name = {}, int32_t loop = 0);
