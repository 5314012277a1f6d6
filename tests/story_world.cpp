#include "story_world.h"

#include <cstring>
#include <stdexcept>

#include "engine/local_story_folder.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/runner.h"
#include "engine/text/text_output.h"
#include "engine/text/message_window.h"

namespace {

// A test that goes wrong must not wait forever.
constexpr size_t kMostSleeps = 200000;

// Text at (2, 4), 20 units a line of 8-pixel cells 3 apart, rows 10 apart, 40 ms a unit; white
// text, a dark red shadow one pixel right and below, yellow picked and blue unpicked items.
GameConfig worldSettings(int32_t width, int32_t height) {
  GameConfig c;
  std::strcpy(c.windowTitle, "world");
  std::strcpy(c.aboutText1, "about");
  std::strcpy(c.aboutText2, "about");
  c.screenWidth = width, c.screenHeight = height;
  c.textLeft = 2, c.textTop = 4, c.charsPerLine = 20, c.fontSize = 8, c.charPitch = 3;
  c.linePitch = 10, c.charDelay = 40;
  c.textRed = c.textGreen = c.textBlue = 255;
  c.shadowRed = 64;
  c.pickRed = c.pickGreen = 255;
  c.choiceBlue = 255;
  c.shadowDx = c.shadowDy = 1;
  return c;
}

std::string worldIni(const GameConfig& c) {
  std::string ini = std::string(c.windowTitle) + "\r\n" + c.aboutText1 + "\r\n" + c.aboutText2 + "\r\n";
  for (int32_t value :
       {c.screenWidth, c.screenHeight, c.textLeft,    c.textTop,     c.charsPerLine, c.reservedValue,
        c.fontSize,    c.charPitch,    c.linePitch,   c.charDelay,   c.textRed,      c.textGreen,
        c.textBlue,    c.shadowRed,    c.shadowGreen, c.shadowBlue,  c.pickRed,      c.pickGreen,
        c.pickBlue,    c.choiceRed,    c.choiceGreen, c.choiceBlue,  c.shadowDx,     c.shadowDy,
        c.overlayLevel, c.waitEveryLine, c.scrambledScripts, c.overlayEnabled, c.developerMenu}) {
    ini += std::to_string(value) + "\r\n";
  }
  return ini;
}

// The story whose nev.ini is `ini`.
std::unique_ptr<StorySession> openWorld(const std::filesystem::path& ini,
                                        std::unique_ptr<DotGlyphs> glyphs) {
  if (!glyphs) glyphs = std::make_unique<DotGlyphs>();
  StoryBackends backends;
  backends.makeGlyphs = [&glyphs]() -> std::unique_ptr<GlyphRasterizer> { return std::move(glyphs); };
  Problem problem;
  std::unique_ptr<StorySession> session =
      openStory(std::make_shared<LocalStoryFolder>(ini.parent_path()), backends, problem);
  if (!session) throw std::runtime_error("the world's story does not open: " + problem.detail);
  return session;
}

Pixel pixelIn(const DrawingContext& surface, int32_t x, int32_t y) {
  const Bitmap& bitmap = *surface.bitmap;
  return bitmap.pixels[size_t(y) * bitmap.width + x];
}

}  // namespace

StoryWorld::StoryWorld(int32_t width, int32_t height) : StoryWorld(width, height, [](GameConfig&) {}) {}

StoryWorld::StoryWorld(int32_t width, int32_t height, const std::function<void(GameConfig&)>& adjust)
    : session(openWorld(story.write("nev.ini",
                                    worldIni([&] {
                                      GameConfig settings = worldSettings(width, height);
                                      adjust(settings);
                                      return settings;
                                    }())),
                        nullptr)),
      context(&session->context()),
      glyphs(static_cast<DotGlyphs&>(session->glyphs())),
      record(std::make_unique<RunnerStorage>(context->config)) {
  recordPlatform();
}

StoryWorld::StoryWorld(const std::filesystem::path& folder, std::unique_ptr<DotGlyphs> glyphs)
    : session(openWorld(folder / "nev.ini", std::move(glyphs))),
      context(&session->context()),
      glyphs(static_cast<DotGlyphs&>(session->glyphs())),
      record(std::make_unique<RunnerStorage>(context->config)) {
  recordPlatform();
}

void StoryWorld::recordPlatform() {
  PlatformServices& platform = context->platform;
  platform.sleep = [this](int32_t milliseconds) {
    sleeps.push_back(milliseconds);
    if (sleeps.size() > kMostSleeps) context->shared.stopRunner = 1;
    if (onSleep) onSleep();
  };
  platform.invalidate = [this](const Rect* area) {
    repaints.push_back(area ? std::optional<Rect>(*area) : std::nullopt);
  };
  platform.messageBox = [this](const std::string& text, const std::string& caption,
                                const std::string&) {
    boxes.push_back(caption + ": " + text);
  };
}

void StoryWorld::prepareSurfaces() { prepareRunnerSurfaces(*context); }

void StoryWorld::runStory(const std::string& startScript) {
  story.write("start.txt", startScript);
  RunnerOperations operations = standardRunnerOperations();
  operations.drawTextLine = [this](RunnerScope scope, const char* text, int redraw) {
    if (redraw == 0) typedLines.push_back(text);
    drawTextLine(scope, text, redraw);
  };
  runner = std::make_unique<ScriptRunner>(*context, operations);
  runner->run();
}

Pixel StoryWorld::displayPixel(int32_t x, int32_t y) const {
  return pixelIn(context->surfaces.displaySurface, x, y);
}
Pixel StoryWorld::composePixel(int32_t x, int32_t y) const {
  return pixelIn(context->surfaces.composeSurface, x, y);
}
Pixel StoryWorld::overlayPixel(int32_t x, int32_t y) const {
  return pixelIn(context->surfaces.overlaySurface, x, y);
}

std::vector<Point> StoryWorld::displayPixelsOf(Pixel pixel) const {
  std::vector<Point> points;
  const Bitmap& bitmap = *context->surfaces.displaySurface.bitmap;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    for (int32_t x = 0; x < bitmap.width; ++x) {
      if (bitmap.pixels[size_t(y) * bitmap.width + x] == pixel) points.push_back({x, y});
    }
  }
  return points;
}

std::string bmp24(int32_t width, int32_t height, const std::vector<Pixel>& pixels) {
  std::string rows;  // bottom-up, each padded to four bytes
  for (int32_t y = height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < width; ++x) rows += le32(pixels[size_t(y) * width + x]).substr(0, 3);
    rows.append((4 - width * 3 % 4) % 4, '\0');
  }
  return bmp(width, height, 24, 0, "", rows);
}

std::string bmp24(int32_t width, int32_t height, Pixel colour) {
  return bmp24(width, height, std::vector<Pixel>(size_t(width) * height, colour));
}
