#pragma once
// A fresh world for page and picture tests: a story folder of its own, the surfaces, a message
// font whose glyphs are single pixels (so tests see exactly where each unit went), and every
// sleep, repaint request and message box recorded. Sleeps take no time.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/script/runner.h"
#include "engine/story_session.h"
#include "base/font.h"
#include "test_files.h"

// Each unit is one pixel at its cell's top-left corner; remembers what it was asked to draw.
struct DotGlyphs : GlyphRasterizer {
  std::vector<std::string> drawn;
  GlyphMask rasterize(const FontSpec&, const std::string& text) override {
    drawn.push_back(text);
    return GlyphMask{0, 0, 1, 1, {255}};
  }
  bool canMake(const FontSpec& attributes) override { return attributes.height != 0; }
};

struct Point {
  int32_t x;
  int32_t y;
  bool operator==(const Point&) const = default;
};

class StoryWorld {
 public:
  // A story of width × height pixels in a folder of its own, shown in a client area of the same
  // size: opened as every host opens one, from the nev.ini written for it.
  StoryWorld(int32_t width = 64, int32_t height = 48);
  // The same, with nev.ini's values as `adjust` leaves them.
  StoryWorld(int32_t width, int32_t height, const std::function<void(GameConfig&)>& adjust);
  // The story in `folder`, opened from its own nev.ini, drawn with `glyphs` (dots when null).
  explicit StoryWorld(const std::filesystem::path& folder,
                      std::unique_ptr<DotGlyphs> glyphs = nullptr);

  // The runner's surfaces, as its first step makes them.
  void prepareSurfaces();
  // Runs the start script (written as `start.txt`) with the system's own operations, on a
  // fresh runner kept in `runner`.
  void runStory(const std::string& startScript);
  // What a command or the typing is handed when a test calls it itself: `record`.
  RunnerScope scope() { return {*context, *record}; }

  Pixel displayPixel(int32_t x, int32_t y) const;
  Pixel composePixel(int32_t x, int32_t y) const;
  Pixel overlayPixel(int32_t x, int32_t y) const;
  // Where displaySurface holds `pixel`, row by row.
  std::vector<Point> displayPixelsOf(Pixel pixel) const;

  TempFolder story;  // the world's own folder, unused when it opened another
  std::unique_ptr<StorySession> session;
  NevContext* context;
  DotGlyphs& glyphs;
  // A runner's record as nev.ini lays it out, for the tests that call the typing or a command.
  std::unique_ptr<RunnerStorage> record;
  std::unique_ptr<ScriptRunner> runner;  // the last runStory's
  std::vector<int32_t> sleeps;
  std::vector<std::optional<Rect>> repaints;  // nothing: the whole client area
  std::vector<std::string> boxes;             // "caption: text"
  std::vector<std::string> typedLines;        // text lines typed (not redrawn), in order
  std::function<void()> onSleep;              // plays the reader, e.g. clicks

 private:
  void recordPlatform();
};

// The bytes of a 24-bit bottom-up BMP file of the given pixels (0x00RRGGBB, row-major).
std::string bmp24(int32_t width, int32_t height, const std::vector<Pixel>& pixels);
// A picture of one colour.
std::string bmp24(int32_t width, int32_t height, Pixel colour);
