#pragma once
// The lint's reading of a text line's bytes as the player draws them: two bytes a cell, from
// the line's start, whatever characters they hold.

#include <cstddef>

#include "authoring/check_model.h"

// Warns, naming the column, when a one-byte character leaves the characters after it split
// across cells, and suggests its full-width form.
void checkCellsInStep(StoryCheck& story, size_t script, int line, const char* text);
