#pragma once
// The window procedure's own behaviour, apart from any toolkit: start-up menus, the menu
// commands, and the end of the program. The desktop shell calls these from its window thread.

#include <cstdint>
#include <string>

#include "shell/display_modes.h"
#include "engine/input.h"
#include "shell/window_port.h"

struct NevContext;
struct GameConfig;

struct WindowState {
  MenuBarState menuBar;
  DisplayModes displayModes;
  bool fullSize = false;  // the full-size window or full screen is showing
};

// After the window exists: the display-mode items, then the developer items when enabled.
void buildStartMenus(NevContext& context, WindowState& state, WindowPort& port);

// A menu command by its id; ids no menu names are ignored.
void onMenuCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id);

// The text of the version box, whole however long the two texts are.
std::string versionText(const GameConfig& config);

// What the window's destruction gives back before the surfaces go: the display mode.
void restoreDisplayMode(WindowState& state, WindowPort& port);
