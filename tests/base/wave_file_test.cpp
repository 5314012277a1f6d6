// Wave files as sound effects come: sample formats read to full scale, damaged files refused
// or read as far as they go.

#include "base/wave_file.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace {

std::string wave(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                 const std::string& data, const std::string& before = "") {
  const std::string fmt = le16(format) + le16(channels) + le32(rate) +
                          le32(rate * channels * bits / 8) + le16(channels * bits / 8) + le16(bits);
  const std::string chunks = "WAVEfmt " + le32(16) + fmt + before + "data" + le32(data.size()) + data;
  return "RIFF" + le32(chunks.size()) + chunks;
}

TEST(WaveFile, SampleFormatsAndDamage) {
  const std::string floatHalf = le32(0x3F000000);  // 0.5f
  const struct {
    std::string bytes;
    bool read;
    int32_t rate, channels;
    std::vector<float> samples;
  } cases[] = {
      {wave(1, 1, 11025, 8, std::string("\x80\xff\x00", 3)), true, 11025, 1,
       {0.0f, 127 / 128.0f, -1.0f}},
      {wave(1, 2, 44100, 16, le16(0x4000) + le16(0x8000)), true, 44100, 2, {0.5f, -1.0f}},
      {wave(1, 1, 8000, 24, std::string("\x00\x00\xc0", 3)), true, 8000, 1, {-0.5f}},
      {wave(3, 1, 8000, 32, floatHalf), true, 8000, 1, {0.5f}},
      // A chunk before the data, of odd length and padded, is passed over.
      {wave(1, 1, 8000, 16, le16(0x2000), "LIST" + le32(3) + std::string("abc\0", 4)), true, 8000, 1,
       {0.25f}},
      // Cut short: the whole frames there are.
      {wave(1, 2, 8000, 16, le16(0x4000) + le16(0x4000) + le16(0x4000)).substr(0, 44 + 6), true,
       8000, 2, {0.5f, 0.5f}},
      {wave(2, 1, 8000, 4, "\x11"), false, 0, 0, {}},     // compressed
      {wave(1, 0, 8000, 16, le16(1)), false, 0, 0, {}},   // no channels
      {wave(1, 1, 0, 16, le16(1)), false, 0, 0, {}},      // no rate
      {"RIFF" + le32(4) + "AVI ", false, 0, 0, {}},
  };
  for (const auto& c : cases) {
    const std::optional<WaveSound> sound = readWave(c.bytes);
    ASSERT_EQ(sound.has_value(), c.read) << c.bytes.size();
    if (!sound) continue;
    EXPECT_EQ(sound->sampleRate, c.rate);
    EXPECT_EQ(sound->channels, c.channels);
    EXPECT_EQ(sound->samples, c.samples);
  }
}

}  // namespace
