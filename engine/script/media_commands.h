#pragma once
// The commands that draw pictures and set the text window.

#include "engine/script/commands.h"

// @C x, y, file, raster code: black is transparent.
CommandOutcome commandTransparentPicture(RunnerScope scope, char* arguments);
// @G x, y, file, raster code.
CommandOutcome commandRasterPicture(RunnerScope scope, char* arguments);
// @I
CommandOutcome commandRepaint(RunnerScope scope, char* arguments);
// @R ten numbers, in the order of kTextWindowSettings.
CommandOutcome commandTextWindow(RunnerScope scope, char* arguments);
