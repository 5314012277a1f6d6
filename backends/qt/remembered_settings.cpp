#include "backends/qt/remembered_settings.h"

#include "backends/qt/window_placement.h"
#include "engine/context.h"
#include "shell/menu.h"
#include "shell/window_proc.h"

std::optional<QRect> keptWindowFrame(const ReaderSettings& remembered, const std::string& story) {
  const StoryWindow* kept = rememberedWindow(remembered, story);
  if (kept == nullptr || kept->geometry.width <= 0 || kept->geometry.height <= 0) return std::nullopt;
  const WindowGeometry& frame = kept->geometry;
  return QRect(frame.x, frame.y, frame.width, frame.height);
}

void showAsRemembered(const ReaderSettings& remembered, const std::string& story,
                      NevContext& context, WindowState& state, WindowPort& port,
                      WindowPlacement& placement) {
  const StoryWindow* kept = rememberedWindow(remembered, story);
  const PictureScaling scaling = kept != nullptr ? kept->scaling : StoryWindow{}.scaling;
  const int32_t speedItem = remembered.messageSpeedItem;
  if (speedItem >= kMenuSpeedFastest && speedItem <= kMenuSpeedDefault) {
    onMenuCommand(context, state, port, speedItem);
  }
  onMenuCommand(context, state, port,
                kMenuScaleKeepProportions + static_cast<int32_t>(scaling));
  state.reading = remembered.reading;
  applyVolumes(state.reading, port);
  applyAutoSpeed(context, state.reading);
  refreshReadingMenu(context, state, port);
  if (const std::optional<QRect> frame = keptWindowFrame(remembered, story)) {
    placement.keepNormalGeometry(*frame);
  }
  switch (remembered.windowMode) {
    case WindowMode::FullScreen:
      onMenuCommand(context, state, port, kMenuFullScreen);
      return;
    case WindowMode::FullSize:
      for (int32_t k = 0; k < state.displayModes.count; ++k) {
        if (state.displayModes.table[k] == remembered.displayMode) {
          setDisplayMode(state.displayModes, port, k);
        }
      }
      onMenuCommand(context, state, port, kMenuFullSizeWindow);
      return;
    case WindowMode::Default:
      break;
  }
  port.showDefaultWindow({context.config.screenWidth, context.config.screenHeight});
  // The reader's own size of the captioned window, as they left it.
  placement.takeKeptSize();
}

void rememberSettings(ReaderSettings& remembered, const std::string& story,
                      const WindowState& state, const std::function<bool(int32_t id)>& isChecked,
                      WindowPlacement& placement) {
  remembered.windowMode = state.mode;
  remembered.displayMode = state.mode == WindowMode::FullSize
                               ? state.displayModes.table[state.displayModes.current]
                               : Size{};
  remembered.reading = state.reading;
  for (int32_t item = kMenuSpeedFastest; item <= kMenuSpeedDefault; ++item) {
    if (isChecked(item)) remembered.messageSpeedItem = item;
  }
  if (state.windowSizeForgotten) return forgetWindow(remembered, story);
  StoryWindow window{story, {}, state.scaling};
  placement.noteNormalGeometry();
  const QRect frame = placement.normalGeometry().value_or(QRect());
  if (frame.isValid()) window.geometry = {frame.x(), frame.y(), frame.width(), frame.height()};
  rememberWindow(remembered, window);
}
