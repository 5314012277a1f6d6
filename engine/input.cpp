#include "engine/input.h"

#include "engine/context.h"
#include "engine/gfx/surfaces.h"

namespace {
// Client rows 0 to 4 bring a taken-away menu bar back.
constexpr int32_t kMenuBarHotRows = 4;
}  // namespace

bool runMessagePrologue(NevContext& context) {
  SharedState& shared = context.shared;
  bool endNow = false;
  if (shared.endRequested.load() == 1) {
    endNow = true;
    shared.endRequested = 0;
  }
  // A click is kept only while the runner waits.
  if (shared.waitingForClick.load() == 0) shared.clicked = 0;
  return endNow;
}

MenuBarChange onPointerMove(NevContext& context, MenuBarState& menuBar, int32_t y) {
  context.shared.mouseY = y;
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
  SharedState& shared = context.shared;
  const int32_t hidden = shared.hideText.load();
  if (hidden == 0) shared.clicked = 1;
  shared.mouseY = y;
  if (hidden == 1) {
    requestRepaint(context);
    shared.hideText = 0;
  }
}

void onRightButton(NevContext& context) {
  SharedState& shared = context.shared;
  if (shared.hideText.load() == 1) {
    requestRepaint(context);
    shared.hideText = 0;
  } else if (shared.waitingForClick.load() == 1) {
    shared.hideText = 1;
  }
}

void onClientSize(NevContext& context, int32_t width, int32_t height) {
  context.shared.cwinX = width & 0xFFFF;
  context.shared.cwinY = height & 0xFFFF;
}
