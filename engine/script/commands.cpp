#include "engine/script/commands.h"

#include <iterator>

namespace {

// Indexed by the second byte minus ";": every byte from ";" to "Z".
constexpr Command kDispatch[] = {
    Command::Comment,       // ;
    Command::None,          // <
    Command::None,          // =
    Command::None,          // >
    Command::None,          // ?
    Command::None,          // @
    Command::None,          // A
    Command::None,          // B
    Command::TransparentPicture,  // C
    Command::None,          // D
    Command::End,           // E
    Command::None,          // F
    Command::RasterPicture, // G
    Command::None,          // H
    Command::Repaint,       // I
    Command::Jump,          // J
    Command::None,          // K
    Command::Label,         // L
    Command::ClickWait,     // M
    Command::None,          // N
    Command::None,          // O
    Command::NewPage,       // P
    Command::StopMusic,     // Q
    Command::TextWindow,    // R
    Command::Speed,         // S
    Command::Pause,         // T
    Command::None,          // U
    Command::None,          // V
    Command::Choice,        // W
    Command::Redraw,        // X
    Command::Music,         // Y
    Command::Sound,         // Z
};
static_assert(std::size(kDispatch) == 'Z' - ';' + 1);

}  // namespace

Command commandForLetter(char secondByte) {
  const signed char letter = static_cast<signed char>(secondByte);
  if (letter < ';' || letter > 'Z') return Command::None;
  return kDispatch[letter - ';'];
}

CommandOutcome carryOutCommand(NevContext& context, Command command, char* arguments) {
  switch (command) {
    case Command::Jump:
      return commandJump(context, arguments);
    case Command::Choice:
      commandChoice(context, arguments);
      break;
    case Command::ClickWait:
      commandClickWait(context);
      break;
    case Command::NewPage:
      commandNewPage(context);
      break;
    case Command::Redraw:
      commandRedraw(context);
      break;
    case Command::Speed:
      commandSpeed(context, arguments);
      break;
    case Command::Pause:
      commandPause(context, arguments);
      break;
    case Command::End:
      commandEnd(context);
      break;
    case Command::TransparentPicture:
      commandTransparentPicture(context, arguments);
      break;
    case Command::RasterPicture:
      commandRasterPicture(context, arguments);
      break;
    case Command::Repaint:
      commandRepaint(context);
      break;
    case Command::TextWindow:
      commandTextWindow(context, arguments);
      break;
    case Command::Music:
      commandMusic(context, arguments);
      break;
    case Command::StopMusic:
      commandStopMusic(context);
      break;
    case Command::Sound:
      commandSound(context, arguments);
      break;
    case Command::Label:
    case Command::Comment:
    case Command::None:
      break;
  }
  return CommandOutcome::Continue;
}
