#pragma once
// The commands that draw pictures and set the text window.

#include "engine/script/commands.h"

CommandOutcome commandTransparentPicture(NevContext& context, char* arguments);  // @C x, y, file, code
CommandOutcome commandRasterPicture(NevContext& context, char* arguments);       // @G x, y, file, code
CommandOutcome commandRepaint(NevContext& context, char* arguments);             // @I
CommandOutcome commandTextWindow(NevContext& context, char* arguments);          // @R ten numbers
