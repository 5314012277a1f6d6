// Wave files for the sound effects a video mixes: read, or refused.
#include "base/wave_file.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  readWave(bytesOf(data, size));
  return 0;
}
