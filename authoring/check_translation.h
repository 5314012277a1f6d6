#pragma once
// `nev check --lang CODE`: what a translator should look at before readers meet the
// translation in lang/CODE/ beside the story's files.

#include <string>
#include <vector>

#include "authoring/check.h"
#include "base/freetype_glyph_rasterizer.h"

// The findings for the translation into `language` of the story in `storyDir`, grouped by file
// (the PO file first, its counts before each entry), errors before warnings. `faces` finds the default
// font by name when the translation brings none of its own.
std::vector<CheckFinding> checkTranslation(const std::string& storyDir, const std::string& language,
                                           const FaceSource& faces);
