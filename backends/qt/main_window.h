#pragma once
// The main window: a QMainWindow whose central widget shows the picture. It is the story's
// one window and implements the window operations the menu commands need.

#include <QImage>
#include <QMainWindow>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "shell/window_port.h"
#include "shell/window_proc.h"
#include "base/surface.h"

class QAction;
class QMenu;
class QMessageBox;
class QTimer;
struct NevContext;
class MainWindow;

// The central widget: the picture, stretched to the client area, and the reader's mouse.
class PictureView : public QWidget {
 public:
  explicit PictureView(MainWindow& window);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  MainWindow& window_;
};

class MainWindow : public QMainWindow, public WindowPort {
 public:
  explicit MainWindow(NevContext& context);
  ~MainWindow() override;

  // Builds the surfaces and starts the runner, as the window's creation does.
  // False when the picture cannot be had.
  bool startStory();

  // WindowPort.
  void showBox(const std::string& text, const std::string& caption) override;
  void appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                      bool columnBreak) override;
  void checkMenuItem(int32_t id, bool checked) override;
  void setMenuBarAttached(bool attached) override;
  void destroyWindow() override;
  bool openWithDesktop(const std::string& hostPath) override;
  std::optional<std::string> chooseFile(const FileDialog& dialog) override;
  void showDefaultWindow(Size client) override;
  void showFullSizeWindow() override;
  void setEmulatedDisplay(Size display) override;
  std::vector<Size> platformDisplayModes() override;
  Size monitorSize() override;

  // From any thread: a box that blocks only the calling (runner) thread.
  void showBoxFromRunner(const std::string& text, const std::string& caption);
  // From any thread: a repaint of client pixels (null: all).
  void invalidateClient(const Rect* area);
  // From any thread: the end of a piece of music, for onMusicNotify on the window thread.
  void postEndOfPiece(uint32_t piece);
  // The runner's sleep: returns early when the program ends.
  void sleepRunner(int32_t milliseconds);

  NevContext& context() { return context_; }
  // The window has been destroyed: the story has ended.
  bool ended() const { return tornDown_; }
  // Called once the window has been destroyed; the shell ends its event loop there.
  std::function<void()> onEnded;
  WindowState& state() { return state_; }
  QAction* action(int32_t id) const;

  // Runs the prologue; true when the window is being destroyed.
  bool prologue();
  void paintPicture(QPainter& painter, const QRect& area);
  void updateClientMapping();
  QPoint toClientPoint(QPoint viewPoint) const;
  QRect toViewRect(const Rect& client) const;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildMenuBar();
  void stopRunner();
  void teardown();
  // Hands the other threads' requests to the window thread.
  void collectMail();

  NevContext& context_;
  WindowState state_;
  PictureView* view_ = nullptr;
  QMenu* submenus_[3] = {};
  std::map<int32_t, QAction*> actions_;
  std::thread runner_;
  bool tornDown_ = false;

  // The client area as the story sees it: in the full-size modes the display is shown scaled
  // with its proportions kept, so client pixels and widget pixels differ.
  QImage client_;
  QRect clientInView_;
  double scale_ = 1.0;
  Size emulatedDisplay_;

  std::mutex wakeLock_;
  std::condition_variable wake_;

  // What other threads ask of the window thread. They never call into Qt themselves: the window
  // thread collects their requests a hundred times a second, so no Qt object crosses threads.
  struct BoxRequest {
    std::string text;
    std::string caption;
    std::shared_ptr<bool> closed;  // under wakeLock_
  };
  struct Mailbox {
    std::mutex lock;
    bool repaintAll = false;
    std::vector<Rect> repaints;
    std::vector<BoxRequest> boxes;
    std::vector<uint32_t> endedPieces;
  } mail_;
  QTimer* mailTimer_ = nullptr;
};
