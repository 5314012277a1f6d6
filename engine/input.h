#pragma once
// The reader's input as the window thread handles it, written once for the desktop window and
// the headless player alike. Each handler only touches the shared words and asks for repaints.

#include <cstdint>

struct NevContext;

// Run before every message the window handles. Returns true when the script has asked to end:
// the caller then destroys the window.
bool runMessagePrologue(NevContext& context);

// The menu bar that hides itself in the full-size modes.
struct MenuBarState {
  bool menuBarPinned = true;
  bool menuBarPopped = false;
};

enum class MenuBarChange { None, Attach, Detach };

// A pointer move to client row `y`; says whether the menu bar is to be attached or taken away.
MenuBarChange onPointerMove(NevContext& context, MenuBarState& menuBar, int32_t y);

// A left click at client row `y`: a click for the runner, or the text shown again.
void onLeftButton(NevContext& context, int32_t y);

// A right click: hides the text during a wait, or shows it again.
void onRightButton(NevContext& context);

// A new client size.
void onClientSize(NevContext& context, int32_t width, int32_t height);
