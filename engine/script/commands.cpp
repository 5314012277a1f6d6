#include "engine/script/commands.h"

#include <array>
#include <iterator>

#include "engine/config.h"
#include "engine/script/flow_commands.h"
#include "engine/script/media_commands.h"
#include "engine/script/sound_commands.h"
#include "engine/text/text_window_layout.h"

namespace {

using enum ArgumentKind;
using enum CommandFlow;

constexpr ArgumentKind kPicture[] = {Number, Number, PictureFile, RasterCode};
constexpr ArgumentKind kJump[] = {ScriptFile, Label};
constexpr ArgumentKind kOneNumber[] = {Number};
constexpr ArgumentKind kMusic[] = {MusicFile, Number};
constexpr ArgumentKind kSound[] = {SoundFile};
constexpr std::array<ArgumentKind, kTextWindowFields> kTextWindow = [] {
  std::array<ArgumentKind, kTextWindowFields> kinds;
  kinds.fill(Number);
  return kinds;
}();

// In the order of Command.
constexpr CommandDefinition kCommands[] = {
    {0, Command::None, {}, "", FallsThrough, nullptr},
    {';', Command::Comment, {}, "", FallsThrough, nullptr},
    {'C', Command::TransparentPicture, kPicture, "x, y, file, raster code", FallsThrough,
     commandTransparentPicture},
    {'E', Command::End, {}, "", Ends, commandEnd},
    {'G', Command::RasterPicture, kPicture, "x, y, file, raster code", FallsThrough,
     commandRasterPicture},
    {'I', Command::Repaint, {}, "", FallsThrough, commandRepaint},
    {'J', Command::Jump, kJump, "file, label", Jumps, commandJump},
    // Its label is read by the jump's search, not when the line is met in order.
    {'L', Command::Label, {}, "", JumpTarget, nullptr},
    {'M', Command::ClickWait, {}, "", Waits, commandClickWait},
    {'P', Command::NewPage, {}, "", FallsThrough, commandNewPage},
    {'Q', Command::StopMusic, {}, "", FallsThrough, commandStopMusic},
    {'R', Command::TextWindow, kTextWindow, "ten numbers", FallsThrough, commandTextWindow},
    {'S', Command::Speed, kOneNumber, "delay", FallsThrough, commandSpeed},
    {'T', Command::Pause, kOneNumber, "time", Waits, commandPause},
    {'W', Command::Choice, kOneNumber, "item count", Chooses, commandChoice},
    {'X', Command::Redraw, {}, "", FallsThrough, commandRedraw},
    {'Y', Command::Music, kMusic, "file, loop value", FallsThrough, commandMusic},
    {'Z', Command::Sound, kSound, "sound", FallsThrough, commandSound},
};

constexpr bool rowsInCommandOrder() {
  for (size_t i = 0; i < std::size(kCommands); ++i) {
    if (static_cast<size_t>(kCommands[i].command) != i) return false;
  }
  return true;
}
static_assert(rowsInCommandOrder());

constexpr char kFirstLetter = ';';
constexpr char kLastLetter = 'Z';

// Every second byte from ";" to "Z"; the bytes without a row name no command.
constexpr auto kByLetter = [] {
  std::array<Command, kLastLetter - kFirstLetter + 1> byLetter{};
  byLetter.fill(Command::None);
  for (const CommandDefinition& row : kCommands) {
    if (row.letter != 0) byLetter[row.letter - kFirstLetter] = row.command;
  }
  return byLetter;
}();

}  // namespace

Command commandForLetter(char secondByte) {
  const signed char letter = static_cast<signed char>(secondByte);
  if (letter < kFirstLetter || letter > kLastLetter) return Command::None;
  return kByLetter[letter - kFirstLetter];
}

const CommandDefinition& commandDefinition(Command command) {
  return kCommands[static_cast<size_t>(command)];
}

CommandOutcome carryOutCommand(RunnerScope scope, Command command, char* arguments) {
  const CommandHandler handler = commandDefinition(command).handler;
  return handler != nullptr ? handler(scope, arguments) : CommandOutcome::Continue;
}
