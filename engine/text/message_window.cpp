#include "engine/text/message_window.h"

#include <algorithm>

#include "engine/context.h"
#include "base/wrapping_math.h"

FontSpec messageFontSpec(int32_t fontSize) {
  FontSpec attributes;
  attributes.height = wrapNeg(fontSize);
  attributes.weight = 700;
  attributes.fixedPitch = true;
  attributes.charset = 128;
  attributes.faceName = "ＭＳ 明朝";
  return attributes;
}

void createMessageFont(NevContext& context) {
  context.surfaces.messageFont =
      createFont(*context.platform.glyphs, messageFontSpec(context.config.fontSize));
}

void replaceMessageFont(NevContext& context, int32_t fontSize) {
  context.shared.messageFontSize = fontSize;
  std::unique_ptr<Font> font = createFont(*context.platform.glyphs, messageFontSpec(fontSize));
  if (!font) return;
  SurfaceSet& set = context.surfaces;
  std::lock_guard guard(set.pixelLock);
  selectFont(set.displaySurface, font.get());
  set.messageFont = std::move(font);
}

Rect cellRect(const GameConfig& settings, const TextWindowLayout& layout, int32_t x, int32_t y) {
  return {wrapAdd(x, std::min(settings.shadowDx, 0)), wrapAdd(y, std::min(settings.shadowDy, 0)),
          wrapAdd(wrapAdd(x, std::max(settings.shadowDx, 0)), layout.fontSize),
          wrapAdd(wrapAdd(y, std::max(settings.shadowDy, 0)), layout.fontSize)};
}

ColourValue textColour(const GameConfig& c) { return makeColour(c.textRed, c.textGreen, c.textBlue); }
ColourValue shadowColour(const GameConfig& c) {
  return makeColour(c.shadowRed, c.shadowGreen, c.shadowBlue);
}
ColourValue pickColour(const GameConfig& c) { return makeColour(c.pickRed, c.pickGreen, c.pickBlue); }
ColourValue choiceColour(const GameConfig& c) {
  return makeColour(c.choiceRed, c.choiceGreen, c.choiceBlue);
}

int32_t delayForSpeed(int32_t charDelay, int32_t messageSpeed) {
  if (messageSpeed == 0) return charDelay;
  return wrapDiv(charDelay, messageSpeed);
}
