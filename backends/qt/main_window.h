#pragma once
// The main window: the story's one window. It ties the parts together — the picture view, the
// runner's thread and the mailbox that brings its requests over, the reader's input, the
// window's placement and the remembered settings — and implements the window operations the
// menu commands need, with Qt's menus and boxes.

#include <QMainWindow>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/qt/reader_input.h"
#include "backends/qt/runner_host.h"
#include "backends/qt/runner_mailbox.h"
#include "backends/qt/window_placement.h"
#include "shell/pad_mapping.h"
#include "shell/reader_settings.h"
#include "shell/window_port.h"
#include "shell/window_proc.h"

class BacklogView;
#include "backends/qt/live_reload.h"
class QDockWidget;
class QPlainTextEdit;
class CaptionedBox;
class PadReader;
class PictureView;
class PlayingScripts;
class QAction;
class QLabel;
class QMenu;
class QTimer;
struct NevContext;

class MainWindow : public QMainWindow, public WindowPort {
 public:
  explicit MainWindow(NevContext& context);
  ~MainWindow() override;

  // Starts the runner on the opened story, as the window's creation does: at the story's start,
  // or at context.resumeAt when it is taken.
  void startStory();
  // The runner, for reading once the window has stopped it.
  const ScriptRunner& runner() const { return runner_.runner(); }

  // WindowPort.
  void showBox(const std::string& text, const std::string& caption,
               const std::string& details = {}) override;
  void appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                      bool columnBreak) override;
  void checkMenuItem(int32_t id, bool checked) override;
  void setMenuBarAttached(bool attached) override;
  void destroyWindow() override;
  bool openWithDesktop(const std::string& hostPath) override;
  std::optional<std::string> chooseFile(const FileDialog& dialog) override;
  void showDefaultWindow(Size client) override;
  void showPreviousWindow(Size client) override;
  void showFullSizeWindow() override;
  void setEmulatedDisplay(Size display) override;
  void setPictureScaling(PictureScaling scaling) override;
  std::vector<Size> platformDisplayModes() override;
  Size monitorSize() override;
  void setMenuItem(int32_t id, const std::string& caption, bool enabled) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  bool askBeforeLosing(const std::string& text, const std::string& caption) override;
  SlotDialogChoice chooseSlot(const SlotListing* listings, int32_t count, bool canSave,
                              int32_t lit) override;
  void showNotice(const std::string& text) override;
  void restartStoryAt(const SavePoint& point) override;
  void reopenInLanguage(const std::string& code, const SavePoint& point) override;
  void setVolumes(int32_t music, int32_t sound) override;
  void greyMenuItem(int32_t id, const std::string& why) override;
  void saveScreenshot() override;
  void copyText(const std::string& utf8) override;
  void showBacklog() override;
  int32_t chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) override;
  void reloadScripts() override;
  std::string ourText(const std::string& japanese) override;

  // --watch: each saved change of the story's scripts in `folder` is played at once; the runner
  // reads the scripts `scripts` serves. Before startStory.
  void watchScripts(PlayingScripts& scripts, const std::string& folder, ReplayPicks replay = {});
  // The lint errors that kept a change from playing, beside the picture; none: the panel goes.
  void showLintErrors(const std::vector<std::string>& errors);
  // The panel, while it shows.
  QPlainTextEdit* lintPanel() const;

  // Reads the game controllers while the window lives: the pad reaches the story, the
  // backlog, the reader's menu and the boxes, whichever is in front.
  void readPad(PadReader& pad);

  // What the reader left last time, kept up to date while the window lives; may be null.
  // `story` names the story among those whose windows the settings remember.
  void setReaderSettings(ReaderSettings* settings, std::string story) {
    settings_ = settings;
    story_ = std::move(story);
  }
  // The first showing: the window mode, display, scaling and speed the reader left, else
  // the default window.
  void showAsRemembered();

  // From any thread: the end of a piece of music, for onMusicNotify on the window thread.
  void postEndOfPiece(uint32_t piece);

  // The window has been destroyed: the story has ended.
  bool ended() const { return tornDown_; }
  // Called once the window has been destroyed; the shell ends its event loop there.
  std::function<void()> onEnded;
  // The reader chose another language: the shell ends this window and opens the story again.
  std::function<void(const std::string& code, const SavePoint& point)> onLanguageChosen;
  WindowState& state() { return state_; }
  QAction* action(int32_t id) const;

 protected:
  bool event(QEvent* event) override;
  // The view's messages run the prologue first, as the window's own do.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // Runs the prologue; true when the window is being destroyed.
  bool prologue();
  void buildMenuBar();
  void runMenuCommand(int32_t id);
  // The しおり menu reads the slots as it opens; the 読みかた menu checks what is on.
  void connectReadingMenus();
  // A word on the picture for a moment: a label over the view, never in the surfaces.
  void flashMessage(const QString& text, int milliseconds);
  // The SKIP / AUTO mark in the picture view's top right corner, as the reading state now stands: a
  // label like the notice, never in the surfaces.
  void refreshReadingMark();
  void teardown();
  // Each read's events are acted on from the event queue, so that a menu or a box the pad opens
  // runs its own loop while the reading timer goes on.
  void readPadNow();
  void onPad(PadEvent event);
  // Acts on the other threads' requests, on the window thread.
  void collectMail();
  // The runner's box, blocking only the runner's thread.
  void showBoxFromRunner(const std::string& text, const std::string& caption,
                         const std::string& details);
  // A box asked for before the window shows opens where the window will.
  void placeBox(CaptionedBox& box) const;

  NevContext& context_;
  WindowState state_;
  bool tornDown_ = false;
  ReaderSettings* settings_ = nullptr;
  std::string story_;
  PictureView* view_ = nullptr;
  QMenu* submenus_[6] = {};
  std::map<int32_t, QAction*> actions_;
  BacklogView* backlog_ = nullptr;
  QLabel* flash_ = nullptr;
  QTimer* flashEnds_ = nullptr;  // one timer, so an earlier word's end does not cut a later one
  QLabel* mark_ = nullptr;
  PadReader* pad_ = nullptr;
  std::unique_ptr<LiveReload> liveReload_;
  QDockWidget* lintDock_ = nullptr;
  QTimer* padTimer_ = nullptr;
  ReaderInput input_;
  WindowPlacement placement_;
  // Counts the wake-ups posted, so the window thread acquires each event the runner built before
  // reading it: Qt's queue hands it across with locks the thread checker cannot see.
  std::atomic<uint32_t> wakeUpsPosted_{0};
  // Declared before the runner's host: the runner's last act wakes the window through it.
  RunnerMailbox mailbox_;
  RunnerHost runner_;
};
