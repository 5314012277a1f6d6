#include "shell/window_proc.h"

#include <cstdio>
#include <optional>

#include "engine/context.h"
#include "engine/translation/story_translation.h"
#include "shell/developer_menu.h"
#include "shell/menu.h"
#include "engine/messages.h"
#include "base/codepage.h"

namespace {

constexpr int32_t kSpeedOfItem[] = {32000, 4, 1};  // 40031, 40032, 40033

void chooseSpeed(NevContext& context, WindowPort& port, int32_t id) {
  context.shared.messageSpeed = kSpeedOfItem[id - kMenuSpeedFastest];
  for (int32_t item = kMenuSpeedFastest; item <= kMenuSpeedDefault; ++item) {
    port.checkMenuItem(item, item == id);
  }
}

// The help viewer named a file it could not find in a box of its own.
void openHelp(const StoryFiles& files, WindowPort& port, const char* name) {
  std::optional<std::string> path = files.resolve(name);
  if (path && port.openWithDesktop(*path)) return;
  const auto showBox = [&port](const std::string& text, const std::string& caption,
                               const std::string& details) { port.showBox(text, caption, details); };
  reportProblem(showBox, {.kind = ProblemKind::StoryFile,
                         .boxText = name,
                         .caption = kCaptionBadFile,
                         .detail = files.problem(name, "no program of the desktop would open it")});
}

void tickWindowMode(WindowMode mode, WindowPort& port) {
  port.checkMenuItem(kMenuDefaultWindow, mode == WindowMode::Default);
  port.checkMenuItem(kMenuFullSizeWindow, mode == WindowMode::FullSize);
  port.checkMenuItem(kMenuFullScreen, mode == WindowMode::FullScreen);
}

// `previous`: at the captioned window's size before the full-size modes, not the story's.
void showDefaultWindow(NevContext& context, WindowState& state, WindowPort& port,
                       bool previous = false) {
  setDisplayMode(state.displayModes, port, state.displayModes.startModeIndex);
  // The bar comes back pinned whatever took it away, so the reader always has the menus.
  state.menuBar = {};
  state.mode = WindowMode::Default;
  tickWindowMode(state.mode, port);
  port.setMenuBarAttached(true);
  const Size client{context.config.screenWidth, context.config.screenHeight};
  if (previous) {
    port.showPreviousWindow(client);
  } else {
    port.showDefaultWindow(client);
  }
}

void showFullSizeWindow(WindowState& state, WindowPort& port, WindowMode mode) {
  port.setMenuBarAttached(false);
  state.menuBar = {false, false};
  state.mode = mode;
  tickWindowMode(state.mode, port);
  port.showFullSizeWindow();
}

void chooseScaling(WindowState& state, WindowPort& port, int32_t id) {
  state.windowSizeForgotten = false;
  state.scaling = static_cast<PictureScaling>(id - kMenuScaleKeepProportions);
  for (int32_t item = kMenuScaleKeepProportions; item <= kMenuScaleStretch; ++item) {
    port.checkMenuItem(item, item == id);
  }
  port.setPictureScaling(state.scaling);
}

void showClientSize(NevContext& context, WindowPort& port) {
  char text[64];
  std::snprintf(text, sizeof text, "cwinX = %d\ncwinY = %d", context.shared.cwinX.load(),
                context.shared.cwinY.load());
  port.showBox(text, "C Window Size");
}

}  // namespace

std::string versionText(const GameConfig& config, const StoryTranslation* translation) {
  return shownSettingText(translation, "about text 1", config.aboutText1) +
         "\n\nNEV System 1 Ver 1.2\n\n" +
         shownSettingText(translation, "about text 2", config.aboutText2);
}

void buildStartMenus(NevContext& context, WindowState& state, WindowPort& port) {
  buildDisplayModeMenu(state.displayModes, port);
  if (context.config.developerMenu == 1) addDeveloperMenu(port);
  if (state.watchingScripts) addReloadItem(port);
  buildLanguageMenu(context, state, port);
}

void onMenuCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id) {
  const bool developer = context.config.developerMenu == 1;
  switch (id) {
    case kMenuSpeedFastest:
    case kMenuSpeedFourTimes:
    case kMenuSpeedDefault:
      chooseSpeed(context, port, id);
      return;
    case kMenuEndGame:
      port.destroyWindow();
      return;
    case kMenuHelpContents:
      openHelp(*context.files, port, "NEV.HLP");
      return;
    case kMenuVersion:
      port.showBox(versionText(context.config, context.translation), "バージョン情報");
      return;
    case kMenuDefaultWindow:
      showDefaultWindow(context, state, port);
      return;
    case kMenuFullSizeWindow:
      showFullSizeWindow(state, port, WindowMode::FullSize);
      return;
    case kMenuFullScreen:
      setDisplayMode(state.displayModes, port, 0);
      showFullSizeWindow(state, port, WindowMode::FullScreen);
      return;
    case kMenuScaleKeepProportions:
    case kMenuScaleWholeMultiples:
    case kMenuScaleStretch:
      chooseScaling(state, port, id);
      return;
    case kMenuForgetWindowSize:
      // Back to how a story never seen opens, now and next time.
      chooseScaling(state, port, kMenuScaleKeepProportions);
      showDefaultWindow(context, state, port);
      state.windowSizeForgotten = true;
      return;
    case kMenuDeveloperHelp:
      if (developer) openHelp(*context.files, port, "NEVMAKE.HLP");
      return;
    case kMenuScramble:
      // The dialogs open in the story's own folder, where its scripts are.
      if (developer && runScramblingTool(port, context.files->resolve(".").value_or("")) != 0) {
        port.showBox("処理を中断しました", "テキスト暗号化");
      }
      return;
    case kMenuClientSize:
      if (developer) showClientSize(context, port);
      return;
    case kMenuRemoveMenu:
      if (!developer) return;
      port.setMenuBarAttached(false);
      state.menuBar.menuBarPinned = false;
      return;
    case kMenuReloadScripts:
      if (state.watchingScripts) port.reloadScripts();
      return;
    case kMenuQuickSave:
      saveToSlot(context, state, port, kQuickSlot);
      return;
    case kMenuQuickLoad:
      loadFromSlot(context, state, port, kQuickSlot);
      return;
    case kMenuSlotDialog:
      showSlotDialog(context, state, port);
      return;
    default:
      if (onReadingCommand(context, state, port, id)) return;
      if (onLanguageCommand(context, state, port, id)) return;
      if (id >= kMenuDisplayModeFirst && id < kMenuDisplayModeFirst + kMenuDisplayModeCount) {
        setDisplayMode(state.displayModes, port, id - kMenuDisplayModeFirst);
      } else if (id >= kMenuSaveSlotFirst && id < kMenuSaveSlotFirst + kSaveSlots) {
        saveToSlot(context, state, port, id - kMenuSaveSlotFirst + 1);
      } else if (id >= kMenuLoadSlotFirst && id < kMenuLoadSlotFirst + kSaveSlots) {
        loadFromSlot(context, state, port, id - kMenuLoadSlotFirst + 1);
      }
      return;
  }
}

void onWindowKey(NevContext& context, WindowState& state, WindowPort& port, WindowKey key) {
  int32_t command = 0;
  switch (key) {
    case WindowKey::FullScreen:
      command = state.mode == WindowMode::FullScreen ? kMenuDefaultWindow : kMenuFullScreen;
      break;
    case WindowKey::Leave:
      if (state.fullSize()) return showDefaultWindow(context, state, port, true);
      break;
    case WindowKey::QuickSave:
      command = kMenuQuickSave;
      break;
    case WindowKey::QuickLoad:
      command = kMenuQuickLoad;
      break;
    case WindowKey::Screenshot:
      command = kMenuScreenshot;
      break;
    case WindowKey::CopyText:
      command = kMenuCopyText;
      break;
    case WindowKey::Backlog:
      // The keys and the wheel look back only from a wait or a choice; the menu item always.
      if (context.shared.waitingForClick.load() == 1) command = kMenuBacklog;
      break;
  }
  if (command != 0) onMenuCommand(context, state, port, command);
}

void restoreDisplayMode(WindowState& state, WindowPort& port) {
  setDisplayMode(state.displayModes, port, state.displayModes.startModeIndex);
}
