// Saves of a story: refused with a reason, or decoded to a save point that encodes and decodes
// again to the same. Every input is tried as a whole file, and as one section of a whole save
// (its first byte picks which), since few mutations would get past the checksum.
#include <cstdlib>
#include <string>

#include "base/save_file.h"
#include "engine/save_game.h"
#include "fuzz_files.h"

namespace {

constexpr std::string_view kIdentity = "fuzz\n4x3 txt";

const SaveSections& wholeSave() {
  static const SaveSections sections = [] {
    SavePoint point;
    point.kind = SavePointKind::ClickWait;
    point.scriptName = "start.txt";
    point.linesRead = 1;
    point.history = {"line"};
    point.surfaceWidth = 4, point.surfaceHeight = 3;
    point.display.assign(12, 0x123456);
    point.compose.assign(12, 0);
    point.overlay.assign(12, 0);
    point.place.line = "line";
    SaveSections decoded;
    decodeSaveFile(encodeSaveGame(point, summarizeSavePoint(point, 1), kIdentity), decoded);
    return decoded;
  }();
  return sections;
}

void checkRoundTrip(std::string_view bytes) {
  SavePoint point;
  SaveSummary summary;
  std::string problem;
  if (!decodeSaveGame(bytes, kIdentity, point, summary, problem)) {
    if (problem.empty()) std::abort();
    return;
  }
  const std::string again = encodeSaveGame(point, summary, kIdentity);
  SavePoint second;
  SaveSummary secondSummary;
  if (!decodeSaveGame(again, kIdentity, second, secondSummary, problem) ||
      encodeSaveGame(second, secondSummary, kIdentity) != again) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = bytesOf(data, size);
  checkRoundTrip(bytes);
  if (size == 0) return 0;
  SaveSections sections = wholeSave();
  sections.sections[data[0] % sections.sections.size()].second = std::string(bytes.substr(1));
  checkRoundTrip(encodeSaveFile(sections));
  return 0;
}
