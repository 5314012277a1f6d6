#include "engine/script/media_commands.h"

#include "engine/context.h"
#include "engine/gfx/composition.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/arguments.h"
#include "engine/sound/music.h"
#include "engine/text/message_window.h"

namespace {

struct PictureArguments {
  int32_t x = 0;
  int32_t y = 0;
  const char* fileName = nullptr;
  uint32_t rasterCode = SRCCOPY;
};

// x, y and the file name are needed; without them the command draws nothing. A missing
// raster code is taken as a plain copy, the one code every picture line means by default.
bool readPictureArguments(char* arguments, PictureArguments& picture) {
  char* cursor = arguments;
  const char* x = nextArgument(cursor);
  const char* y = nextArgument(cursor);
  picture.fileName = nextArgument(cursor);
  const char* code = nextArgument(cursor);
  if (picture.fileName == nullptr) return false;
  picture.x = readNumber(x);
  picture.y = readNumber(y);
  if (code != nullptr) picture.rasterCode = static_cast<uint32_t>(readRasterCode(code));
  return true;
}

}  // namespace

CommandOutcome commandTransparentPicture(NevContext& context, char* arguments) {
  PictureArguments picture;
  if (readPictureArguments(arguments, picture)) {
    composeTransparent(context, picture.x, picture.y, picture.fileName, picture.rasterCode);
  }
  return CommandOutcome::Continue;
}

CommandOutcome commandRasterPicture(NevContext& context, char* arguments) {
  PictureArguments picture;
  if (readPictureArguments(arguments, picture)) {
    composeOpaque(context, picture.x, picture.y, picture.fileName, picture.rasterCode);
  }
  return CommandOutcome::Continue;
}

CommandOutcome commandRepaint(NevContext& context, char*) {
  requestRepaint(context);
  return CommandOutcome::Continue;
}

CommandOutcome commandTextWindow(NevContext& context, char* arguments) {
  // Numbers the line leaves out keep their values.
  char* cursor = arguments;
  for (int32_t TextWindowLayout::*setting : kTextWindowSettings) {
    const char* number = nextArgument(cursor);
    if (number == nullptr) break;
    context.runner.layout.*setting = readNumber(number);
  }
  replaceMessageFont(context);
  return CommandOutcome::Continue;
}
