#include "base/midi_length.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "midi_files.h"
#include "test_files.h"

namespace {

// A copy of exactly the bytes given, so that the address checker sees any read past them.
std::optional<int64_t> lengthOf(std::string_view bytes) {
  std::unique_ptr<char[]> copy(new char[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return midiLengthMilliseconds(std::string_view(copy.get(), bytes.size()));
}

const std::string kOn("\x90\x3C\x40", 3), kOff("\x80\x3C\x00", 3), kEnd = endOfTrack();

// A format 0 file of one track.
std::string single(uint16_t division, const std::vector<MidiEvent>& events) {
  return midiFile(0, division, {midiTrack(events)});
}

TEST(MidiLength, WorkedOutByHand) {
  const std::string quarter = midiTrack({{0, kOn}, {96, kOff}, {0, kEnd}});
  const std::string plain = midiFile(0, 96, {quarter});
  const std::optional<int64_t> none;
  std::string tooLong = quarter;
  tooLong[7] = '\x7F';  // the low byte of the chunk's length
  auto tempo = [](uint32_t tick, uint32_t microseconds, uint32_t end) {
    return midiTrack({{tick, tempoEvent(microseconds)}, {end, kEnd}});
  };
  // Its data chunk follows a chunk of odd size, padded to even.
  const std::string midi = heldNote(250), odd = "LIST" + le32(3) + "abc" + std::string(1, '\0');
  const std::string riff = "RIFF" + le32(uint32_t(4 + odd.size() + 8 + midi.size())) + "RMID" +
                           odd + "data" + le32(uint32_t(midi.size())) + midi;
  const std::string data = "\xF0" + midiQuantity(3) + "\x7E\x7F\xF7", meta = "\xFF\x01";
  const std::vector<std::tuple<const char*, std::string, std::optional<int64_t>>> cases = {
      // Two quarters at the default 500000 µs.
      {"default tempo", single(96, {{0, kOn}, {192, kOff}, {0, kEnd}}), 1000},
      // 192 ticks at 500000 µs (1000 ms), then 288 ticks at 250000 µs (750 ms).
      {"tempo change on another track",
       midiFile(1, 96, {tempo(0, 500000, 0), tempo(192, 250000, 0), tempo(0, 500000, 480)}), 1750},
      {"same tick: the later track's stands",
       midiFile(1, 96, {tempo(96, 1000000, 0), tempo(96, 250000, 96)}), 750},
      {"tempo change at the end", midiFile(1, 96, {tempo(96, 100000, 0), quarter}), 500},
      {"longest track", midiFile(1, 96, {quarter, midiTrack({{384, kEnd}})}), 2000},
      {"running status, sysex and meta data",
       single(96, {{0, kOn}, {24, std::string("\x3C\x00", 2)}, {24, data},
                   {24, meta + midiQuantity(200) + std::string(200, 'a')},
                   {24, std::string("\xC0\x05", 2)}, {0, std::string("\xD0\x10", 2)},
                   {0, "\xF7" + midiQuantity(1) + "\x01"}, {0, kEnd}}), 500},
      {"four-byte delta", single(96, {{0x0FFFFFFF, kEnd}}), 1398101328},
      {"events after the end mark", single(96, {{96, kEnd}, {9999, kOn}}), 500},
      {"no end mark: the last event ends it", single(96, {{0, kOn}, {96, kOff}}), 500},
      {"unknown chunk", plain.substr(0, 14) + "XFIH" + std::string("\0\0\0\2ab", 6) + quarter, 500},
      {"longer header", "MThd" + std::string("\0\0\0\x08\0\0\0\1\0\x60" "ab", 12) + quarter, 500},
      {"SMPTE 25 frames of 40 ticks", single(0xE728, {{0, tempoEvent(1)}, {1500, kEnd}}), 1500},
      {"SMPTE 29.97 frames", single(0xE364, {{2997, kEnd}}), 1000},
      {"rounded up from a half", single(3, {{1, kEnd}}), 167},
      {"rounded down", single(3, {{2, kEnd}}), 333},
      {"format 2", midiFile(2, 96, {quarter}), none},
      {"no tracks", midiFile(1, 96, {}), none},
      {"fewer tracks than said", midiFile(1, 96, {quarter, quarter}).substr(0, 34), none},
      {"division 0", midiFile(0, 0, {quarter}), none},
      {"SMPTE with 0 ticks a frame", midiFile(0, 0xE700, {quarter}), none},
      {"SMPTE with 23 frames", midiFile(0, 0xE928, {quarter}), none},
      {"not a MIDI file", "RIFF" + std::string(20, '\0'), none},
      {"header too short", "MThd" + std::string("\0\0\0\4\0\0\0\1", 8) + quarter, none},
      {"running status without a status", single(96, {{0, std::string("\x3C\x40", 2)}}), none},
      {"five-byte delta", single(96, {{0, kOn + "\x80\x80\x80\x80"}, {0, kEnd}}), none},
      {"meta longer than its track", single(96, {{0, meta + midiQuantity(50) + "abc"}}), none},
      {"sysex longer than its track", single(96, {{0, "\xF0" + midiQuantity(4) + "abc"}}), none},
      {"system message", single(96, {{0, "\xF1\x01"}, {0, kEnd}}), none},
      {"track longer than the file", midiFile(0, 96, {tooLong}), none},
      {"RIFF MIDI", riff, 250},
      {"RIFF MIDI cut short", riff.substr(0, riff.size() - 1), none}};
  for (const auto& [name, file, milliseconds] : cases) {
    EXPECT_EQ(lengthOf(unwrapRiffMidi(file)), milliseconds) << name;
  }
}

// A real piece with a tempo map of its own; its length agrees with a sequencer's to the
// millisecond, and cut short anywhere (every seventh length here) it has none.
TEST(MidiLength, RealPiece) {
  const std::string path = "/usr/share/games/openttd/baseset/openmsx/chuggachugga.mid";
  const std::optional<std::string> file = readWholeFile(path);
  if (!file) GTEST_SKIP() << path << " is missing (package openttd-openmsx)";
  EXPECT_EQ(lengthOf(*file), 83868);
  for (size_t size = 0; size < file->size(); size += 7) {
    EXPECT_EQ(lengthOf(std::string_view(*file).substr(0, size)), std::nullopt) << size;
  }
}

}  // namespace
