#pragma once
// The commands that play music and sound effects.

#include "engine/script/commands.h"

CommandOutcome commandMusic(RunnerScope scope, char* arguments);      // @Y file, loop value
CommandOutcome commandStopMusic(RunnerScope scope, char* arguments);  // @Q
CommandOutcome commandSound(RunnerScope scope, char* arguments);      // @Z sound
