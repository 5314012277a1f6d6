// MIDI files, plain or wrapped in RIFF: measured, or refused.
#include "base/midi_length.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  midiLengthMilliseconds(unwrapRiffMidi(bytesOf(data, size)));
  return 0;
}
