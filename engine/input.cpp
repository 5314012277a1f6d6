#include "engine/input.h"

#include "engine/context.h"
#include "engine/gfx/surfaces.h"

namespace {
// Client rows 0 to 4 bring a taken-away menu bar back.
constexpr int32_t kMenuBarHotRows = 4;
}  // namespace

bool runMessagePrologue(NevContext& context) {
  SharedWords& words = context.words;
  bool endNow = false;
  if (words.endRequested.load() == 1) {
    endNow = true;
    words.endRequested = 0;
  }
  // A click is kept only while the runner waits.
  if (words.waitingForClick.load() == 0) words.clicked = 0;
  return endNow;
}

MenuBarChange onPointerMove(NevContext& context, MenuBarState& menuBar, int32_t y) {
  context.words.mouseY = y;
  if (menuBar.menuBarPinned) return MenuBarChange::None;
  if (y <= kMenuBarHotRows && !menuBar.menuBarPopped) {
    menuBar.menuBarPopped = true;
    return MenuBarChange::Attach;
  }
  if (y > kMenuBarHotRows && menuBar.menuBarPopped) {
    menuBar.menuBarPopped = false;
    return MenuBarChange::Detach;
  }
  return MenuBarChange::None;
}

void onLeftButton(NevContext& context, int32_t y) {
  SharedWords& words = context.words;
  const int32_t hidden = words.hideText.load();
  if (hidden == 0) words.clicked = 1;
  words.mouseY = y;
  if (hidden == 1) {
    requestRepaint(context);
    words.hideText = 0;
  }
}

void onRightButton(NevContext& context) {
  SharedWords& words = context.words;
  if (words.hideText.load() == 1) {
    requestRepaint(context);
    words.hideText = 0;
  } else if (words.waitingForClick.load() == 1) {
    words.hideText = 1;
  }
}

void onClientSize(NevContext& context, int32_t width, int32_t height) {
  context.words.cwinX = width & 0xFFFF;
  context.words.cwinY = height & 0xFFFF;
}
