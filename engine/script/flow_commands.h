#pragma once
// The commands that steer the reading: jump, choice, waits, the page, speed and the end.

#include <cstdint>

#include "engine/script/commands.h"

CommandOutcome commandJump(RunnerScope scope, char* arguments);       // @J file, label
CommandOutcome commandChoice(RunnerScope scope, char* arguments);     // @W item count
CommandOutcome commandClickWait(RunnerScope scope, char* arguments);  // @M
CommandOutcome commandNewPage(RunnerScope scope, char* arguments);    // @P
CommandOutcome commandRedraw(RunnerScope scope, char* arguments);     // @X
CommandOutcome commandSpeed(RunnerScope scope, char* arguments);      // @S delay
CommandOutcome commandPause(RunnerScope scope, char* arguments);      // @T time
CommandOutcome commandEnd(RunnerScope scope, char* arguments);        // @E

// The choice once its `count` items are in the choice table: lit under the pointer, picked by
// a click, its branch lines skipped to the one picked.
void pickChoiceItem(RunnerScope scope, int32_t count);
