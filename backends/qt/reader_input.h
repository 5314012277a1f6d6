#pragma once
// The reader's mouse and keys on the desktop, given to the window procedure: clicks end waits,
// the wheel and Up open the backlog, the function keys change modes, and Ctrl held alone skips.

#include <QPoint>
#include <QTimer>
#include <cstdint>

class QKeyEvent;
class WindowPort;
struct NevContext;
struct WindowState;

class ReaderInput {
 public:
  ReaderInput(NevContext& context, WindowState& state, WindowPort& port);

  // The pointer and buttons, in client pixels.
  void pointerMoved(QPoint client);
  void buttonPressed(Qt::MouseButton button, QPoint client);
  void wheelTurned(int angleDelta);
  // False for a key the reader's controls leave to the window.
  bool keyPressed(const QKeyEvent& event);
  void keyReleased(const QKeyEvent& event);

 private:
  NevContext& context_;
  WindowState& state_;
  WindowPort& port_;
  QTimer ctrlHeld_;  // Ctrl alone held this long starts skipping
};
