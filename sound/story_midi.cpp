#include "sound/story_midi.h"

#include <fstream>
#include <iterator>

#include "platform/story_files.h"
#include "sound/midi_length.h"

namespace {
// Far beyond any piece of music; keeps a stray large file from being read whole.
constexpr std::streamoff kLargestMidiFile = 16 << 20;
}  // namespace

std::optional<StoryMidi> loadStoryMidi(const std::string& name) {
  const std::optional<std::string> path = resolveStoryFile(name);
  if (!path) return std::nullopt;
  std::ifstream in(*path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kLargestMidiFile) return std::nullopt;
  std::string file(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(file.data(), size)) return std::nullopt;

  StoryMidi midi;
  midi.bytes = unwrapRiffMidi(file);
  const std::optional<int64_t> length = midiLengthMilliseconds(midi.bytes);
  if (!length) return std::nullopt;
  midi.lengthMilliseconds = *length;
  return midi;
}
