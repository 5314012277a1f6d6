#include "backends/qt/reader_input.h"

#include <QKeyEvent>

#include "engine/context.h"
#include "engine/input.h"
#include "shell/reading_menu.h"
#include "shell/window_proc.h"

ReaderInput::ReaderInput(NevContext& context, WindowState& state, WindowPort& port)
    : context_(context), state_(state), port_(port) {
  ctrlHeld_.setSingleShot(true);
  ctrlHeld_.setInterval(300);
  QObject::connect(&ctrlHeld_, &QTimer::timeout, &ctrlHeld_,
                   [this] { onSkipKey(context_, state_, true); });
}

void ReaderInput::pointerMoved(QPoint client) {
  switch (onPointerMove(context_, state_.menuBar, client.y())) {
    case MenuBarChange::Attach:
      port_.setMenuBarAttached(true);
      break;
    case MenuBarChange::Detach:
      port_.setMenuBarAttached(false);
      break;
    case MenuBarChange::None:
      break;
  }
}

void ReaderInput::buttonPressed(Qt::MouseButton button, QPoint client) {
  if (button == Qt::LeftButton) {
    stopSkippingByReader(context_, state_);
    onLeftButton(context_, client.y());
  }
  if (button == Qt::RightButton) onRightButton(context_);
}

void ReaderInput::wheelTurned(int angleDelta) {
  if (angleDelta > 0) onWindowKey(context_, state_, port_, WindowKey::Backlog);
}

bool ReaderInput::keyPressed(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      stopSkippingByReader(context_, state_);
      onLeftButton(context_, context_.shared.mouseY.load());
      return true;
    case Qt::Key_Control:
      // Ctrl alone: any other key meanwhile (Ctrl+C) keeps it from skipping.
      if (!event.isAutoRepeat()) ctrlHeld_.start();
      return true;
    case Qt::Key_C:
      if (event.modifiers() & Qt::ControlModifier) {
        ctrlHeld_.stop();
        onWindowKey(context_, state_, port_, WindowKey::CopyText);
        return true;
      }
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (moveChoiceLight(context_, event.key() == Qt::Key_Up ? -1 : 1)) return true;
      if (event.key() == Qt::Key_Up) onWindowKey(context_, state_, port_, WindowKey::Backlog);
      return true;
    case Qt::Key_PageUp:
      onWindowKey(context_, state_, port_, WindowKey::Backlog);
      return true;
    case Qt::Key_F12:
      onWindowKey(context_, state_, port_, WindowKey::Screenshot);
      return true;
    case Qt::Key_F11:
      onWindowKey(context_, state_, port_, WindowKey::FullScreen);
      return true;
    case Qt::Key_Escape:
      onWindowKey(context_, state_, port_, WindowKey::Leave);
      return true;
    case Qt::Key_F5:
      onWindowKey(context_, state_, port_, WindowKey::QuickSave);
      return true;
    case Qt::Key_F9:
      onWindowKey(context_, state_, port_, WindowKey::QuickLoad);
      return true;
    case Qt::Key_O:
      if (event.modifiers() != Qt::NoModifier || state_.language.empty()) break;
      if (!event.isAutoRepeat()) showOriginal(context_, port_, true);
      return true;
    default:
      break;
  }
  ctrlHeld_.stop();
  return false;
}

void ReaderInput::keyReleased(const QKeyEvent& event) {
  if (event.key() == Qt::Key_O && !event.isAutoRepeat() && context_.reading.showOriginal.load() != 0) {
    showOriginal(context_, port_, false);
  }
  if (event.key() == Qt::Key_Control && !event.isAutoRepeat()) {
    ctrlHeld_.stop();
    onSkipKey(context_, state_, false);
  }
}
