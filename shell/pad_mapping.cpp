#include "shell/pad_mapping.h"

#include "engine/context.h"
#include "engine/input.h"
#include "shell/menu.h"
#include "shell/reading_menu.h"
#include "shell/window_proc.h"

std::vector<ReaderMenuItem> readerMenuItems(NevContext& context, const WindowState& state) {
  const bool skipping = context.reading.skip.load() != int32_t(SkipMode::Off);
  const bool autoOn = context.reading.autoAdvance.load() != 0;
  return {
      {kMenuSlotDialog, "セーブ・ロード…"},
      {kMenuQuickSave, "クイックセーブ"},
      {kMenuQuickLoad, "クイックロード"},
      {kMenuBacklog, "バックログ"},
      {kMenuSkip, "スキップ", skipping},
      {kMenuAuto, "オート", autoOn},
      {state.mode == WindowMode::FullScreen ? kMenuDefaultWindow : kMenuFullScreen, "フルスクリーン",
       state.mode == WindowMode::FullScreen},
      {kMenuEndGame, "ゲーム終了"},
  };
}

void onPadButton(NevContext& context, WindowState& state, WindowPort& port, PadEvent event) {
  // Skipping lasts while the shoulder is held; no other combination is waited for, so it
  // starts at once, unlike Ctrl.
  if (event.button == PadButton::SkipShoulder) {
    onSkipKey(context, state, event.pressed);
    return;
  }
  if (!event.pressed) return;
  switch (event.button) {
    case PadButton::A:
      stopSkippingByReader(context, state);
      onLeftButton(context, context.shared.mouseY.load());
      return;
    case PadButton::B:
      onRightButton(context);
      return;
    case PadButton::Up:
    case PadButton::Down: {
      const bool up = event.button == PadButton::Up;
      if (!moveChoiceLight(context, up ? -1 : 1) && up) {
        onWindowKey(context, state, port, WindowKey::Backlog);
      }
      return;
    }
    case PadButton::Y:
      onWindowKey(context, state, port, WindowKey::Backlog);
      return;
    case PadButton::AutoShoulder:
      onMenuCommand(context, state, port, kMenuAuto);
      return;
    case PadButton::Start:
      if (const int32_t id = port.chooseFromReaderMenu(readerMenuItems(context, state)); id != 0) {
        onMenuCommand(context, state, port, id);
      }
      return;
    default:
      return;
  }
}
