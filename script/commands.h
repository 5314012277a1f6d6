#pragma once
// The commands a script line can name, each run on the runner thread. `arguments` is the line
// from its third byte; commands cut it at "," and ";".

#include "script/runner.h"

struct NevContext;

CommandOutcome carryOutCommand(NevContext& context, Command command, char* arguments);

// Flow and choice.
CommandOutcome commandJump(NevContext& context, char* arguments);         // @J
void commandChoice(NevContext& context, char* arguments);                 // @W
void commandClickWait(NevContext& context);                               // @M
void commandNewPage(NevContext& context);                                 // @P
void commandRedraw(NevContext& context);                                  // @X
void commandSpeed(NevContext& context, char* arguments);                  // @S
void commandPause(NevContext& context, char* arguments);                  // @T
void commandEnd(NevContext& context);                                     // @E

// Pictures and the text window.
void commandTransparentPicture(NevContext& context, char* arguments);    // @C
void commandRasterPicture(NevContext& context, char* arguments);         // @G
void commandRepaint(NevContext& context);                                 // @I
void commandTextWindow(NevContext& context, char* arguments);            // @R
