#pragma once
// A story's translations on disk: lang/<code>/story.po beside the story's own files, which are
// never changed.

#include <optional>
#include <string>
#include <string_view>

#include "base/problem.h"

// A language code as gettext names languages ("en", "pt_BR", "sr@latin"): a letter, then
// letters, digits, "_", "-" or "@"; never a path.
bool isLanguageCode(std::string_view code);

// Writes lang/<language>/story.po with every key of the story untranslated; refuses to write
// over one. `summary` tells what was written.
std::optional<Problem> initTranslation(const std::string& storyDir, const std::string& language,
                                       std::string& summary);

// Brings lang/<language>/story.po up to date with the story's scripts.
std::optional<Problem> updateTranslation(const std::string& storyDir, const std::string& language,
                                         std::string& summary);
