#pragma once
// The SurfaceSet: the off-screen pictures the runner draws into and the window presents.
//   displaySurface  the picture with its text, what the reader normally sees
//   composeSurface  the pictures alone, shown while the reader hides the text
//   overlaySurface  composeSurface darkened; copied whole into displaySurface
//   loadSurface     holds a loaded picture during an opaque draw

#include <cstdint>
#include <memory>
#include <mutex>

#include "base/font.h"
#include "engine/gfx/composition.h"
#include "base/surface.h"

struct NevContext;

struct SurfaceSet {
  DrawingContext displaySurface;
  DrawingContext composeSurface;
  DrawingContext overlaySurface;
  DrawingContext loadSurface;
  int32_t surfaceWidth = 0;
  int32_t surfaceHeight = 0;

  std::unique_ptr<Bitmap> displayBitmap;
  std::unique_ptr<Bitmap> composeBitmap;
  std::unique_ptr<Bitmap> overlayBitmap;
  // The message font, selected into displaySurface from the runner's first step on.
  std::unique_ptr<Font> messageFont;
  // A translation's font, drawn with directly, never selected; null while the original plays.
  std::unique_ptr<Font> translatedFont;
  // What each first selection replaced, selected back at release.
  Bitmap* displayPreviousBitmap = nullptr;
  ColourValue displayPreviousBrush = kWhite;
  Font* savedFont = nullptr;
  Bitmap* composePreviousBitmap = nullptr;
  Bitmap* overlayPreviousBitmap = nullptr;

  // The transparent draw's work bitmaps, kept between picture commands.
  TransparentDrawWork transparentDrawWork;

  // Held for one drawing operation into a presented surface, or for one paint: a paint never
  // shows a half-written run of pixels and never waits for a whole script command.
  std::mutex pixelLock;
};

// Window creation, before the runner starts: displaySurface, black, with the black brush.
// False when the machine has no memory for it.
bool createDisplaySurface(NevContext& context);

// The runner's first step: the message font into displaySurface, transparent text, and the
// other three surfaces (composeSurface and overlaySurface start black).
void prepareRunnerSurfaces(NevContext& context);

// A paint: the whole of displaySurface (composeSurface while the text is hidden) stretched to
// the client size, written only inside `area` (client pixels, right and bottom exclusive).
void presentPicture(NevContext& context, PixelTarget& client, const Rect& area);

// The same picture at the target's own size, whatever the client's: for a window that shows
// it smaller, scaled down by the desktop with every stroke kept.
void presentWholePicture(NevContext& context, PixelTarget& target);

// Asks for a paint of the whole client area.
void requestRepaint(NevContext& context);

// Asks for a paint of one surface rectangle, scaled to the client area.
void requestRepaintRect(NevContext& context, const Rect& surfaceArea);

// The client pixels a window repaints for a requested area: widened by a pixel to the right
// and below, so that rounding a scaled cell never leaves a stale seam.
inline Rect paintedArea(const Rect& clientArea) {
  return Rect{clientArea.left, clientArea.top, clientArea.right + 1, clientArea.bottom + 1};
}

// A surface rectangle in client pixels: each coordinate times the client size over the surface
// size, in signed 32-bit arithmetic, the product first, truncated toward zero.
Rect toClient(const Rect& surfaceArea, int32_t cwinX, int32_t cwinY, int32_t surfaceWidth,
              int32_t surfaceHeight);

// Window destruction, after the runner has stopped: every surface given back, in order.
void releaseSurfaces(NevContext& context);
