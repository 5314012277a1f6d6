#include "engine/text/text_output.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "engine/context.h"
#include "base/wrapping_math.h"

namespace {

bool stopping(const NevContext& context) { return context.shared.stopRunner.load() != 0; }

// One unit with its shadow: shadow colour, shadow, foreground colour, character.
void drawUnit(NevContext& context, const char* unit, int32_t x, int32_t y, ColourValue colour) {
  const GameConfig& config = context.config;
  DrawingContext& display = context.surfaces.displaySurface;
  std::lock_guard guard(context.surfaces.pixelLock);
  display.textColour = shadowColour(config);
  textOut(display, wrapAdd(x, config.shadowDx), wrapAdd(y, config.shadowDy), unit, 2);
  display.textColour = colour;
  textOut(display, x, y, unit, 2);
}

}  // namespace

bool pauseRunner(NevContext& context, int32_t milliseconds) {
  if (stopping(context)) return false;
  context.platform.sleep(milliseconds < 0 ? 0 : milliseconds);
  return !stopping(context);
}

void holdWhileTextHidden(NevContext& context) {
  if (context.shared.hideText.load() != 1) return;
  requestRepaint(context);
  const AwaitingInput awaiting(context.shared);
  while (context.shared.hideText.load() != 0 && pauseRunner(context, 1)) {
  }
}

namespace {

// The page as its original lines would stand, over the picture without text, until the reader
// lets go; then the page as it was, the cursor and marker places untouched.
void holdWhileOriginalShown(RunnerScope scope) {
  NevContext& context = scope.story;
  if (context.reading.showOriginal.load() != 1) return;
  SurfaceSet& set = context.surfaces;
  const int32_t width = set.surfaceWidth, height = set.surfaceHeight;
  DrawingContext shown;
  std::unique_ptr<Bitmap> shownBitmap = createCompatibleBitmap(width, height);
  selectBitmap(shown, shownBitmap.get());
  {
    std::lock_guard guard(set.pixelLock);
    bitBlt(shown, 0, 0, width, height, &set.displaySurface, 0, 0, SRCCOPY);
    bitBlt(set.displaySurface, 0, 0, width, height, &set.overlaySurface, 0, 0, SRCCOPY);
  }
  const MessageWindow kept = scope.runner.messageWindow;
  scope.runner.messageWindow.cursorX = scope.runner.layout.textLeft;
  scope.runner.messageWindow.cursorY = scope.runner.layout.textTop;
  const TextHistory& history = scope.runner.history;
  for (int32_t slot = 0; slot < history.lineCount; ++slot) drawTextLine(scope, history.lines[slot], true);
  scope.runner.messageWindow = kept;
  requestRepaint(context);
  {
    const AwaitingInput awaiting(context.shared);
    while (context.reading.showOriginal.load() != 0 && pauseRunner(context, 1)) {
    }
  }
  {
    std::lock_guard guard(set.pixelLock);
    bitBlt(set.displaySurface, 0, 0, width, height, &shown, 0, 0, SRCCOPY);
  }
  selectBitmap(shown, nullptr);
  requestRepaint(context);
}

}  // namespace

void drawTextLine(RunnerScope scope, const char* text, bool redraw) {
  NevContext& context = scope.story;
  const GameConfig& config = context.config;
  const TextWindowLayout& layout = scope.runner.layout;
  MessageWindow& window = scope.runner.messageWindow;
  if (text[0] != '\n') {
    walkUnits(layout, text, window.cursorX, window.cursorY, [&](const char* unit) {
      drawUnit(context, unit, window.cursorX, window.cursorY, textColour(config));
      if (!redraw) {
        requestRepaintRect(context, cellRect(config, layout, window.cursorX, window.cursorY));
      }
      window.cursorX = wrapAdd(window.cursorX, layout.charPitch);
      return redraw || pauseRunner(context, window.currentDelay);
    });
  }
  window.markerX = window.cursorX;
  window.markerY = window.cursorY;
  window.cursorY = wrapAdd(window.cursorY, layout.linePitch);
  window.cursorX = layout.textLeft;
  window.currentDelay = delayForSpeed(layout.charDelay, context.shared.messageSpeed.load());
}

void waitForClick(RunnerScope scope) {
  NevContext& context = scope.story;
  // Skipping passes the wait by, and keeps no save point of it.
  if (skippingWaits(context)) return;
  takeSavePoint(scope, SavePointKind::ClickWait);
  const GameConfig& config = context.config;
  const TextWindowLayout& layout = scope.runner.layout;
  const MessageWindow& window = scope.runner.messageWindow;
  SurfaceSet& set = context.surfaces;
  const Rect cell = cellRect(config, layout, window.markerX, window.markerY);
  const int32_t width = wrapAdd(wrapAbs(config.shadowDx), layout.fontSize);
  const int32_t height = wrapAdd(wrapAbs(config.shadowDy), layout.fontSize);

  // The saved area starts at the marker point itself, not at the cell's corner.
  DrawingContext saved;
  std::unique_ptr<Bitmap> savedBitmap = createCompatibleBitmap(width, height);
  selectBitmap(saved, savedBitmap.get());
  auto restoreMarkerArea = [&] {
    std::lock_guard guard(set.pixelLock);
    bitBlt(set.displaySurface, window.markerX, window.markerY, width, height, &saved, 0, 0,
           SRCCOPY);
  };
  {
    std::lock_guard guard(set.pixelLock);
    bitBlt(saved, 0, 0, width, height, &set.displaySurface, window.markerX, window.markerY,
           SRCCOPY);
  }

  // A click from before the wait must not end it.
  context.shared.clicked = 0;
  context.shared.waitingForClick = 1;
  // Under auto the wait ends by itself, once its blinks have taken long enough.
  const int32_t autoAfter = autoWaitMilliseconds(context.reading, context.reading.lastLineUnits);
  int64_t waited = 0;
  // A skip the reader starts during the wait ends it as a click would, but at once: a click is
  // seen only after a whole blink, as it always was.
  while (context.shared.clicked.load() == 0 && !skippingWaits(context) && !stopping(context)) {
    holdWhileTextHidden(context);
    holdWhileOriginalShown(scope);
    {
      std::lock_guard guard(set.pixelLock);
      set.displaySurface.textColour = textColour(config);
      textOut(set.displaySurface, window.markerX, window.markerY, kWaitMarker, 2);
    }
    requestRepaintRect(context, cell);
    if (!pauseRunner(context, layout.charDelay) || skippingWaits(context)) break;
    restoreMarkerArea();
    requestRepaintRect(context, cell);
    if (!pauseRunner(context, layout.charDelay)) break;
    waited += 2 * std::max(layout.charDelay, 1);
    if (context.reading.backlogOpen.load() != 0) waited = 0;
    if (context.reading.autoAdvance.load() != 0 && waited >= autoAfter) break;
  }
  context.shared.waitingForClick = 0;
  restoreMarkerArea();
  requestRepaintRect(context, cell);
  selectBitmap(saved, nullptr);
}

void drawChoiceItem(RunnerScope scope, const char* text, bool highlighted) {
  NevContext& context = scope.story;
  const GameConfig& config = context.config;
  const TextWindowLayout& layout = scope.runner.layout;
  MessageWindow& window = scope.runner.messageWindow;
  if (text[0] != '\n') {
    walkUnits(layout, text, window.choiceX, window.choiceY, [&](const char* unit) {
      drawUnit(context, unit, window.choiceX, window.choiceY,
               highlighted ? pickColour(config) : choiceColour(config));
      requestRepaintRect(context, cellRect(config, layout, window.choiceX, window.choiceY));
      window.choiceX = wrapAdd(window.choiceX, layout.charPitch);
      return true;
    });
  }
  window.choiceY = wrapAdd(window.choiceY, layout.linePitch);
  window.choiceX = layout.textLeft;
}
