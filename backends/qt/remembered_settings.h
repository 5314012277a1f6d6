#pragma once
// The reader's settings as the window takes them at its first showing and leaves them at its
// end; settings_store keeps them between runs.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QRect>

#include "shell/reader_settings.h"

class WindowPlacement;
class WindowPort;
struct NevContext;
struct WindowState;

// The captioned window's frame the reader left `story`'s window at, if one was kept.
std::optional<QRect> keptWindowFrame(const ReaderSettings& remembered, const std::string& story);

// The message speed, reading choices, window mode and display the reader left, with the scaling
// and window `story` was left in; a story never seen opens at its own size.
void showAsRemembered(const ReaderSettings& remembered, const std::string& story,
                      NevContext& context, WindowState& state, WindowPort& port,
                      WindowPlacement& placement);

// The window as the reader leaves it: its mode and display, the reading choices, the speed item
// checked (`isChecked` reads the menu), and for `story` the scaling and the captioned window's
// place and size, unless the reader asked that they be forgotten.
void rememberSettings(ReaderSettings& remembered, const std::string& story,
                      const WindowState& state, const std::function<bool(int32_t id)>& isChecked,
                      WindowPlacement& placement);
