#pragma once
// Standard MIDI files made byte by byte for the sound tests.

#include <cstdint>
#include <string>
#include <vector>

// A variable-length quantity.
std::string midiQuantity(uint32_t value);

struct MidiEvent {
  uint32_t delta;     // ticks since the event before
  std::string bytes;  // status and data, as written
};

// A track chunk of the events as given; nothing is added.
std::string midiTrack(const std::vector<MidiEvent>& events);
// A header chunk and the tracks (each a whole chunk from midiTrack).
std::string midiFile(uint16_t format, uint16_t division, const std::vector<std::string>& tracks);

std::string tempoEvent(uint32_t microsecondsPerQuarter);
std::string endOfTrack();

// One note held for `milliseconds` on an organ (whose sound stops with the note), after a rest of
// `restFirst` milliseconds, as a format 0 file in which a tick lasts a millisecond.
std::string heldNote(uint32_t milliseconds, uint8_t key = 69, uint32_t restFirst = 0);
