#include "engine/translation/translated_typing.h"

#include <algorithm>
#include <mutex>

#include "base/wrapping_math.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/text/message_window.h"
#include "engine/text/text_output.h"
#include "engine/translation/language_settings.h"
#include "engine/translation/story_translation.h"

namespace {

// Font files are read whole; none a translation could use is larger.
constexpr uint64_t kLargestFontFile = uint64_t{64} << 20;

const GlyphMask* glyphOf(NevContext& context, char32_t point) {
  Font* font = context.surfaces.translatedFont.get();
  return font != nullptr ? &glyphOfCharacter(*font, point) : nullptr;
}

// One character with its shadow, and the rectangle it may have inked.
Rect drawCharacter(NevContext& context, char32_t point, int32_t x, int32_t y,
                   ColourValue colour) {
  const GameConfig& config = context.config;
  const int32_t size = translatedFontSize(context);
  Rect area{wrapAdd(x, std::min(config.shadowDx, 0)), wrapAdd(y, std::min(config.shadowDy, 0)),
            x, wrapAdd(wrapAdd(y, std::max(config.shadowDy, 0)), size)};
  const GlyphMask* glyph = glyphOf(context, point);
  if (glyph == nullptr) return area;
  // A proportional glyph's ink may leave its cell (descenders, italics), and all of it is shown.
  const int32_t inkRight = std::max(glyph->advance, glyph->left + glyph->width);
  area.right = wrapAdd(wrapAdd(x, std::max(config.shadowDx, 0)), std::max(inkRight, 0));
  if (glyph->width > 0 && glyph->height > 0) {
    area.left = wrapAdd(area.left, std::min(glyph->left, 0));
    area.top = wrapAdd(area.top, std::min(glyph->top, 0));
    area.bottom = wrapAdd(wrapAdd(y, std::max(config.shadowDy, 0)),
                          std::max(size, wrapAdd(glyph->top, glyph->height)));
  }
  DrawingContext& display = context.surfaces.displaySurface;
  std::lock_guard guard(context.surfaces.pixelLock);
  display.textColour = shadowColour(config);
  drawGlyph(display, wrapAdd(x, config.shadowDx), wrapAdd(y, config.shadowDy), *glyph);
  display.textColour = colour;
  drawGlyph(display, x, y, *glyph);
  return area;
}

}  // namespace

FontSpec translatedFontAttributes(int32_t size, const std::string& faceName) {
  FontSpec attributes = messageFontSpec(size);
  attributes.fixedPitch = false;
  attributes.charset = 0;
  attributes.faceName = faceName;
  return attributes;
}

std::optional<Problem> createTranslatedFont(NevContext& context) {
  const StoryTranslation* translation = context.translation;
  if (translation == nullptr) return std::nullopt;
  GlyphRasterizer& glyphs = *context.platform.glyphs;
  FontSpec attributes = translatedFontAttributes(translatedFontSize(context), kTranslatedFaceName);
  if (const std::string& file = translation->settings().fontFile; !file.empty()) {
    const std::string name = translation->folder() + "/" + file;
    std::optional<std::string> bytes = context.files->read(name, kLargestFontFile);
    attributes.faceName = "translation font " + name;
    if (!bytes ||
        !glyphs.addFaceFile(attributes.faceName, std::make_shared<const std::string>(std::move(*bytes)))) {
      return Problem{.kind = ProblemKind::StoryFile,
                     .detail = context.files->problem(name, "not a font file nev can draw with")};
    }
  }
  context.surfaces.translatedFont = createFont(glyphs, attributes);
  return std::nullopt;
}

int32_t translatedFontSize(const NevContext& context) {
  const StoryTranslation* translation = context.translation;
  if (translation != nullptr && translation->settings().size) return *translation->settings().size;
  return context.config.fontSize;
}

int32_t translatedRowSpacing(const NevContext& context, const TextWindowLayout& layout) {
  const StoryTranslation* translation = context.translation;
  if (translation != nullptr && translation->settings().lineSpacing) {
    return *translation->settings().lineSpacing;
  }
  return layout.linePitch;
}

std::vector<TranslatedRow> layOutTranslatedLine(NevContext& context,
                                                const TextWindowLayout& layout,
                                                std::string_view text) {
  const std::u32string points = codePointsOf(text);
  return layOutTranslatedText(points, layout.textLeft, translatedRowRight(layout, context.config),
                              [&](char32_t point) {
                                const GlyphMask* glyph = glyphOf(context, point);
                                return glyph != nullptr ? glyph->advance : layout.charPitch;
                              });
}

void drawTranslatedLine(RunnerScope scope, std::string_view text, bool redraw) {
  NevContext& context = scope.story;
  const TextWindowLayout& layout = scope.runner.layout;
  MessageWindow& window = scope.runner.messageWindow;
  const int32_t spacing = translatedRowSpacing(context, layout);
  const std::vector<TranslatedRow> rows = layOutTranslatedLine(context, layout, text);
  int32_t y = window.cursorY;
  int32_t end = window.cursorX;
  bool going = true;
  for (size_t row = 0; row < rows.size() && going; ++row) {
    if (row > 0) y = wrapAdd(y, spacing);
    end = rows[row].characters.empty() ? layout.textLeft : rows[row].end;
    for (const PlacedCharacter& character : rows[row].characters) {
      const Rect area = drawCharacter(context, character.point, character.x, y,
                                      textColour(context.config));
      if (redraw) continue;
      requestRepaintRect(context, area);
      if (!pauseRunner(context, window.currentDelay)) {
        going = false;
        break;
      }
    }
  }
  window.markerX = end;
  window.markerY = y;
  window.cursorY = wrapAdd(y, spacing);
  window.cursorX = layout.textLeft;
  window.currentDelay = delayForSpeed(layout.charDelay, context.shared.messageSpeed.load());
}

void drawTranslatedChoiceItem(RunnerScope scope, const std::vector<TranslatedRow>& rows,
                              bool highlighted) {
  NevContext& context = scope.story;
  const GameConfig& config = context.config;
  const TextWindowLayout& layout = scope.runner.layout;
  MessageWindow& window = scope.runner.messageWindow;
  const int32_t spacing = translatedRowSpacing(context, layout);
  for (size_t row = 0; row < rows.size(); ++row) {
    if (row > 0) window.choiceY = wrapAdd(window.choiceY, spacing);
    for (const PlacedCharacter& character : rows[row].characters) {
      requestRepaintRect(context, drawCharacter(context, character.point, character.x,
                                                window.choiceY,
                                                highlighted ? pickColour(config) : choiceColour(config)));
    }
  }
  window.choiceY = wrapAdd(window.choiceY, spacing);
  window.choiceX = layout.textLeft;
}
