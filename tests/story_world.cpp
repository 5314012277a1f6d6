#include "story_world.h"

#include "engine/gfx/surfaces.h"
#include "engine/text/text_output.h"
#include "engine/text/message_window.h"

namespace {

// A test that goes wrong must not wait forever.
constexpr size_t kMostSleeps = 200000;

Pixel pixelIn(const DrawingContext& surface, int32_t x, int32_t y) {
  const Bitmap& bitmap = *surface.bitmap;
  return bitmap.pixels[size_t(y) * bitmap.width + x];
}

}  // namespace

StoryWorld::StoryWorld(int32_t width, int32_t height) : inside_(story.path()) {
  GameConfig& config = context->config;
  config.screenWidth = width;
  config.screenHeight = height;
  config.textLeft = 2;
  config.textTop = 4;
  config.charsPerLine = 20;
  config.fontSize = 8;
  config.charPitch = 3;
  config.linePitch = 10;
  config.charDelay = 40;
  config.textRed = 255, config.textGreen = 255, config.textBlue = 255;
  config.shadowRed = 64, config.shadowGreen = 0, config.shadowBlue = 0;
  config.pickRed = 255, config.pickGreen = 255, config.pickBlue = 0;
  config.choiceRed = 0, config.choiceGreen = 0, config.choiceBlue = 255;
  config.shadowDx = 1;
  config.shadowDy = 1;
  config.waitEveryLine = 0;
  context->words.cwinX = width;
  context->words.cwinY = height;

  PlatformServices& platform = context->platform;
  platform.glyphs = &glyphs;
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

StoryWorld::~StoryWorld() { releaseSurfaces(*context); }

void StoryWorld::prepareSurfaces() {
  createMessageFont(*context);
  createDisplaySurface(*context);
  prepareRunnerSurfaces(*context);
}

void StoryWorld::runStory(const std::string& startScript) {
  story.write("start.txt", startScript);
  createMessageFont(*context);
  createDisplaySurface(*context);
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
