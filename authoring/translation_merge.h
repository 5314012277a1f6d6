#pragma once
// A story's PO file made from its keys, and brought up to date after its scripts changed: a
// translation stays with its line when lines come and go elsewhere, follows a line whose own
// text changed (marked fuzzy), and is kept as obsolete when its line is gone.

#include <string>
#include <vector>

#include "engine/translation/translation_keys.h"
#include "base/po_file.h"

// A new translation into `language`, every entry untranslated. `now` as the PO header writes
// dates ("2026-01-31 12:00+0000").
PoFile newTranslation(const std::vector<TranslationKey>& keys, const std::string& language,
                      const std::string& storyTitle, const std::string& now);

struct MergeCounts {
  int kept = 0;      // translated, still attached to its line
  int fuzzy = 0;     // made fuzzy by this update: its line's text changed
  int added = 0;     // new lines, untranslated
  int obsolete = 0;  // translated lines no longer in the story
};

// `translation` with the story's keys as they are now, in their order, the header kept and
// obsolete entries last.
PoFile mergeTranslation(const PoFile& translation, const std::vector<TranslationKey>& keys,
                        MergeCounts& counts);
