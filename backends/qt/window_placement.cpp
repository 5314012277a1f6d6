#include "backends/qt/window_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

WindowPlacement::WindowPlacement(QMainWindow& window, std::function<void()> placed)
    : window_(window), placed_(std::move(placed)) {}

QScreen* WindowPlacement::monitor() const {
  return window_.screen() != nullptr ? window_.screen() : QGuiApplication::primaryScreen();
}

QPoint WindowPlacement::placeOnScreen(QSize size, const std::optional<QRect>& kept) const {
  // Room above the client area for a caption, which the desktop draws outside it.
  constexpr int kCaptionRoom = 32;
  if (kept) {
    const QRect caption(kept->left(), kept->top() - kCaptionRoom, size.width(), kCaptionRoom);
    for (QScreen* each : QGuiApplication::screens()) {
      if (each->availableGeometry().intersected(caption) == caption) return kept->topLeft();
    }
  }
  QScreen* shownOn = monitor();
  if (shownOn == nullptr) return {0, kCaptionRoom};
  const QRect area = shownOn->availableGeometry();
  return {area.left() + std::max(0, (area.width() - size.width()) / 2),
          area.top() + std::max(kCaptionRoom, (area.height() - size.height()) / 2)};
}

void WindowPlacement::noteNormalGeometry() {
  if (window_.isVisible() && !window_.isFullScreen()) normalGeometry_ = window_.geometry();
}

void WindowPlacement::showCaptioned(Size client) {
  noteNormalGeometry();
  if (window_.isFullScreen()) window_.showNormal();
  QMenuBar* bar = window_.menuBar();
  const QSize size(client.width, client.height + (bar->isHidden() ? 0 : bar->sizeHint().height()));
  // Placed by its client area: where the desktop draws the frame is its own business, and
  // positions that count the frame drift after full screen.
  window_.setGeometry(QRect(placeOnScreen(size, normalGeometry_), size));
  window_.show();
  placed_();
}

void WindowPlacement::showFullSize() {
  noteNormalGeometry();
  // Covers the monitor also where no window manager acts on the full-screen request.
  if (QScreen* shownOn = monitor()) window_.setGeometry(shownOn->geometry());
  window_.showFullScreen();
  placed_();
}

void WindowPlacement::showPrevious(Size client) {
  noteNormalGeometry();
  if (!normalGeometry_) return showCaptioned(client);
  if (window_.isFullScreen()) window_.showNormal();
  window_.setGeometry(*normalGeometry_);
  window_.show();
  placed_();
}

void WindowPlacement::takeKeptSize() {
  if (!normalGeometry_) return;
  window_.resize(normalGeometry_->size());
  placed_();
}

QRect WindowPlacement::opening(Size client, const std::optional<QRect>& kept,
                               bool fullSize) const {
  QScreen* shownOn = monitor();
  if (fullSize && shownOn != nullptr) return shownOn->geometry();
  const QMenuBar* bar = window_.menuBar();
  const QSize size(client.width, client.height + bar->sizeHint().height());
  // Opened at the story's size, then given the size the reader kept, as showCaptioned and
  // takeKeptSize do.
  return QRect(placeOnScreen(size, kept), kept ? kept->size() : size);
}

Size WindowPlacement::monitorSize() const {
  QScreen* shownOn = monitor();
  if (shownOn == nullptr) return {640, 480};
  return {shownOn->size().width(), shownOn->size().height()};
}
