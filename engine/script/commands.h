#pragma once
// The script commands, one row a letter: what a command line reads, what it does to the
// reading of the story, and the handler that carries it out on the runner thread. The runner
// dispatches from this table; the lint and the route explorer read arguments and flow from it,
// so a new command is a row here and a handler.

#include <span>

#include "engine/script/runner_state.h"

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

// How an argument is read, and what it names.
enum class ArgumentKind {
  Number,      // as atoi reads it
  RasterCode,  // as strtol reads it with base 0
  PictureFile,
  MusicFile,
  SoundFile,
  ScriptFile,
  Label,
};

// What a command does to the reading of the script.
enum class CommandFlow {
  FallsThrough,  // reading goes on with the next line
  JumpTarget,    // falls through when met in order; a jump goes on after it
  Jumps,         // reading goes on in the named file, after the named label
  Waits,         // stops for the reader's click or for a time
  Chooses,       // the next lines are items, then one branch line each; the reader picks one
  Ends,          // asks the program to end
};

enum class CommandOutcome { Continue, EndRunner };

// `arguments` is the line from its third byte; handlers cut it at "," and ";". Only the
// runner's thread calls one, with its own record.
using CommandHandler = CommandOutcome (*)(RunnerScope scope, char* arguments);

struct CommandDefinition {
  char letter;  // the line's second byte; 0 for the row of bytes that name no command
  Command command;
  std::span<const ArgumentKind> arguments;  // what carrying the command out reads, in order
  const char* argumentNames;                // the arguments as an author calls them
  CommandFlow flow;
  CommandHandler handler;  // nullptr: the line does nothing
};

// The command a line's second byte selects, taken as a signed byte: only ";" to "Z" can.
Command commandForLetter(char secondByte);

const CommandDefinition& commandDefinition(Command command);

CommandOutcome carryOutCommand(RunnerScope scope, Command command, char* arguments);
