// The browser build's player run under node: plays a story from a folder to its first click
// wait or choice and writes that frame as render does (0001.png) with the log of the run, so
// that the wasm engine's pixels can be compared with the desktop's.
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
  HeadlessOptions options;
  options.limits.maxFrames = 1;
  bool written = false;
  const FrameSink keepFrame = [&](int32_t, const char*, const PixelTarget& client) {
    written = writePngFile(outDir + "/0001.png", client.pixels, client.width, client.height);
    return written;
  };
  playHeadless(session->context(), options, events, keepFrame);
  if (!written) {
    std::fprintf(stderr, "nev: no frame written to %s/0001.png\n", outDir.c_str());
    return 1;
  }
  return 0;
}
