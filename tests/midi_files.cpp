#include "midi_files.h"

namespace {

std::string bigEndian(uint32_t value, int size) {
  std::string bytes;
  for (int i = size - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  return bytes;
}

}  // namespace

std::string midiQuantity(uint32_t value) {
  std::string bytes(1, static_cast<char>(value & 0x7F));
  while (value >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  return bytes;
}

std::string midiTrack(const std::vector<MidiEvent>& events) {
  std::string body;
  for (const MidiEvent& event : events) body += midiQuantity(event.delta) + event.bytes;
  return "MTrk" + bigEndian(uint32_t(body.size()), 4) + body;
}

std::string midiFile(uint16_t format, uint16_t division, const std::vector<std::string>& tracks) {
  std::string file = "MThd" + bigEndian(6, 4) + bigEndian(format, 2) +
                     bigEndian(uint32_t(tracks.size()), 2) + bigEndian(division, 2);
  for (const std::string& track : tracks) file += track;
  return file;
}

std::string tempoEvent(uint32_t microsecondsPerQuarter) {
  return std::string("\xFF\x51\x03", 3) + bigEndian(microsecondsPerQuarter, 3);
}

std::string endOfTrack() {
  return std::string("\xFF\x2F\x00", 3);
}

std::string heldNote(uint32_t milliseconds, uint8_t key, uint32_t restFirst) {
  const std::string k(1, static_cast<char>(key));
  return midiFile(0, 1000,
                  {midiTrack({{0, tempoEvent(1000000)},
                              {0, std::string("\xC0\x13", 2)},  // church organ
                              {restFirst, "\x90" + k + "\x70"},
                              {milliseconds, "\x80" + k + std::string(1, '\0')},
                              {0, endOfTrack()}})});
}
