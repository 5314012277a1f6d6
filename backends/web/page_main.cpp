// The player page's entry points, called by player.js. Each may suspend (files are fetched,
// dialogs awaited), so the page calls them through ccall's async mode, one at a time.

#include <emscripten.h>

#include <memory>
#include <string>
#include <vector>

#include "backends/web/font_file_faces.h"
#include "backends/web/web_player.h"
#include "backends/web/web_sound.h"
#include "backends/web/web_story_files.h"
#include "base/codepage.h"
#include "base/freetype_glyph_rasterizer.h"
#include "engine/config.h"
#include "engine/host.h"
#include "engine/story_session.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    if (end > at) out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

EM_JS(void, nev_box, (const char* caption, const char* text), {
  nevPage.failed(UTF8ToString(caption), UTF8ToString(text));
});

}  // namespace

extern "C" {

// The story's window title, UTF-8, from its nev.ini; empty when it has none or cannot be read.
EMSCRIPTEN_KEEPALIVE const char* nev_story_title(const char* names) {
  static std::string title;
  const WebStoryFiles files(lines(names));
  GameConfig config;
  title = readConfig(files, config) ? std::string() : validUtf8Escaped(cp932ToUtf8(config.windowTitle));
  return title.c_str();
}

// Plays the story whose files `names` lists (one a line), drawing with the font file at
// `fontPath` in the module's file system. 0 when it ended by its own @E or script end; 1 when
// it could not start (the page has been told why).
EMSCRIPTEN_KEEPALIVE int nev_play(const char* names, const char* fontPath) {
  auto files = std::make_shared<const WebStoryFiles>(lines(names));
  const std::string font = fontPath;
  WebSound* sound = nullptr;
  const StoryBackends backends{
      [font] { return std::make_unique<FreeTypeGlyphRasterizer>(fontFileFaces(font)); },
      [&sound] {
        auto made = std::make_unique<WebSound>();
        sound = made.get();
        return made;
      }};
  Problem problem;
  std::unique_ptr<StorySession> session = openStory(files, backends, problem);
  if (!session) {
    reportProblem([](const std::string& text, const std::string& caption, const std::string&) {
      nev_box(caption.c_str(), text.c_str());
    }, problem);
    return 1;
  }
  WebPlayer player(session->context(), session->sound(), [sound] {
    if (sound != nullptr) sound->deliverEndedPieces();
  });
  player.play();
  return 0;
}

}  // extern "C"
