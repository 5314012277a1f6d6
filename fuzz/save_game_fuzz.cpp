// Saves of a story: refused with a reason, or decoded to a save point that encodes and decodes
// again to the same, and that is then loaded into a fresh story the way render loads one: its
// place checked, then restored and played a few steps on. Whatever canRestoreSavePoint lets
// through must restore. Every input is tried as a whole file, and as one section of a whole
// save (its first byte picks which), since few mutations would get past the checksum.
#include <cstdlib>
#include <sstream>
#include <string>

#include "backends/headless/headless_player.h"
#include "base/save_archive.h"
#include "base/save_file.h"
#include "engine/local_story_folder.h"
#include "engine/save_game.h"
#include "engine/story_session.h"
#include "fuzz_files.h"

namespace {

constexpr std::string_view kIdentity = "fuzz\n4x3 txt";
// 4 × 3, 2-pixel text, a wait after every line.
constexpr const char* kConfig =
    "fuzz\nabout\nabout\n4\n3\n0\n0\n6\n0\n2\n2\n2\n1\n255\n255\n255\n0\n0\n0\n255\n0\n0\n"
    "0\n0\n255\n1\n1\n128\n1\n0\n1\n0\n";
constexpr const char* kScript = "line\r\ntwo\r\n@W2\r\na\r\nb\r\nthree\r\n@M\r\n";

// The headless player's part at the save's wait: its clock, client picture and paints.
std::string playerPart() {
  SaveArchive out;
  int64_t clock = 40;
  int32_t width = 4, height = 3, mouseY = 0;
  std::vector<Pixel> client(12, 0x123456);
  uint32_t paints = 1;
  std::vector<int32_t> edges = {0, 0, 4, 3};
  bool menuBarPinned = true, menuBarPopped = false;
  out.i64(clock), out.i32(width), out.i32(height), out.pixels(client, client.size());
  out.u32(paints);
  for (int32_t& edge : edges) out.i32(edge);
  out.i32(mouseY), out.flag(menuBarPinned), out.flag(menuBarPopped);
  return out.data();
}

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
    point.playerState = playerPart();
    // Made after the story's files, in its folder.
    if (!notePlace(LocalStoryFolder(fuzzFolder()), point, 0)) std::abort();
    SaveSections decoded;
    decodeSaveFile(encodeSaveGame(point, summarizeSavePoint(point, 1), kIdentity), decoded);
    return decoded;
  }();
  return sections;
}

// Loads the save into a fresh story, as render does.
void checkLoad(const SavePoint& point) {
  Problem opening;
  auto session = openStory(std::make_shared<LocalStoryFolder>(fuzzFolder()), {}, opening);
  if (!session) std::abort();
  NevContext* context = &session->context();
  const std::optional<Problem> problem = canRestoreSavePoint(*context, point);
  if (!problem) {
    context->resumeAt = point;
    HeadlessOptions options;
    options.limits = HeadlessLimits{4, 200, 60 * 1000};
    // The runner's restore boxes what it cannot do, which the check must have seen first.
    options.onBox = [](const std::string&, const std::string& text) {
      if (text.find("the save cannot be loaded") != std::string::npos) std::abort();
    };
    std::ostringstream events;
    playHeadless(*context, options, events,
                 [](int32_t, const char*, const PixelTarget&) { return true; });
  } else if (problem->detail.empty()) {
    std::abort();
  }
}

void checkRoundTrip(std::string_view bytes) {
  SavePoint point;
  SaveSummary summary;
  if (const std::optional<Problem> problem = decodeSaveGame(bytes, kIdentity, point, summary)) {
    if (problem->detail.empty()) std::abort();
    return;
  }
  const std::string again = encodeSaveGame(point, summary, kIdentity);
  SavePoint second;
  SaveSummary secondSummary;
  if (decodeSaveGame(again, kIdentity, second, secondSummary) ||
      encodeSaveGame(second, secondSummary, kIdentity) != again) {
    std::abort();
  }
  checkLoad(point);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  writeFuzzFile("nev.ini", kConfig);
  writeFuzzFile("start.txt", kScript);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = bytesOf(data, size);
  checkRoundTrip(bytes);
  if (size == 0) return 0;
  SaveSections sections = wholeSave();
  sections.sections[data[0] % sections.sections.size()].second = std::string(bytes.substr(1));
  checkRoundTrip(encodeSaveFile(sections));
  return 0;
}
