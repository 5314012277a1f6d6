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
#include <optional>
#include <thread>
#include <vector>

#include "base/surface.h"
#include "shell/reader_settings.h"
#include "shell/window_port.h"
#include "shell/window_proc.h"

class QAction;
class QMenu;
class QMessageBox;
struct NevContext;
class MainWindow;

// The central widget: the picture, scaled to the client area, the backdrop around it, and the
// reader's mouse.
class PictureView : public QWidget {
 public:
  explicit PictureView(MainWindow& window);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  MainWindow& window_;
};

class MainWindow : public QMainWindow, public WindowPort {
 public:
  explicit MainWindow(NevContext& context);
  ~MainWindow() override;

  // Starts the runner on the opened story, as the window's creation does: at the story's start,
  // or at context.resumeAt when it is taken.
  void startStory();

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
  void setPictureScaling(PictureScaling scaling) override;
  std::vector<Size> platformDisplayModes() override;
  Size monitorSize() override;
  void setMenuItem(int32_t id, const std::string& caption, bool enabled) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  SlotDialogChoice chooseSlot(const SlotListing* listings, int32_t count, bool canSave) override;
  void restartStoryAt(const SavePoint& point) override;
  void setVolumes(int32_t music, int32_t sound) override;
  void saveScreenshot() override;
  void copyText(const std::string& utf8) override;
  void showBacklog() override;

  // What the reader left last time, kept up to date while the window lives; may be null.
  void setReaderSettings(ReaderSettings* settings) { settings_ = settings; }
  // The first showing: the window mode, display, scaling and speed the reader left, else
  // the default window.
  void showAsRemembered();

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
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void buildMenuBar();
  // The しおり menu reads the slots as it opens; the 読みかた menu checks what is on; Ctrl held
  // alone starts skipping.
  void connectReadingControls();
  // A word on the picture for a moment.
  void flashMessage(const QString& text);
  void stopRunner();
  void startRunner();
  void teardown();
  // Hands the other threads' requests to the window thread.
  void collectMail();
  // From any thread: has collectMail run soon, once however often it is asked.
  void wakeWindow();
  void rememberSettings();
  // Keeps the captioned window's place and size while it shows.
  void noteNormalGeometry();
  // Where the captioned window's client area goes: its last place when that and the caption
  // above it are on a monitor, else centred.
  QPoint placeOnScreen(QSize size) const;

  NevContext& context_;
  WindowState state_;
  PictureView* view_ = nullptr;
  QMenu* submenus_[5] = {};
  std::map<int32_t, QAction*> actions_;
  std::thread runner_;
  bool tornDown_ = false;
  ReaderSettings* settings_ = nullptr;
  // The captioned window's client geometry, for coming back from the full-size modes.
  std::optional<QRect> normalGeometry_;

  // The client area as the story sees it: in the full-size modes the display is shown scaled
  // with its proportions kept, so client pixels and widget pixels differ.
  QImage client_;
  QImage wholePicture_;  // the picture at its own size, when the client is smaller
  QRect clientInView_;
  double scale_ = 1.0;
  Size emulatedDisplay_;
  PictureScaling scaling_ = PictureScaling::KeepProportions;

  std::mutex wakeLock_;
  std::condition_variable wake_;

  // What other threads ask of the window thread. They never touch Qt objects themselves: they
  // leave requests here and post one wake-up, and the window thread collects them.
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
  std::atomic<int32_t> wakePosted_{0};
  class BacklogView* backlog_ = nullptr;
  class QLabel* flash_ = nullptr;
  class QTimer* ctrlTimer_ = nullptr;  // Ctrl alone held this long starts skipping
};
