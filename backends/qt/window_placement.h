#pragma once
// Where the main window goes. The captioned window is placed by its client area, at its last
// place when that and the caption above it are on a monitor, else centred; the full-size modes
// cover the monitor. The captioned window's place and size are kept for coming back to it.

#include <QRect>
#include <functional>
#include <optional>

#include "shell/window_port.h"

class QMainWindow;
class QScreen;

class WindowPlacement {
 public:
  // `placed` runs after each placement, for the picture to follow the window's new size.
  WindowPlacement(QMainWindow& window, std::function<void()> placed);

  // A captioned window whose client area below the menu bar is `client`.
  void showCaptioned(Size client);
  void showFullSize();
  // The captioned window where and as large as it was kept; as showCaptioned when none is.
  void showPrevious(Size client);
  // The captioned window at the size kept, as the reader left it; nothing when none is kept.
  void takeKeptSize();

  // Keeps the captioned window's place and size while it shows.
  void noteNormalGeometry();
  const std::optional<QRect>& normalGeometry() const { return normalGeometry_; }
  // The place and size to come back to, as the reader left them last time.
  void keepNormalGeometry(const QRect& geometry) { normalGeometry_ = geometry; }

  Size monitorSize() const;

  // Where the window will open, in screen coordinates, before it first shows: covering the
  // monitor when `fullSize`, else captioned around `client` or at the `kept` place and size.
  QRect opening(Size client, const std::optional<QRect>& kept, bool fullSize) const;

 private:
  QPoint placeOnScreen(QSize size, const std::optional<QRect>& kept) const;
  QScreen* monitor() const;

  QMainWindow& window_;
  std::function<void()> placed_;
  // The captioned window's client geometry, for coming back from the full-size modes.
  std::optional<QRect> normalGeometry_;
};
