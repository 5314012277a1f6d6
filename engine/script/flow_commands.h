#pragma once
// The commands that steer the reading: jump, choice, waits, the page, speed and the end.

#include <cstdint>

#include "engine/script/commands.h"

CommandOutcome commandJump(NevContext& context, char* arguments);       // @J file, label
CommandOutcome commandChoice(NevContext& context, char* arguments);     // @W item count
CommandOutcome commandClickWait(NevContext& context, char* arguments);  // @M
CommandOutcome commandNewPage(NevContext& context, char* arguments);    // @P
CommandOutcome commandRedraw(NevContext& context, char* arguments);     // @X
CommandOutcome commandSpeed(NevContext& context, char* arguments);      // @S delay
CommandOutcome commandPause(NevContext& context, char* arguments);      // @T time
CommandOutcome commandEnd(NevContext& context, char* arguments);        // @E

// The choice once its `count` items are in the choice table: lit under the pointer, picked by
// a click, its branch lines skipped to the one picked.
void pickChoiceItem(NevContext& context, int32_t count);
