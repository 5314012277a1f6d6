#pragma once
// The commands a script line can name, each run on the runner thread. `arguments` is the line
// from its third byte; commands cut it at "," and ";".

#include <cstdint>

struct NevContext;

enum class Command {
  None,  // a second byte that names no command: the line does nothing
  Comment,
  TransparentPicture,  // C
  End,                 // E
  RasterPicture,       // G
  Repaint,             // I
  Jump,                // J
  Label,               // L
  ClickWait,           // M
  NewPage,             // P
  StopMusic,           // Q
  TextWindow,          // R
  Speed,               // S
  Pause,               // T
  Choice,              // W
  Redraw,              // X
  Music,               // Y
  Sound,               // Z
};

// The command a line's second byte selects, taken as a signed byte.
Command commandForLetter(char secondByte);

enum class CommandOutcome { Continue, EndRunner };

CommandOutcome carryOutCommand(NevContext& context, Command command, char* arguments);

// Flow and choice.
CommandOutcome commandJump(NevContext& context, char* arguments);         // @J
void commandChoice(NevContext& context, char* arguments);                 // @W
// The choice once its `count` items are in the choice table: lit under the pointer, picked by
// a click, its branch lines skipped to the one picked.
void pickChoiceItem(NevContext& context, int32_t count);
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

// Music and sound effects.
void commandMusic(NevContext& context, char* arguments);                  // @Y file name, loop value
void commandStopMusic(NevContext& context);                               // @Q
void commandSound(NevContext& context, char* arguments);                  // @Z sound name
