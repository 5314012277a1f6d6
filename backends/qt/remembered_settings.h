#pragma once
// The reader's settings as the window takes them at its first showing and leaves them at its
// end; settings_store keeps them between runs.

#include <cstdint>
#include <functional>

#include "shell/reader_settings.h"

class WindowPlacement;
class WindowPort;
struct NevContext;
struct WindowState;

// The message speed, scaling, reading choices, window mode and display the reader left, else
// the default window at the story's size.
void showAsRemembered(const ReaderSettings& remembered, NevContext& context, WindowState& state,
                      WindowPort& port, WindowPlacement& placement);

// The window as the reader leaves it: its mode, display and scaling, the reading choices, the
// speed item checked (`isChecked` reads the menu) and the captioned window's place and size.
void rememberSettings(ReaderSettings& remembered, const WindowState& state,
                      const std::function<bool(int32_t id)>& isChecked, WindowPlacement& placement);
