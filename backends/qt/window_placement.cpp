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

QPoint WindowPlacement::placeOnScreen(QSize size) const {
  // Room above the client area for a caption, which the desktop draws outside it.
  constexpr int kCaptionRoom = 32;
  if (normalGeometry_) {
    const QRect caption(normalGeometry_->left(), normalGeometry_->top() - kCaptionRoom,
                        size.width(), kCaptionRoom);
    for (QScreen* each : QGuiApplication::screens()) {
      if (each->availableGeometry().intersected(caption) == caption) return normalGeometry_->topLeft();
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
  window_.setGeometry(QRect(placeOnScreen(size), size));
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

Size WindowPlacement::monitorSize() const {
  QScreen* shownOn = monitor();
  if (shownOn == nullptr) return {640, 480};
  return {shownOn->size().width(), shownOn->size().height()};
}
