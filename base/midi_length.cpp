#include "base/midi_length.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr uint32_t kDefaultMicrosecondsPerQuarter = 500000;

struct TempoChange {
  uint64_t tick;
  uint32_t microsecondsPerQuarter;
};

uint32_t bigEndian(std::string_view bytes, size_t at, size_t size) {
  uint32_t value = 0;
  for (size_t i = 0; i < size; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// A variable-length quantity: at most four bytes, seven bits each.
bool readQuantity(std::string_view bytes, size_t& at, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (at >= bytes.size()) return false;
    const uint8_t byte = static_cast<uint8_t>(bytes[at++]);
    value = value << 7 | (byte & 0x7F);
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

// The tick at which the track ends, collecting its tempo changes on the way. A track without
// an end-of-track mark ends with its last event.
std::optional<uint64_t> walkTrack(std::string_view track, std::vector<TempoChange>& tempos) {
  size_t at = 0;
  uint64_t tick = 0;
  uint8_t runningStatus = 0;
  while (at < track.size()) {
    uint32_t delta;
    if (!readQuantity(track, at, delta)) return std::nullopt;
    tick += delta;
    if (at >= track.size()) return std::nullopt;
    uint8_t status = static_cast<uint8_t>(track[at]);
    if (status & 0x80) {
      ++at;
    } else if (runningStatus != 0) {
      status = runningStatus;
    } else {
      return std::nullopt;
    }

    if (status == 0xFF) {
      if (at >= track.size()) return std::nullopt;
      const uint8_t type = static_cast<uint8_t>(track[at++]);
      uint32_t length;
      if (!readQuantity(track, at, length) || length > track.size() - at) return std::nullopt;
      if (type == 0x2F) return tick;
      if (type == 0x51 && length >= 3) tempos.push_back({tick, bigEndian(track, at, 3)});
      at += length;
    } else if (status == 0xF0 || status == 0xF7) {
      uint32_t length;
      if (!readQuantity(track, at, length) || length > track.size() - at) return std::nullopt;
      at += length;
    } else if (status > 0xF0) {
      return std::nullopt;  // no other system message belongs in a file
    } else {
      const uint8_t kind = status & 0xF0;
      const size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
      if (dataBytes > track.size() - at) return std::nullopt;
      at += dataBytes;
      runningStatus = status;
    }
  }
  return tick;
}

std::optional<int64_t> roundedQuotient(unsigned __int128 numerator, unsigned __int128 divisor) {
  const unsigned __int128 quotient = (numerator + divisor / 2) / divisor;
  if (quotient > static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int64_t>(quotient);
}

// Frame-based timing: ticks of a fixed length, whatever the tempo says.
std::optional<int64_t> smpteMilliseconds(uint64_t ticks, uint16_t division) {
  const int framesPerSecond = -static_cast<int8_t>(division >> 8);
  const uint32_t ticksPerFrame = division & 0xFF;
  if (ticksPerFrame == 0) return std::nullopt;
  const unsigned __int128 milliseconds = static_cast<unsigned __int128>(ticks) * 1000;
  switch (framesPerSecond) {
    case 24:
    case 25:
    case 30:
      return roundedQuotient(milliseconds, uint64_t(framesPerSecond) * ticksPerFrame);
    case 29:  // 29.97 frames a second: 30000 frames in 1001 seconds
      return roundedQuotient(milliseconds * 1001, uint64_t(30000) * ticksPerFrame);
    default:
      return std::nullopt;
  }
}

std::optional<int64_t> metricalMilliseconds(uint64_t ticks, uint32_t ticksPerQuarter,
                                            std::vector<TempoChange>& tempos) {
  if (ticksPerQuarter == 0) return std::nullopt;
  // Changes on the same tick apply in track order; the last one stands.
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  unsigned __int128 microsecondTicks = 0;  // microseconds × ticksPerQuarter
  uint64_t tick = 0;
  uint32_t tempo = kDefaultMicrosecondsPerQuarter;
  for (const TempoChange& change : tempos) {
    if (change.tick >= ticks) break;
    microsecondTicks += static_cast<unsigned __int128>(change.tick - tick) * tempo;
    tick = change.tick;
    tempo = change.microsecondsPerQuarter;
  }
  microsecondTicks += static_cast<unsigned __int128>(ticks - tick) * tempo;
  return roundedQuotient(microsecondTicks, uint64_t(ticksPerQuarter) * 1000);
}

}  // namespace

std::optional<int64_t> midiLengthMilliseconds(std::string_view file) {
  if (file.size() < 14 || file.substr(0, 4) != "MThd") return std::nullopt;
  const uint32_t headerLength = bigEndian(file, 4, 4);
  if (headerLength < 6 || headerLength > file.size() - 8) return std::nullopt;
  const uint32_t format = bigEndian(file, 8, 2);
  const uint32_t trackCount = bigEndian(file, 10, 2);
  const uint16_t division = static_cast<uint16_t>(bigEndian(file, 12, 2));
  if (format > 1 || trackCount == 0) return std::nullopt;

  std::vector<TempoChange> tempos;
  uint64_t endTick = 0;
  size_t at = 8 + size_t{headerLength};
  // Chunks of other kinds are skipped, as readers of the format must.
  for (uint32_t found = 0; found < trackCount;) {
    if (file.size() - at < 8) return std::nullopt;
    const std::string_view id = file.substr(at, 4);
    const uint32_t length = bigEndian(file, at + 4, 4);
    at += 8;
    if (length > file.size() - at) return std::nullopt;
    if (id == "MTrk") {
      const std::optional<uint64_t> trackEnd = walkTrack(file.substr(at, length), tempos);
      if (!trackEnd) return std::nullopt;
      endTick = std::max(endTick, *trackEnd);
      ++found;
    }
    at += length;
  }

  if (division & 0x8000) return smpteMilliseconds(endTick, division);
  return metricalMilliseconds(endTick, division, tempos);
}

std::string_view unwrapRiffMidi(std::string_view file) {
  if (file.size() < 12 || file.substr(0, 4) != "RIFF" || file.substr(8, 4) != "RMID") return file;
  auto littleEndian = [&](size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= uint32_t(static_cast<uint8_t>(file[at + i])) << 8 * i;
    return value;
  };
  for (size_t at = 12; file.size() - at >= 8;) {
    const uint32_t length = littleEndian(at + 4);
    if (length > file.size() - at - 8) return file;
    if (file.substr(at, 4) == "data") return file.substr(at + 8, length);
    at += 8 + size_t{length} + (length & 1);  // chunks are padded to an even size
    if (at > file.size()) return file;
  }
  return file;
}
