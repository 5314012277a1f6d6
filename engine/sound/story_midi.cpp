#include "engine/sound/story_midi.h"

#include "base/midi_length.h"
#include "engine/story_files.h"

namespace {
// Far beyond any piece of music; keeps a stray large file from being read whole.
constexpr uint64_t kLargestMidiFile = 16 << 20;
}  // namespace

std::optional<StoryMidi> loadStoryMidi(const StoryFiles& files, const std::string& name) {
  const std::optional<std::string> file = files.read(name, kLargestMidiFile);
  if (!file) return std::nullopt;

  StoryMidi midi;
  midi.bytes = unwrapRiffMidi(*file);
  const std::optional<int64_t> length = midiLengthMilliseconds(midi.bytes);
  if (!length) return std::nullopt;
  midi.lengthMilliseconds = *length;
  return midi;
}
