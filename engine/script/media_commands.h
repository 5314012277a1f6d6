#pragma once
// The commands that draw pictures and set the text window.

#include "engine/script/commands.h"

// @C x, y, file, raster code: black is transparent.
CommandOutcome commandTransparentPicture(NevContext& context, char* arguments);
// @G x, y, file, raster code.
CommandOutcome commandRasterPicture(NevContext& context, char* arguments);
// @I
CommandOutcome commandRepaint(NevContext& context, char* arguments);
// @R ten numbers, in the order of kTextWindowSettings.
CommandOutcome commandTextWindow(NevContext& context, char* arguments);
