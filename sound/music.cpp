#include "sound/music.h"

#include "app/context.h"
#include "script/arguments.h"
#include "sound/sound_backend.h"

namespace {

// A machine without a sound backend plays nothing, as one whose devices all fail to open.
constexpr uint32_t kNoBackend = 1;

// Opens musicFileName on a new device and plays it as the next piece.
int32_t startPiece(NevContext& context) {
  MusicState& music = context.music;
  SoundBackend* backend = context.platform.sound;
  const uint32_t piece = ++music.piece;
  if (backend == nullptr) return 0;
  uint32_t deviceId = 0;
  if (backend->openMusic(music.musicFileName, deviceId) != 0) return 0;
  music.musicDeviceId = deviceId;
  if (backend->playMusic(deviceId, piece) != 0) {
    backend->closeMusic(deviceId);
    return 0;
  }
  return 1;
}

void note(NevContext& context, SoundEvent event, std::string_view name = {}, int32_t loop = 0) {
  if (context.platform.sound != nullptr) context.platform.sound->note(event, name, loop);
}

}  // namespace

int32_t playMusic(NevContext& context, std::string_view fileName) {
  context.music.musicFileName = fileName;
  return startPiece(context);
}

int32_t replayMusic(NevContext& context) {
  note(context, SoundEvent::MusicReplay, context.music.musicFileName,
       context.music.musicLoop.load());
  return startPiece(context);
}

uint32_t closeMusic(NevContext& context) {
  SoundBackend* backend = context.platform.sound;
  if (backend == nullptr) return kNoBackend;
  return backend->closeMusic(context.music.musicDeviceId);
}

void onMusicNotify(NevContext& context, uint32_t piece) {
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  if (piece != music.piece) return;
  closeMusic(context);
  if (music.musicLoop.load() == 1) replayMusic(context);
}

void playSoundEffect(NevContext& context, const char* name) {
  if (context.platform.sound != nullptr) context.platform.sound->playSound(name);
}

void commandMusic(NevContext& context, char* arguments) {
  char* cursor = arguments;
  const char* fileName = nextArgument(cursor);
  const char* loop = nextArgument(cursor);
  if (fileName == nullptr) return;
  // A line without a loop value plays the piece once.
  const int32_t loopValue = loop != nullptr ? readNumber(loop) : 0;
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  note(context, SoundEvent::Music, fileName, loopValue);
  closeMusic(context);
  music.musicLoop = loopValue;
  playMusic(context, fileName);
}

void commandStopMusic(NevContext& context) {
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  note(context, SoundEvent::MusicStop);
  music.musicLoop = 0;
  closeMusic(context);
}

void commandSound(NevContext& context, char* arguments) {
  char* cursor = arguments;
  const char* name = nextArgument(cursor);
  if (name == nullptr) return;
  note(context, SoundEvent::Sound, name);
  playSoundEffect(context, name);
}
