#include "engine/gfx/composition.h"

#include <mutex>
#include <optional>
#include <string>

#include "engine/context.h"
#include "engine/messages.h"
#include "base/bitmap_file.h"
#include "base/codepage.h"

namespace {

// The palette-relative mark: the grey acts as its red, green and blue.
constexpr ColourValue kPaletteRelative = 0x02000000;

// A bitmap of the given size in `slot`, reusing its memory when there is enough.
bool fitBitmap(std::unique_ptr<Bitmap>& slot, int32_t width, int32_t height, bool monochrome) {
  if (slot && slot->monochrome == monochrome &&
      slot->pixels.capacity() >= static_cast<size_t>(width) * static_cast<size_t>(height) &&
      width > 0 && height > 0) {
    slot->width = width;
    slot->height = height;
    slot->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    return true;
  }
  slot = monochrome ? createMonochromeBitmap(width, height) : createCompatibleBitmap(width, height);
  return slot != nullptr;
}

}  // namespace

std::unique_ptr<Bitmap> loadPicture(NevContext& context, const char* fileName) {
  std::unique_ptr<Bitmap> picture;
  const std::optional<std::string> file = context.files->read(fileName, kLargestBitmapFile);
  if (file) picture = decodeBitmapFile(*file);
  if (!picture) {
    reportProblem(context.platform.messageBox,
                  {.kind = ProblemKind::StoryFile,
                   .boxText = cp932ToUtf8Escaped(fileName),
                   .caption = kCaptionPictureError,
                   .detail = context.files->problem(fileName, "not a BMP picture nev can show")});
  }
  return picture;
}

void composeOpaque(NevContext& context, int32_t x, int32_t y, const char* fileName,
                   uint32_t rasterCode, int32_t overlayEnabled) {
  SurfaceSet& set = context.surfaces;
  std::unique_ptr<Bitmap> picture = loadPicture(context, fileName);
  // A picture that failed to load draws nothing; the rest of the command goes on.
  Bitmap* previous = selectBitmap(set.loadSurface, picture.get());
  if (picture) {
    std::lock_guard guard(set.pixelLock);
    bitBlt(set.composeSurface, x, y, picture->width, picture->height, &set.loadSurface, 0, 0,
           rasterCode);
  }
  finishPicture(context, rasterCode, overlayEnabled);
  selectBitmap(set.loadSurface, previous);
}

void composeTransparent(NevContext& context, int32_t x, int32_t y, const char* fileName,
                        uint32_t rasterCode, int32_t overlayEnabled) {
  SurfaceSet& set = context.surfaces;
  std::unique_ptr<Bitmap> picture = loadPicture(context, fileName);
  if (picture) {
    std::lock_guard guard(set.pixelLock);
    drawTransparent(set.composeSurface, *picture, x, y, picture->width, picture->height, kBlack,
                    &set.transparentDrawWork);
  }
  finishPicture(context, rasterCode, overlayEnabled);
}

void drawTransparent(DrawingContext& target, Bitmap& picture, int32_t x, int32_t y, int32_t width,
                     int32_t height, ColourValue transparentColour, TransparentDrawWork* reuse) {
  DrawingContext pictureContext, cutOut, mask, work;
  TransparentDrawWork made;
  TransparentDrawWork& bitmaps = reuse != nullptr ? *reuse : made;
  // Every pixel of the work bitmaps that reaches the target is written before it is read, so
  // what they held before does not matter.
  if (!fitBitmap(bitmaps.cutOut, width, height, false) ||
      !fitBitmap(bitmaps.mask, width, height, true) ||
      !fitBitmap(bitmaps.work, width, height, false)) {
    return;
  }
  Bitmap* cutOutBitmap = bitmaps.cutOut.get();
  Bitmap* maskBitmap = bitmaps.mask.get();
  Bitmap* workBitmap = bitmaps.work.get();
  selectBitmap(pictureContext, &picture);
  selectBitmap(cutOut, cutOutBitmap);
  selectBitmap(mask, maskBitmap);
  selectBitmap(work, workBitmap);

  bitBlt(work, 0, 0, width, height, &target, x, y, SRCCOPY);
  pictureContext.backgroundColour = transparentColour;
  bitBlt(mask, 0, 0, width, height, &pictureContext, 0, 0, SRCCOPY);  // 1 where transparent
  bitBlt(work, 0, 0, width, height, &mask, 0, 0, SRCAND);  // black where the picture is opaque
  bitBlt(mask, 0, 0, width, height, nullptr, 0, 0, DSTINVERT);
  bitBlt(cutOut, 0, 0, width, height, &pictureContext, 0, 0, SRCCOPY);
  bitBlt(cutOut, 0, 0, width, height, &mask, 0, 0, SRCAND);  // transparent pixels black
  bitBlt(work, 0, 0, width, height, &cutOut, 0, 0, SRCPAINT);
  bitBlt(target, x, y, width, height, &work, 0, 0, SRCCOPY);
}

void finishPicture(NevContext& context, uint32_t rasterCode, int32_t overlayEnabled) {
  SurfaceSet& set = context.surfaces;
  {
    std::lock_guard guard(set.pixelLock);
    bitBlt(set.overlaySurface, 0, 0, set.surfaceWidth, set.surfaceHeight, &set.composeSurface, 0, 0,
           rasterCode);
  }
  if (overlayEnabled == 1) applyOverlay(context);
  std::lock_guard guard(set.pixelLock);
  bitBlt(set.displaySurface, 0, 0, set.surfaceWidth, set.surfaceHeight, &set.overlaySurface, 0, 0,
         rasterCode);
}

void applyOverlay(NevContext& context) {
  SurfaceSet& set = context.surfaces;
  DrawingContext& overlay = set.overlaySurface;
  overlay.mixMode = R2_MASKNOTPEN;
  const uint32_t level = static_cast<uint32_t>(context.config.overlayLevel) & 0xFF;
  const ColourValue grey = kPaletteRelative | makeColour(level, level, level);
  const ColourValue previousPen = selectPen(overlay, grey);
  const ColourValue previousBrush = selectBrush(overlay, grey);
  drawRectangle(overlay, 0, 0, set.surfaceWidth, set.surfaceHeight);
  selectPen(overlay, previousPen);
  selectBrush(overlay, previousBrush);
}
