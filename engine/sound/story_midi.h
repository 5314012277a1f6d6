#pragma once
// A MIDI file as the music devices take it: found by its story name, read whole, and measured.

#include <cstdint>
#include <optional>
#include <string>

class StoryFiles;

struct StoryMidi {
  std::string bytes;  // the standard MIDI file, unwrapped from a RIFF MIDI file
  int64_t lengthMilliseconds = 0;
};

// Nothing when the name finds no file or the file is not a MIDI file whose end can be known:
// a piece that could not tell its end could not loop.
std::optional<StoryMidi> loadStoryMidi(const StoryFiles& files, const std::string& name);
