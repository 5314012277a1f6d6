#include "engine/gfx/surfaces.h"

#include "engine/context.h"
#include "base/wrapping_math.h"

namespace {

int32_t scale(int32_t value, int32_t clientSize, int32_t surfaceSize) {
  if (surfaceSize == 0) return 0;
  return wrapDiv(wrapMul(value, clientSize), surfaceSize);
}

}  // namespace

Rect toClient(const Rect& surfaceArea, int32_t cwinX, int32_t cwinY, int32_t surfaceWidth,
              int32_t surfaceHeight) {
  return {scale(surfaceArea.left, cwinX, surfaceWidth), scale(surfaceArea.top, cwinY, surfaceHeight),
          scale(surfaceArea.right, cwinX, surfaceWidth),
          scale(surfaceArea.bottom, cwinY, surfaceHeight)};
}

bool createDisplaySurface(NevContext& context) {
  SurfaceSet& set = context.surfaces;
  set.surfaceWidth = context.config.screenWidth;
  set.surfaceHeight = context.config.screenHeight;
  set.displayBitmap = createCompatibleBitmap(set.surfaceWidth, set.surfaceHeight);
  if (!set.displayBitmap) return false;
  std::lock_guard guard(set.pixelLock);
  set.displayPreviousBitmap = selectBitmap(set.displaySurface, set.displayBitmap.get());
  set.displayPreviousBrush = selectBrush(set.displaySurface, kBlack);
  patBlt(set.displaySurface, 0, 0, set.surfaceWidth, set.surfaceHeight, PATCOPY);
  return true;
}

void prepareRunnerSurfaces(NevContext& context) {
  SurfaceSet& set = context.surfaces;
  std::lock_guard guard(set.pixelLock);
  // A runner started again at a save point finds them ready.
  if (set.composeBitmap) return;
  set.savedFont = selectFont(set.displaySurface, set.messageFont.get());
  set.displaySurface.backgroundMode = BackgroundMode::Transparent;
  set.composeBitmap = createCompatibleBitmap(set.surfaceWidth, set.surfaceHeight);
  set.overlayBitmap = createCompatibleBitmap(set.surfaceWidth, set.surfaceHeight);
  set.composePreviousBitmap = selectBitmap(set.composeSurface, set.composeBitmap.get());
  set.overlayPreviousBitmap = selectBitmap(set.overlaySurface, set.overlayBitmap.get());
}

// The picture a paint shows: without the text while the reader has hidden it.
static const Bitmap* shownPicture(const NevContext& context) {
  const SurfaceSet& set = context.surfaces;
  return context.shared.hideText.load() != 0 ? set.composeSurface.bitmap
                                            : set.displaySurface.bitmap;
}

void presentPicture(NevContext& context, PixelTarget& client, const Rect& area) {
  SurfaceSet& set = context.surfaces;
  const int32_t cwinX = context.shared.cwinX.load();
  const int32_t cwinY = context.shared.cwinY.load();
  if (cwinX <= 0 || cwinY <= 0) return;
  std::lock_guard guard(set.pixelLock);
  const Bitmap* source = shownPicture(context);
  if (source == nullptr) return;
  stretchBlt(client, Rect{0, 0, cwinX, cwinY}, *source,
             Rect{0, 0, set.surfaceWidth, set.surfaceHeight}, area);
}

void presentWholePicture(NevContext& context, PixelTarget& target) {
  SurfaceSet& set = context.surfaces;
  std::lock_guard guard(set.pixelLock);
  const Bitmap* source = shownPicture(context);
  if (source == nullptr) return;
  const Rect whole{0, 0, target.width, target.height};
  stretchBlt(target, whole, *source, Rect{0, 0, set.surfaceWidth, set.surfaceHeight}, whole);
}

void requestRepaint(NevContext& context) { context.platform.invalidate(nullptr); }

void requestRepaintRect(NevContext& context, const Rect& surfaceArea) {
  const SurfaceSet& set = context.surfaces;
  Rect clientArea = toClient(surfaceArea, context.shared.cwinX.load(), context.shared.cwinY.load(),
                             set.surfaceWidth, set.surfaceHeight);
  context.platform.invalidate(&clientArea);
}

void releaseSurfaces(NevContext& context) {
  SurfaceSet& set = context.surfaces;
  std::lock_guard guard(set.pixelLock);
  selectFont(set.displaySurface, set.savedFont);
  set.messageFont.reset();
  set.translatedFont.reset();
  selectBrush(set.displaySurface, set.displayPreviousBrush);
  selectBitmap(set.displaySurface, set.displayPreviousBitmap);
  set.displayBitmap.reset();
  selectBitmap(set.composeSurface, set.composePreviousBitmap);
  set.composeBitmap.reset();
  selectBitmap(set.overlaySurface, set.overlayPreviousBitmap);
  set.overlayBitmap.reset();
}
