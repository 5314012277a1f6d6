#include "engine/context.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/sound/music.h"

void commandMusic(NevContext& context, char* arguments) {
  char* cursor = arguments;
  const char* fileName = nextArgument(cursor);
  const char* loop = nextArgument(cursor);
  if (fileName == nullptr) return;
  // A line without a loop value plays the piece once.
  const int32_t loopValue = loop != nullptr ? readNumber(loop) : 0;
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  noteSound(context, SoundEvent::Music, fileName, loopValue);
  closeMusic(context);
  music.musicLoop = loopValue;
  playMusic(context, fileName);
}

void commandStopMusic(NevContext& context) {
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  noteSound(context, SoundEvent::MusicStop);
  music.musicLoop = 0;
  closeMusic(context);
}

void commandSound(NevContext& context, char* arguments) {
  char* cursor = arguments;
  const char* name = nextArgument(cursor);
  // Skipping leaves the sound effects out; music goes on.
  if (name == nullptr || skippingWaits(context)) return;
  noteSound(context, SoundEvent::Sound, name);
  playSoundEffect(context, name);
}
