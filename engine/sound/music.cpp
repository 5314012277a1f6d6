#include "engine/sound/music.h"

#include "engine/context.h"
#include "engine/host.h"

namespace {

// Opens musicFileName on a new device and plays it as the next piece, from `position`
// milliseconds in where the backend can seek.
int32_t startPiece(NevContext& context, int64_t position = 0) {
  MusicState& music = context.music;
  SoundBackend* backend = context.platform.sound;
  const uint32_t piece = ++music.piece;
  uint32_t deviceId = 0;
  if (backend->openMusic(*context.files, music.musicFileName, deviceId) != 0) return 0;
  music.musicDeviceId = deviceId;
  if (backend->playMusicFrom(deviceId, piece, position) != 0) {
    backend->closeMusic(deviceId);
    return 0;
  }
  return 1;
}

}  // namespace

void noteSound(NevContext& context, SoundEvent event, std::string_view name, int32_t loop) {
  context.platform.sound->note(event, name, loop);
}

int32_t playMusic(NevContext& context, std::string_view fileName) {
  context.music.musicFileName = fileName;
  return startPiece(context);
}

int32_t resumeMusic(NevContext& context, std::string_view fileName, int64_t position) {
  context.music.musicFileName = fileName;
  return startPiece(context, position);
}

int32_t replayMusic(NevContext& context) {
  noteSound(context, SoundEvent::MusicReplay, context.music.musicFileName,
       context.music.musicLoop.load());
  return startPiece(context);
}

uint32_t closeMusic(NevContext& context) {
  return context.platform.sound->closeMusic(context.music.musicDeviceId);
}

void onMusicNotify(NevContext& context, uint32_t piece) {
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  if (piece != music.piece) return;
  closeMusic(context);
  if (music.musicLoop.load() == 1) replayMusic(context);
}

void playSoundEffect(NevContext& context, const char* name) {
  context.platform.sound->playSound(*context.files, name);
}
