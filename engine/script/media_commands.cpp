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

CommandOutcome commandTransparentPicture(RunnerScope scope, char* arguments) {
  PictureArguments picture;
  if (readPictureArguments(arguments, picture)) {
    composeTransparent(scope.story, picture.x, picture.y, picture.fileName, picture.rasterCode,
                       scope.runner.layout.overlayEnabled);
  }
  return CommandOutcome::Continue;
}

CommandOutcome commandRasterPicture(RunnerScope scope, char* arguments) {
  PictureArguments picture;
  if (readPictureArguments(arguments, picture)) {
    composeOpaque(scope.story, picture.x, picture.y, picture.fileName, picture.rasterCode,
                  scope.runner.layout.overlayEnabled);
  }
  return CommandOutcome::Continue;
}

CommandOutcome commandRepaint(RunnerScope scope, char*) {
  requestRepaint(scope.story);
  return CommandOutcome::Continue;
}

CommandOutcome commandTextWindow(RunnerScope scope, char* arguments) {
  // Numbers the line leaves out keep their values.
  char* cursor = arguments;
  for (int32_t TextWindowLayout::*setting : kTextWindowSettings) {
    const char* number = nextArgument(cursor);
    if (number == nullptr) break;
    scope.runner.layout.*setting = readNumber(number);
  }
  replaceMessageFont(scope.story, scope.runner.layout.fontSize);
  return CommandOutcome::Continue;
}
