#pragma once
// Wave files (RIFF WAVE) of plain samples, as sound effects come: 8, 16, 24 or 32-bit integer
// or 32-bit float samples, any rate, any number of channels.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct WaveSound {
  int32_t sampleRate = 0;
  int32_t channels = 0;
  std::vector<float> samples;  // interleaved, full scale ±1
};

// Nothing when the bytes are no wave file of plain samples. A file cut short gives the
// samples it holds.
std::optional<WaveSound> readWave(std::string_view bytes);
