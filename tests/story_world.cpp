#include "story_world.h"

#include <stdexcept>

#include "engine/local_story_folder.h"
#include "engine/gfx/surfaces.h"
#include "engine/text/text_output.h"
#include "engine/text/message_window.h"

namespace {

// A test that goes wrong must not wait forever.
constexpr size_t kMostSleeps = 200000;

// Text at (2, 4), 20 units a line of 8-pixel cells 3 apart, rows 10 apart, 40 ms a unit; white
// text, a dark red shadow one pixel right and below, yellow picked and blue unpicked items.
std::string worldIni(int32_t width, int32_t height) {
  return "world\r\nabout\r\nabout\r\n" + std::to_string(width) + "\r\n" +
         std::to_string(height) +
         "\r\n2\r\n4\r\n20\r\n0\r\n8\r\n3\r\n10\r\n40\r\n255\r\n255\r\n255\r\n64\r\n0\r\n0\r\n"
         "255\r\n255\r\n0\r\n0\r\n0\r\n255\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";
}

// The story whose nev.ini is `ini`.
std::unique_ptr<StorySession> openWorld(const std::filesystem::path& ini,
                                        std::unique_ptr<DotGlyphs> glyphs) {
  if (!glyphs) glyphs = std::make_unique<DotGlyphs>();
  StoryBackends backends;
  backends.makeGlyphs = [&glyphs]() -> std::unique_ptr<GlyphRasterizer> { return std::move(glyphs); };
  ConfigProblem problem;
  std::unique_ptr<StorySession> session =
      openStory(std::make_shared<LocalStoryFolder>(ini.parent_path()), backends, problem);
  if (!session) throw std::runtime_error("the world's story does not open: " + problem.report);
  return session;
}

Pixel pixelIn(const DrawingContext& surface, int32_t x, int32_t y) {
  const Bitmap& bitmap = *surface.bitmap;
  return bitmap.pixels[size_t(y) * bitmap.width + x];
}

}  // namespace

StoryWorld::StoryWorld(int32_t width, int32_t height)
    : session(openWorld(story.write("nev.ini", worldIni(width, height)), nullptr)),
      context(&session->context()),
      glyphs(static_cast<DotGlyphs&>(session->glyphs())) {
  recordPlatform();
}

StoryWorld::StoryWorld(const std::filesystem::path& folder, std::unique_ptr<DotGlyphs> glyphs)
    : session(openWorld(folder / "nev.ini", std::move(glyphs))),
      context(&session->context()),
      glyphs(static_cast<DotGlyphs&>(session->glyphs())) {
  recordPlatform();
}

void StoryWorld::recordPlatform() {
  PlatformServices& platform = context->platform;
  platform.sleep = [this](int32_t milliseconds) {
    sleeps.push_back(milliseconds);
    if (sleeps.size() > kMostSleeps) context->words.stopRunner = 1;
    if (onSleep) onSleep();
  };
  platform.invalidate = [this](const Rect* area) {
    repaints.push_back(area ? std::optional<Rect>(*area) : std::nullopt);
  };
  platform.messageBox = [this](const std::string& text, const std::string& caption) {
    boxes.push_back(caption + ": " + text);
  };
}

void StoryWorld::prepareSurfaces() { prepareRunnerSurfaces(*context); }

void StoryWorld::runStory(const std::string& startScript) {
  story.write("start.txt", startScript);
  RunnerOperations operations = standardRunnerOperations(*context);
  operations.drawTextLine = [this](const char* text, int redraw) {
    if (redraw == 0) typedLines.push_back(text);
    drawTextLine(*context, text, redraw);
  };
  ScriptRunner(*context, operations);
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
