#pragma once
// The commands that play music and sound effects.

#include "engine/script/commands.h"

CommandOutcome commandMusic(NevContext& context, char* arguments);      // @Y file, loop value
CommandOutcome commandStopMusic(NevContext& context, char* arguments);  // @Q
CommandOutcome commandSound(NevContext& context, char* arguments);      // @Z sound
