// The player page's entry points, called by player.js. Each may suspend (files are fetched,
// dialogs awaited), so the page calls them through ccall's async mode, one at a time.

#include <emscripten.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "backends/web/font_file_faces.h"
#include "backends/web/web_player.h"
#include "backends/web/web_saves.h"
#include "backends/web/web_sound.h"
#include "backends/web/web_story_files.h"
#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/freetype_glyph_rasterizer.h"
#include "engine/config.h"
#include "engine/host.h"
#include "engine/story_session.h"
#include "engine/zip_story_files.h"
#include "shell/language_menu.h"

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

// The page remembers the reader's language for the story.
EM_JS(void, nev_language_chosen, (const char* code), {
  nevPage.languageChosen(UTF8ToString(code));
});

void tellPage(const Problem& problem) {
  reportProblem([](const std::string& text, const std::string& caption, const std::string&) {
    nev_box(caption.c_str(), text.c_str());
  }, problem);
}

// The story the page names: the zip it put at `zipPath` in the module's file system, else the
// files `names` lists (one a line). Null, `problem` saying why, when the zip is refused.
std::shared_ptr<const StoryFiles> storyFiles(const char* names, const char* zipPath,
                                             Problem& problem) {
  if (zipPath[0] == '\0') return std::make_shared<const WebStoryFiles>(lines(names));
  std::optional<std::string> bytes = readWholeFile(zipPath);
  const std::string label = std::string(zipPath).substr(std::string(zipPath).rfind('/') + 1);
  if (!bytes) {
    problem = fileProblem(ProblemKind::CannotRead, label, "cannot be read");
    return nullptr;
  }
  return openZipStory(std::move(*bytes), label, problem);
}

}  // namespace

extern "C" {

// The story's window title, UTF-8, from its nev.ini, written into the page's own `out` of
// `capacity` bytes (ended by a zero when it fits); empty when it has none or cannot be read.
// Its length in bytes: a page whose buffer was too small asks again with a larger one.
EMSCRIPTEN_KEEPALIVE int nev_story_title(const char* names, const char* zipPath, char* out,
                                         int capacity) {
  Problem problem;
  const std::shared_ptr<const StoryFiles> files = storyFiles(names, zipPath, problem);
  GameConfig config;
  const std::string title = !files || readConfig(*files, config)
                                ? std::string()
                                : validUtf8Escaped(cp932ToUtf8(config.windowTitle));
  if (capacity > 0 && title.size() < size_t(capacity)) {
    std::copy(title.begin(), title.end(), out);
    out[title.size()] = '\0';
  }
  return int(title.size());
}

// The story's translations, one a line: its code, a tab, its name; written into the page's
// own `out` as nev_story_title writes, and its length in bytes returned the same way.
EMSCRIPTEN_KEEPALIVE int nev_story_languages(const char* names, const char* zipPath, char* out,
                                             int capacity) {
  Problem problem;
  const std::shared_ptr<const StoryFiles> files = storyFiles(names, zipPath, problem);
  std::string list;
  if (files) {
    for (const StoryLanguage& language : storyLanguages(*files)) {
      list += language.code + '\t' + validUtf8Escaped(language.name) + '\n';
    }
  }
  if (capacity > 0 && list.size() < size_t(capacity)) {
    std::copy(list.begin(), list.end(), out);
    out[list.size()] = '\0';
  }
  return int(list.size());
}

// Plays the story (as storyFiles names it), drawing with the font file at `fontPath` in the
// module's file system, and a translation's text with the one at `proportionalFontPath`; read
// in the translation `language` names (empty: the original); its saves are kept by `location` (where the page found the story) and
// `resume` answers whether to go on from the auto slot (1 yes, 0 no, -1 ask). 0 when it ended by
// its own @E or script end; 1 when it could not start (the page has been told why).
EMSCRIPTEN_KEEPALIVE int nev_play(const char* names, const char* zipPath, const char* fontPath,
                                  const char* proportionalFontPath, const char* language,
                                  const char* location, int resume) {
  Problem problem;
  std::shared_ptr<const StoryFiles> files = storyFiles(names, zipPath, problem);
  if (!files) {
    tellPage(problem);
    return 1;
  }
  const std::string font = fontPath;
  const std::string proportionalFont = proportionalFontPath;
  WebSound* sound = nullptr;
  const StoryBackends backends{
      [font, proportionalFont] {
        return std::make_unique<FreeTypeGlyphRasterizer>(fontFileFaces(font, proportionalFont));
      },
      [&sound] {
        auto made = std::make_unique<WebSound>();
        sound = made.get();
        return made;
      }};
  std::string reading = language;
  std::optional<SavePoint> carried;
  for (;;) {
    std::unique_ptr<StorySession> session = openStory(files, backends, problem, reading);
    if (!session) {
      tellPage(problem);
      return 1;
    }
    WebPlayer player(session->context(), session->sound(), [sound] {
      if (sound != nullptr) sound->deliverEndedPieces();
    });
    player.readIn(reading);
    // Not asked again: the reader was reading there a moment ago.
    player.keepSavesIn(webDataFolder(location, session->context().config), carried ? 0 : resume);
    if (carried && carried->taken) session->context().resumeAt = *carried;
    player.play();
    if (!player.languageChosen()) break;
    reading = player.languageChosen()->code;
    carried = player.languageChosen()->place;
    nev_language_chosen(reading.c_str());
    sound = nullptr;
  }
  return 0;
}

}  // extern "C"
