#pragma once
// The window procedure's own behaviour, apart from any toolkit: start-up menus, the menu
// commands, and the end of the program. The desktop shell calls these from its window thread.

#include <cstdint>
#include <string>

#include "shell/display_modes.h"
#include "shell/language_menu.h"
#include "engine/input.h"
#include "shell/reading_menu.h"
#include "shell/save_slots.h"
#include "shell/window_port.h"

struct NevContext;
struct GameConfig;
class StoryTranslation;

struct WindowState {
  MenuBarState menuBar;
  DisplayModes displayModes;
  WindowMode mode = WindowMode::Default;
  PictureScaling scaling = PictureScaling::KeepProportions;
  SaveSlots saveSlots;
  ReadingChoices reading;
  std::vector<StoryLanguage> languages;  // the story's translations, as the 言語 menu lists them
  std::string language;                  // the one being read; empty: the original
  bool skipByKey = false;  // the skip going on was started by holding Ctrl
  // The reader asked that this story's window size and scaling be forgotten, and has chosen
  // none since: the story opens next time as if never seen.
  bool windowSizeForgotten = false;
  bool storyEnded = false;  // the story's @E ended the program
  bool watchingScripts = false;  // --watch: the author's edits are played at once
  bool fullSize() const { return mode != WindowMode::Default; }
};

// The keys of our own for the window's modes.
enum class WindowKey {
  FullScreen /* F11 */, Leave /* Escape */, QuickSave /* F5 */, QuickLoad /* F9 */,
  Screenshot /* F12 */, CopyText /* Ctrl+C */, Backlog /* Up, Page Up */
};

// After the window exists: the display-mode items, then the developer items when enabled, then
// the story's languages.
void buildStartMenus(NevContext& context, WindowState& state, WindowPort& port);

// A menu command by its id; ids no menu names are ignored.
void onMenuCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id);

// F11 goes to full screen, or from it back to the default window; Escape leaves either
// full-size mode for the captioned window as it was before; F5 and F9 are the quick slot's. The reading keys
// give their menu commands; the backlog opens only from a wait or a choice.
void onWindowKey(NevContext& context, WindowState& state, WindowPort& port, WindowKey key);

// The text of the version box, whole however long the two texts are.
std::string versionText(const GameConfig& config, const StoryTranslation* translation);

// What the window's destruction gives back before the surfaces go: the display mode.
void restoreDisplayMode(WindowState& state, WindowPort& port);
