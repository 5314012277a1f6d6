#include "engine/script/sound_commands.h"

#include "engine/context.h"
#include "engine/script/arguments.h"
#include "engine/sound/music.h"

CommandOutcome commandMusic(RunnerScope scope, char* arguments) {
  NevContext& context = scope.story;
  char* cursor = arguments;
  const char* fileName = nextArgument(cursor);
  const char* loop = nextArgument(cursor);
  if (fileName == nullptr) return CommandOutcome::Continue;
  // A line without a loop value plays the piece once.
  const int32_t loopValue = loop != nullptr ? readNumber(loop) : 0;
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  noteSound(context, SoundEvent::Music, fileName, loopValue);
  closeMusic(context);
  music.musicLoop = loopValue;
  playMusic(context, fileName);
  return CommandOutcome::Continue;
}

CommandOutcome commandStopMusic(RunnerScope scope, char*) {
  NevContext& context = scope.story;
  MusicState& music = context.music;
  std::lock_guard guard(music.lock);
  noteSound(context, SoundEvent::MusicStop);
  music.musicLoop = 0;
  closeMusic(context);
  return CommandOutcome::Continue;
}

CommandOutcome commandSound(RunnerScope scope, char* arguments) {
  NevContext& context = scope.story;
  char* cursor = arguments;
  const char* name = nextArgument(cursor);
  // Skipping leaves the sound effects out; music goes on.
  if (name == nullptr || skippingWaits(context)) return CommandOutcome::Continue;
  noteSound(context, SoundEvent::Sound, name);
  playSoundEffect(context, name);
  return CommandOutcome::Continue;
}
