#include "base/midi_length.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "midi_files.h"

namespace fs = std::filesystem;

namespace {

const std::string kNoteOn("\x90\x3C\x40", 3);
const std::string kNoteOff("\x80\x3C\x00", 3);

// A copy of exactly the bytes given, so that the address checker sees any read past them.
std::optional<int64_t> lengthOfExactCopy(std::string_view bytes) {
  std::unique_ptr<char[]> copy(new char[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return midiLengthMilliseconds(std::string_view(copy.get(), bytes.size()));
}

// A track chunk of body bytes written as they stand.
std::string rawTrack(const std::string& body) {
  return "MTrk" + std::string(3, '\0') + static_cast<char>(body.size()) + body;
}

struct LengthCase {
  const char* name;
  std::string file;
  std::optional<int64_t> milliseconds;
};

TEST(MidiLength, WorkedOutByHand) {
  const std::string eot = endOfTrack();
  const std::string quarterNote = midiTrack({{0, kNoteOn}, {96, kNoteOff}, {0, eot}});
  const std::string plain = midiFile(0, 96, {quarterNote});
  std::string tooLong = quarterNote;
  tooLong[7] = '\x7F';  // the low byte of the chunk's length
  const std::vector<LengthCase> cases = {
      // Two quarters at the default 500000 µs.
      {"default tempo", midiFile(0, 96, {midiTrack({{0, kNoteOn}, {192, kNoteOff}, {0, eot}})}),
       1000},
      // 192 ticks at 500000 µs (1000 ms), then 288 ticks at 250000 µs (750 ms).
      {"tempo change on another track",
       midiFile(1, 96,
                {midiTrack({{0, tempoEvent(500000)}, {0, eot}}),
                 midiTrack({{192, tempoEvent(250000)}, {0, eot}}),
                 midiTrack({{0, kNoteOn}, {384, kNoteOff}, {96, eot}})}),
       1750},
      {"tempo change at the end counts for nothing",
       midiFile(1, 96, {midiTrack({{96, tempoEvent(100000)}, {0, eot}}), quarterNote}), 500},
      {"longest track decides",
       midiFile(1, 96, {quarterNote, midiTrack({{0, kNoteOn}, {384, kNoteOff}, {0, eot}})}),
       2000},
      {"end-of-track delta counts", midiFile(0, 96, {midiTrack({{0, kNoteOn}, {48, eot}})}), 250},
      {"running status, sysex and meta data",
       midiFile(0, 96,
                {midiTrack({{0, kNoteOn},
                            {24, std::string("\x3C\x00", 2)},  // running status
                            {24, "\xF0" + midiQuantity(3) + "\x7E\x7F\xF7"},
                            {24, "\xFF\x01" + midiQuantity(200) + std::string(200, 'a')},
                            {24, std::string("\xC0\x05", 2)},
                            {0, std::string("\xD0\x10", 2)},
                            {0, eot}})}),
       500},
      {"events after the end mark are not read",
       midiFile(0, 96, {midiTrack({{96, eot}, {9999, kNoteOn}})}), 500},
      {"track without an end mark ends with its last event",
       midiFile(0, 96, {midiTrack({{0, kNoteOn}, {96, kNoteOff}})}), 500},
      {"unknown chunk skipped",
       plain.substr(0, 14) + "XFIH" + std::string("\x00\x00\x00\x02\x01\x02", 6) +
           plain.substr(14),
       500},
      {"longer header",
       "MThd" + std::string("\x00\x00\x00\x08\x00\x00\x00\x01\x00\x60\xAA\xBB", 12) + quarterNote,
       500},
      {"SMPTE 25 frames of 40 ticks ignores the tempo",
       midiFile(0, 0xE728, {midiTrack({{0, tempoEvent(100000)}, {1500, eot}})}), 1500},
      {"SMPTE 29.97", midiFile(0, 0xE364, {midiTrack({{2997, eot}})}), 1000},
      {"rounded to the nearest", midiFile(0, 3, {midiTrack({{1, eot}})}), 167},
      {"format 2", midiFile(2, 96, {quarterNote}), std::nullopt},
      {"no tracks", midiFile(1, 96, {}), std::nullopt},
      {"fewer tracks than the header says",
       midiFile(1, 96, {quarterNote, quarterNote}).substr(0, 14 + quarterNote.size()),
       std::nullopt},
      {"division 0", midiFile(0, 0, {quarterNote}), std::nullopt},
      {"SMPTE with 0 ticks a frame", midiFile(0, 0xE700, {quarterNote}), std::nullopt},
      {"SMPTE with 23 frames", midiFile(0, 0xE928, {quarterNote}), std::nullopt},
      {"not a MIDI file", "RIFF" + std::string(20, '\0'), std::nullopt},
      {"header too short", "MThd" + std::string("\x00\x00\x00\x04\x00\x00\x00\x01", 8) +
                               quarterNote, std::nullopt},
      {"running status without a status",
       midiFile(0, 96, {midiTrack({{0, std::string("\x3C\x40", 2)}, {0, eot}})}), std::nullopt},
      {"five-byte delta", midiFile(0, 96, {rawTrack(std::string("\x80\x80\x80\x80\x00", 5) + eot)}),
       std::nullopt},
      {"meta longer than its track",
       midiFile(0, 96, {midiTrack({{0, "\xFF\x01" + midiQuantity(50) + "abc"}})}), std::nullopt},
      {"system message", midiFile(0, 96, {midiTrack({{0, "\xF1\x01"}, {0, eot}})}),
       std::nullopt},
      {"track chunk longer than the file", midiFile(0, 96, {tooLong}), std::nullopt},
  };
  for (const LengthCase& c : cases) {
    EXPECT_EQ(lengthOfExactCopy(c.file), c.milliseconds) << c.name;
  }
}

TEST(MidiLength, EveryCutShortFileIsUnknown) {
  const std::string file = midiFile(
      1, 96,
      {midiTrack({{0, tempoEvent(400000)}, {0, endOfTrack()}}),
       midiTrack({{0, kNoteOn}, {10, std::string("\x3C\x00", 2)}, {300, kNoteOff},
                  {0, "\xF0" + midiQuantity(2) + "\x01\xF7"}, {0, endOfTrack()}})});
  ASSERT_TRUE(lengthOfExactCopy(file).has_value());
  for (size_t size = 0; size < file.size(); ++size) {
    EXPECT_EQ(lengthOfExactCopy(std::string_view(file).substr(0, size)), std::nullopt) << size;
  }
}

TEST(MidiLength, RiffMidiUnwrapsToItsDataChunk) {
  const std::string midi = heldNote(250);
  auto littleEndian = [](uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
  };
  const std::string odd = "LIST" + littleEndian(3) + "abc" + std::string(1, '\0');  // padded
  const std::string riff = "RIFF" + littleEndian(uint32_t(4 + odd.size() + 8 + midi.size())) +
                           "RMID" + odd + "data" + littleEndian(uint32_t(midi.size())) + midi;
  EXPECT_EQ(unwrapRiffMidi(riff), midi);
  EXPECT_EQ(unwrapRiffMidi(midi), midi);
  const std::string cut = riff.substr(0, riff.size() - 1);
  EXPECT_EQ(unwrapRiffMidi(cut), cut);
}

// A sequencer's view, kept apart from the code under test: every track's events merged by
// tick, the clock advanced event by event in floating point.
struct TimedEvent {
  uint64_t tick;
  int track;
  uint32_t tempo;  // 0: not a tempo change
};

double referenceSeconds(const std::string& file) {
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(file[at])) << 24 | uint32_t(uint8_t(file[at + 1])) << 16 |
           uint32_t(uint8_t(file[at + 2])) << 8 | uint8_t(file[at + 3]);
  };
  const int division = uint8_t(file[12]) << 8 | uint8_t(file[13]);
  std::vector<TimedEvent> events;
  uint64_t lastTick = 0;
  size_t chunk = 8 + u32(4);
  for (int track = 0; chunk + 8 <= file.size(); ++track) {
    const size_t end = chunk + 8 + u32(chunk + 4);
    size_t at = chunk + 8;
    uint64_t tick = 0;
    int status = 0;
    auto quantity = [&] {
      uint32_t value = 0;
      uint8_t byte;
      do {
        byte = uint8_t(file[at++]);
        value = value << 7 | (byte & 0x7F);
      } while (byte & 0x80);
      return value;
    };
    while (at < end) {
      tick += quantity();
      if (uint8_t(file[at]) & 0x80) status = uint8_t(file[at++]);
      if (status == 0xFF) {
        const int type = uint8_t(file[at++]);
        const uint32_t length = quantity();
        if (type == 0x51) {
          const uint32_t tempo = uint8_t(file[at]) << 16 | uint8_t(file[at + 1]) << 8 |
                                 uint8_t(file[at + 2]);
          events.push_back({tick, track, tempo});
        }
        at += length;
        if (type == 0x2F) break;
      } else if (status == 0xF0 || status == 0xF7) {
        at += quantity();
      } else {
        at += (status & 0xE0) == 0xC0 ? 1 : 2;
      }
    }
    lastTick = std::max(lastTick, tick);
    chunk = end;
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
  double seconds = 0;
  double secondsPerTick = 0.5 / division;
  uint64_t tick = 0;
  for (const TimedEvent& event : events) {
    if (event.tick > lastTick) break;
    seconds += double(event.tick - tick) * secondsPerTick;
    tick = event.tick;
    secondsPerTick = event.tempo / 1e6 / division;
  }
  return seconds + double(lastTick - tick) * secondsPerTick;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Real pieces with tempo maps of their own, installed with the build's packages.
const fs::path kRealPieces = "/usr/share/games/openttd/baseset/openmsx";

TEST(MidiLength, AgreesWithASequencerOnRealFiles) {
  std::error_code error;
  int checked = 0;
  for (fs::directory_iterator it(kRealPieces, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().extension() != ".mid") continue;
    const std::string file = readFile(it->path());
    ASSERT_EQ(file.substr(8, 2), std::string("\x00\x01", 2)) << it->path();  // format 1
    const std::optional<int64_t> length = lengthOfExactCopy(file);
    ASSERT_TRUE(length.has_value()) << it->path();
    EXPECT_NEAR(double(*length), referenceSeconds(file) * 1000, 1.0) << it->path();
    EXPECT_GT(*length, 30000) << it->path();  // whole pieces, not a few notes
    ++checked;
  }
  EXPECT_GE(checked, 31) << "tools/install-deps.sh installs the MIDI files this test reads";
}

TEST(MidiLength, CutShortRealFileIsUnknownWherever) {
  const std::string file = readFile(kRealPieces / "train_filled_with_cash.mid");
  ASSERT_FALSE(file.empty());
  for (size_t size = 0; size < file.size(); size += 5) {
    EXPECT_EQ(lengthOfExactCopy(std::string_view(file).substr(0, size)), std::nullopt) << size;
  }
}

}  // namespace
