#pragma once
// What the system asks of the machine beyond drawing: message boxes, repaints of the main
// window, sleeping, and glyphs. The desktop shell and the headless player each fill one in.

#include <cstdint>
#include <functional>

#include "platform/message_box.h"
#include "platform/surface.h"

class GlyphRasterizer;
class SoundBackend;

// Sleeps on the real clock.
void sleepMilliseconds(int32_t milliseconds);

struct PlatformServices {
  MessageBoxFunction messageBox = printMessageBox;
  // Marks client pixels for a later paint on the window thread, without erasing; a null area
  // means the whole client area. Callable from any thread.
  std::function<void(const Rect* clientArea)> invalidate = [](const Rect*) {};
  // Pauses the calling thread; the headless player advances a virtual clock instead.
  std::function<void(int32_t milliseconds)> sleep = sleepMilliseconds;
  GlyphRasterizer* glyphs = nullptr;
  // Music and sound effects; none: the story plays in silence.
  SoundBackend* sound = nullptr;
};
