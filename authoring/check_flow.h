#pragma once
// The lint's jump graph: the labels, the jumps between scripts and the lines that stop for the
// reader, and what they show once every script is read: labels not found or never reached, and
// loops that never stop for the reader.

#include "authoring/check_model.h"
#include "engine/script/commands.h"

// A text line: the reader is stopped there.
void noteTextLine(CheckedScript& script, int line);

// A command line's flow, as its command's row gives it; jumps are noted by checkJump.
void noteCommandFlow(CheckedScript& script, int line, CommandFlow flow);

// A label line, as the jump's label search reads it.
void recordLabel(CheckedScript& script, int line, const char* text, int length);

// A jump's file and label (either may be missing): the target script joins those to be read.
void checkJump(StoryCheck& story, size_t script, int line, const char* fileName, const char* label);

void checkLabelJumps(StoryCheck& story);
void checkUnreachableLabels(StoryCheck& story);

// Jumps that come round to where they started with no text, wait, choice or pause on the way:
// the runner spins there for ever, and the reader sees the story hang.
void checkEndlessLoops(StoryCheck& story);
