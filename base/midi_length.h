#pragma once
// How long a standard MIDI file plays: the time from its start to the end of its longest
// track, through its tempo map. A looping piece is started again at exactly this point.

#include <cstdint>
#include <optional>
#include <string_view>

// Milliseconds, rounded to the nearest, for a format 0 or 1 file. Nothing when the file is
// not one, or is cut short or broken anywhere; then no one can say when it ends.
std::optional<int64_t> midiLengthMilliseconds(std::string_view file);

// The standard MIDI file a RIFF MIDI file wraps, or `file` itself when it is not one.
std::string_view unwrapRiffMidi(std::string_view file);
