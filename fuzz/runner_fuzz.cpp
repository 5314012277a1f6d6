// The runner on a story made of the input: its start script up to the first zero byte, and a
// second script "b.txt" after it, played by the headless player within small limits. A small
// picture and a piece of music lie beside them for the scripts to name.
#include <cstdlib>
#include <sstream>
#include <string>

#include "backends/headless/headless_player.h"
#include "engine/local_story_folder.h"
#include "engine/story_session.h"
#include "fuzz_files.h"

namespace {

// 64 × 48, 8-pixel text, a wait after every line: small enough for many runs a second.
constexpr const char* kConfig =
    "fuzz\nabout\nabout\n64\n48\n2\n2\n6\n0\n8\n9\n10\n1\n255\n255\n255\n0\n0\n0\n255\n0\n0\n"
    "0\n0\n255\n1\n1\n128\n1\n0\n1\n0\n";

std::string littleEndian(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
  return out;
}

// An 8 × 8 picture, 24 bits, a red square on black.
std::string smallPicture() {
  std::string pixels;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) pixels += (x > 1 && x < 6 && y > 1 && y < 6) ? std::string("\0\0\xFF", 3) : std::string(3, '\0');
  }
  return "BM" + littleEndian(54 + pixels.size(), 4) + littleEndian(0, 4) + littleEndian(54, 4) +
         littleEndian(40, 4) + littleEndian(8, 4) + littleEndian(8, 4) + littleEndian(1, 2) +
         littleEndian(24, 2) + littleEndian(0, 4) + littleEndian(pixels.size(), 4) +
         std::string(16, '\0') + pixels;
}

// One note of a quarter, at 96 ticks a quarter.
std::string smallPiece() {
  const std::string track = std::string("\x00\x90\x3C\x40\x60\x80\x3C\x00\x00\xFF\x2F\x00", 12);
  return std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14) + "MTrk" +
         std::string{'\0', '\0', '\0', static_cast<char>(track.size())} + track;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  writeFuzzFile("nev.ini", kConfig);
  writeFuzzFile("p.bmp", smallPicture());
  writeFuzzFile("m.mid", smallPiece());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = bytesOf(data, size);
  const size_t split = input.find('\0');
  writeFuzzFile("start.txt", input.substr(0, split));
  writeFuzzFile("b.txt", split == std::string_view::npos ? "" : input.substr(split + 1));

  Problem problem;
  auto session = openStory(std::make_shared<LocalStoryFolder>(fuzzFolder()), {}, problem);
  if (!session) std::abort();
  HeadlessOptions options;
  options.choices = {1, 0, 2};
  options.limits = HeadlessLimits{40, 2000, 10 * 60 * 1000};
  std::ostringstream events;
  playHeadless(session->context(), options, events,
               [](int32_t, const char*, const PixelTarget&) { return true; });
  return 0;
}
