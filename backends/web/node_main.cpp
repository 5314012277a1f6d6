// The browser build's player run under node: plays a story from a folder as render does,
// writing a frame at every click wait and choice (0001.png, …) and the log of the run, so that
// the wasm engine's pixels can be compared with the desktop's. CHOICES names the item to pick
// at each choice in turn, as render's --choose does (then item 0).
//
//   node nev.js STORY FONT_FILE OUT_DIR [CHOICES]

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "backends/headless/headless_player.h"
#include "backends/web/font_file_faces.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/png_file.h"
#include "engine/context.h"
#include "engine/host.h"
#include "engine/local_story_folder.h"
#include "engine/story_session.h"

namespace {

// "2,0,1" as item numbers; nothing for a word that is not such a list.
std::optional<std::vector<int32_t>> itemNumbers(const std::string& words) {
  std::vector<int32_t> items;
  size_t at = 0;
  while (at <= words.size()) {
    const size_t end = std::min(words.find(',', at), words.size());
    const std::string word = words.substr(at, end - at);
    if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos) {
      return std::nullopt;
    }
    items.push_back(std::stoi(word));
    at = end + 1;
  }
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<std::vector<int32_t>> choices =
      argc == 5 ? itemNumbers(argv[4]) : std::optional(std::vector<int32_t>{});
  if ((argc != 4 && argc != 5) || !choices) {
    std::fputs("usage: nev.js STORY FONT_FILE OUT_DIR [CHOICES]\n", stderr);
    return 1;
  }
  const std::string storyDir = argv[1], fontFile = argv[2], outDir = argv[3];
  Problem problem;
  std::shared_ptr<const LocalStoryFolder> folder = openStoryFolder(storyDir, problem);
  if (!folder) {
    std::fprintf(stderr, "nev: cannot open story folder %s\n", storyDir.c_str());
    return 1;
  }
  const StoryBackends backends{
      [fontFile] { return std::make_unique<FreeTypeGlyphRasterizer>(fontFileFaces(fontFile)); }, {}};
  std::unique_ptr<StorySession> session = openStory(std::move(folder), backends, problem);
  if (!session) {
    reportProblem(printMessageBox, problem);
    return 1;
  }
  std::ofstream events(outDir + "/events.jsonl", std::ios::trunc);
  if (!events) {
    std::fprintf(stderr, "nev: cannot write to %s\n", outDir.c_str());
    return 1;
  }
  std::string lostFrame;
  const FrameSink keepFrame = [&](int32_t number, const char*, const PixelTarget& client) {
    char name[32];
    std::snprintf(name, sizeof name, "/%04d.png", number);
    if (writePngFile(outDir + name, client.pixels, client.width, client.height)) return true;
    lostFrame = outDir + name;
    return false;
  };
  HeadlessOptions options;
  options.choices = *choices;
  const HeadlessResult result = playHeadless(session->context(), options, events, keepFrame);
  if (!lostFrame.empty()) {
    std::fprintf(stderr, "nev: cannot write %s\n", lostFrame.c_str());
    return 1;
  }
  return result.end == HeadlessEnd::StoryEnd || result.end == HeadlessEnd::ScriptEnd ? 0 : 3;
}
