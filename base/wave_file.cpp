#include "base/wave_file.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kFloat = 3;
constexpr uint16_t kExtensible = 0xFFFE;
constexpr uint32_t kMostChannels = 32;
constexpr uint32_t kHighestRate = 1'000'000;

uint32_t little(std::string_view bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + i]);
  return value;
}

float sampleAt(const char* p, uint16_t format, uint16_t bits) {
  switch (bits) {
    case 8:
      return (float(uint8_t(p[0])) - 128.0f) / 128.0f;
    case 16:
      return float(int16_t(uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8))) / 32768.0f;
    case 24: {
      const int32_t value = int32_t(uint32_t(uint8_t(p[0]) << 8 | uint8_t(p[1]) << 16 |
                                             uint32_t(uint8_t(p[2])) << 24)) >> 8;
      return float(value) / 8388608.0f;
    }
    default: {
      const uint32_t raw = uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 |
                           uint32_t(uint8_t(p[2])) << 16 | uint32_t(uint8_t(p[3])) << 24;
      if (format == kFloat) {
        float value;
        std::memcpy(&value, &raw, sizeof value);
        // Nothing louder than full scale, and no NaN, reaches a mix.
        return value == value ? (value > 1.0f ? 1.0f : value < -1.0f ? -1.0f : value) : 0.0f;
      }
      return float(int32_t(raw)) / 2147483648.0f;
    }
  }
}

}  // namespace

std::optional<WaveSound> readWave(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") {
    return std::nullopt;
  }
  uint16_t format = 0, channels = 0, bits = 0;
  uint32_t rate = 0;
  bool haveFormat = false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string_view id = bytes.substr(at, 4);
    const uint64_t size = little(bytes, at + 4, 4);
    const size_t body = at + 8;
    const size_t available = size_t(std::min<uint64_t>(size, bytes.size() - body));
    if (id == "fmt " && available >= 16) {
      format = uint16_t(little(bytes, body, 2));
      channels = uint16_t(little(bytes, body + 2, 2));
      rate = little(bytes, body + 4, 4);
      bits = uint16_t(little(bytes, body + 14, 2));
      if (format == kExtensible && available >= 26) format = uint16_t(little(bytes, body + 24, 2));
      haveFormat = true;
    } else if (id == "data" && haveFormat) {
      const bool integer = format == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
      const bool floating = format == kFloat && bits == 32;
      if (!(integer || floating) || channels == 0 || channels > kMostChannels || rate == 0 ||
          rate > kHighestRate) {
        return std::nullopt;
      }
      const size_t frameBytes = size_t(channels) * (bits / 8);
      const size_t frames = available / frameBytes;
      WaveSound wave{int32_t(rate), int32_t(channels), {}};
      wave.samples.resize(frames * channels);
      const char* p = bytes.data() + body;
      for (size_t i = 0; i < wave.samples.size(); ++i, p += bits / 8) {
        wave.samples[i] = sampleAt(p, format, bits);
      }
      return wave;
    }
    // Chunks are padded to an even length.
    at = size_t(std::min<uint64_t>(bytes.size(), body + size + (size & 1)));
  }
  return std::nullopt;
}
