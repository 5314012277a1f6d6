#include "engine/context.h"
#include "engine/gfx/composition.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
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

void commandTransparentPicture(NevContext& context, char* arguments) {
  PictureArguments picture;
  if (!readPictureArguments(arguments, picture)) return;
  composeTransparent(context, picture.x, picture.y, picture.fileName, picture.rasterCode);
}

void commandRasterPicture(NevContext& context, char* arguments) {
  PictureArguments picture;
  if (!readPictureArguments(arguments, picture)) return;
  composeOpaque(context, picture.x, picture.y, picture.fileName, picture.rasterCode);
}

void commandRepaint(NevContext& context) { requestRepaint(context); }

void commandTextWindow(NevContext& context, char* arguments) {
  GameConfig& config = context.config;
  int32_t* fields[] = {&config.textLeft,  &config.textTop,   &config.charsPerLine,
                       &config.reservedValue, &config.fontSize, &config.charPitch,
                       &config.linePitch, &config.charDelay, &config.waitEveryLine,
                       &config.overlayEnabled};
  // Numbers the line leaves out keep their values.
  char* cursor = arguments;
  for (int32_t* field : fields) {
    const char* number = nextArgument(cursor);
    if (number == nullptr) break;
    *field = readNumber(number);
  }
  replaceMessageFont(context);
}
