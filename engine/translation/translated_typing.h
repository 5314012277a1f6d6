#pragma once
// Typing a translation's lines and choice items: UTF-8 text in the translation's proportional
// font, word-wrapped inside the text window, a row below the other as the text needs them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/font.h"
#include "base/problem.h"
#include "engine/script/runner_state.h"
#include "engine/translation/translated_layout.h"

struct NevContext;

// The font translated text is typed in: proportional, at `size` pixels, in `faceName` (the
// default face, or a name a font file of the translation's own was added under).
FontSpec translatedFontAttributes(int32_t size, const std::string& faceName);

// Makes the surfaces' translatedFont as the translation's settings say; a problem (no box) when
// its own font file cannot be read or drawn with.
std::optional<Problem> createTranslatedFont(NevContext& context);

// The translated font's pixel height, and the distance from row to row.
int32_t translatedFontSize(const NevContext& context);
int32_t translatedRowSpacing(const NevContext& context, const TextWindowLayout& layout);

// The rows of `text` (UTF-8) in the text window, from textLeft.
std::vector<TranslatedRow> layOutTranslatedLine(NevContext& context,
                                                const TextWindowLayout& layout,
                                                std::string_view text);

// As drawTextLine does for the original: a pause after each character (none with `redraw`), the
// marker after the last, the cursor on the row below.
void drawTranslatedLine(RunnerScope scope, std::string_view text, bool redraw);

// As drawChoiceItem does, with the item's rows laid out already.
void drawTranslatedChoiceItem(RunnerScope scope, const std::vector<TranslatedRow>& rows,
                              bool highlighted);
