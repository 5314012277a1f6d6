// The browser build's player run under node: plays a story from a folder as render does,
// writing a frame at every click wait and choice (0001.png, …) and the log of the run, so that
// the wasm engine's pixels can be compared with the desktop's. The first item is picked at
// each choice.
//
//   node nev.js STORY FONT_FILE OUT_DIR

#include <cstdio>
#include <fstream>
#include <string>

#include "backends/headless/headless_player.h"
#include "backends/web/font_file_faces.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/png_file.h"
#include "engine/context.h"
#include "engine/host.h"
#include "engine/local_story_folder.h"
#include "engine/story_session.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: nev.js STORY FONT_FILE OUT_DIR\n", stderr);
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
  const HeadlessResult result = playHeadless(session->context(), HeadlessOptions{}, events, keepFrame);
  if (!lostFrame.empty()) {
    std::fprintf(stderr, "nev: cannot write %s\n", lostFrame.c_str());
    return 1;
  }
  return result.end == HeadlessEnd::StoryEnd || result.end == HeadlessEnd::ScriptEnd ? 0 : 3;
}
