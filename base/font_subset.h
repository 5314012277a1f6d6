#pragma once
// A TrueType font cut down to the characters a story draws. Every table and every glyph id
// stays, so metrics, hinting and the character map are untouched; only the outlines no wanted
// character needs are emptied. The glyphs kept rasterize exactly as in the whole font.

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "base/problem.h"

// The font in `font` (a TrueType file's bytes) keeping the outlines of the glyphs the
// characters of `wanted` map to, the components of those glyphs and glyph 0 (drawn for a
// character the font lacks). Nothing, and `problem` says why, when the bytes are no TrueType
// font this can cut.
std::optional<std::string> subsetFont(std::string_view font, const std::set<char32_t>& wanted,
                                      Problem& problem);
