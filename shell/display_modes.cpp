#include "shell/display_modes.h"

#include <cstdio>

#include "shell/menu.h"

namespace {

constexpr Size kUsualSizes[] = {{640, 480},   {800, 600},   {1024, 768}, {1280, 720},
                                {1280, 960},  {1280, 1024}, {1920, 1080}};

}  // namespace

int32_t buildDisplayModeMenu(DisplayModes& modes, WindowPort& port) {
  const Size monitor = port.monitorSize();
  std::vector<Size> offered = port.platformDisplayModes();
  if (offered.empty()) {
    offered.push_back(monitor);
    for (Size size : kUsualSizes) {
      if (size.width <= monitor.width && size.height <= monitor.height && !(size == monitor)) {
        offered.push_back(size);
      }
    }
  }
  int32_t startIndex = 0;
  modes.count = 0;
  for (Size size : offered) {
    const int32_t k = modes.count;
    modes.table[k] = size;
    if (size == monitor) startIndex = k;
    char caption[64];
    std::snprintf(caption, sizeof caption, "Screen  %d * %d", size.width, size.height);
    port.appendMenuItem(kSubmenuScreen, kMenuDisplayModeFirst + k, caption, k == 0);
    if (++modes.count == kMenuDisplayModeCount) break;
  }
  modes.startModeIndex = startIndex;
  modes.current = startIndex;
  if (modes.count > 0) port.checkMenuItem(kMenuDisplayModeFirst + startIndex, true);
  return startIndex;
}

void setDisplayMode(DisplayModes& modes, WindowPort& port, int32_t index) {
  if (index < 0 || index >= modes.count) return;
  port.checkMenuItem(kMenuDisplayModeFirst + modes.current, false);
  port.checkMenuItem(kMenuDisplayModeFirst + index, true);
  modes.current = index;
  port.setEmulatedDisplay(modes.table[index]);
}
