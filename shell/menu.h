#pragma once
// The menu bar and its command ids, which the window procedure dispatches on.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int32_t kMenuDefaultWindow = 40012;
inline constexpr int32_t kMenuFullSizeWindow = 40013;
inline constexpr int32_t kMenuVersion = 40020;
inline constexpr int32_t kMenuHelpContents = 40023;
inline constexpr int32_t kMenuFullScreen = 40025;
inline constexpr int32_t kMenuEndGame = 40029;
inline constexpr int32_t kMenuSpeedFastest = 40031;
inline constexpr int32_t kMenuSpeedFourTimes = 40032;
inline constexpr int32_t kMenuSpeedDefault = 40033;
inline constexpr int32_t kMenuDisplayModeFirst = 41000;
inline constexpr int32_t kMenuDisplayModeCount = 10;
inline constexpr int32_t kMenuDeveloperHelp = 42000;
inline constexpr int32_t kMenuScramble = 42001;
inline constexpr int32_t kMenuClientSize = 42002;
inline constexpr int32_t kMenuRemoveMenu = 42003;
// Our own commands, outside the ranges above.
inline constexpr int32_t kMenuScaleKeepProportions = 43000;  // + PictureScaling
inline constexpr int32_t kMenuScaleWholeMultiples = 43001;
inline constexpr int32_t kMenuScaleStretch = 43002;
inline constexpr int32_t kMenuForgetWindowSize = 43010;
inline constexpr int32_t kMenuSaveSlotFirst = 44001;  // + slot - 1, for the ten slots
inline constexpr int32_t kMenuLoadSlotFirst = 44101;
inline constexpr int32_t kMenuQuickSave = 44200;
inline constexpr int32_t kMenuQuickLoad = 44201;
inline constexpr int32_t kMenuSlotDialog = 44202;
inline constexpr int32_t kMenuBacklog = 45000;
inline constexpr int32_t kMenuSkip = 45001;
inline constexpr int32_t kMenuAuto = 45002;
inline constexpr int32_t kMenuSkipUnread = 45003;
inline constexpr int32_t kMenuMusicVolumeFirst = 45010;  // + 0 … 4: off, 25, 50, 75, 100 %
inline constexpr int32_t kMenuSoundVolumeFirst = 45020;
inline constexpr int32_t kMenuMute = 45030;
inline constexpr int32_t kMenuAutoSpeedFirst = 45050;  // + 0 slow, 1 usual, 2 fast
inline constexpr int32_t kAutoSpeeds = 3;
inline constexpr int32_t kMenuScreenshot = 45040;
inline constexpr int32_t kMenuCopyText = 45041;
inline constexpr int32_t kVolumeSteps = 5;
// With --watch: the scripts read again, the reader kept at the same line.
inline constexpr int32_t kMenuReloadScripts = 47000;
inline constexpr int32_t kMenuLanguageFirst = 46000;  // the original, then each translation
inline constexpr int32_t kMenuLanguageCount = 100;
inline constexpr int32_t kMenuShowOriginal = 46100;  // the page in the original, until chosen again

inline constexpr int32_t kSubmenuGame = 0;
inline constexpr int32_t kSubmenuScreen = 1;
inline constexpr int32_t kSubmenuHelp = 2;
inline constexpr int32_t kSubmenuBookmarks = 3;
inline constexpr int32_t kSubmenuReading = 4;
inline constexpr int32_t kSubmenuLanguage = 5;

// One line of a menu: an item with an id, a separator (id 0), or the start of a submenu.
struct MenuEntry {
  enum class Kind { Item, Separator, SubmenuStart, SubmenuEnd } kind = Kind::Item;
  int32_t id = 0;
  std::string caption;
  bool checked = false;
};

struct MenuBarEntry {
  std::string caption;
  std::vector<MenuEntry> entries;
};

// Items shown with a check mark: the message speeds, the window's mode and display size, the
// ways of scaling, the reading toggles, the volumes and the languages.
inline bool isCheckableItem(int32_t id) {
  return (id >= kMenuSpeedFastest && id <= kMenuSpeedDefault) || id == kMenuDefaultWindow ||
         id == kMenuFullSizeWindow || id == kMenuFullScreen ||
         (id >= kMenuDisplayModeFirst && id < kMenuDisplayModeFirst + kMenuDisplayModeCount) ||
         (id >= kMenuScaleKeepProportions && id <= kMenuScaleStretch) ||
         (id >= kMenuSkip && id <= kMenuSkipUnread) ||
         (id >= kMenuMusicVolumeFirst && id < kMenuMusicVolumeFirst + kVolumeSteps) ||
         (id >= kMenuSoundVolumeFirst && id < kMenuSoundVolumeFirst + kVolumeSteps) ||
         (id >= kMenuAutoSpeedFirst && id < kMenuAutoSpeedFirst + kAutoSpeeds) || id == kMenuMute ||
         (id >= kMenuLanguageFirst && id < kMenuLanguageFirst + kMenuLanguageCount) ||
         id == kMenuShowOriginal;
}

// The menu bar as the program starts, before the display modes and developer items are added.
std::vector<MenuBarEntry> startMenuBar();
