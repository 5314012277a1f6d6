#pragma once
// What the window procedure needs from the desktop: boxes, menus, dialogs and window placement.
// The Qt shell implements it; tests use a fake, so the menu logic runs without a display.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Size&) const = default;
};

// How the window is shown: captioned with its menu bar, or covering the monitor at the
// display's size (full size) or at the monitor's own (full screen).
enum class WindowMode : int32_t { Default = 0, FullSize = 1, FullScreen = 2 };

enum class PictureScaling : int32_t {
  KeepProportions = 0,  // as large as fits, black bars around it
  WholeMultiples = 1,   // the largest whole multiple that fits (kept in proportion when none does)
  Stretch = 2,          // fills the window, proportions lost
};

// An open-file dialog as the authors' tool asks for it.
struct FileDialog {
  std::string title;
  std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
  std::string defaultSuffix;
  bool mustExist = true;      // false: a new name is accepted after the create prompt
  std::string folder;         // where the dialog opens; empty: where the desktop likes
};

struct SavePoint;
struct SlotListing;

// An item of the reader's menu the pad's Start opens: the command it gives, as the menus do.
struct ReaderMenuItem {
  int32_t id = 0;
  std::string caption;
  bool checked = false;
};

// What the reader did in the save slot dialog.
struct SlotDialogChoice {
  enum class Action { Close, Save, Load, Delete } action = Action::Close;
  int32_t slot = 0;
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // A modal box with one OK button, on the window thread; returns when it is closed. `details`
  // go in its details area; empty: it has none.
  virtual void showBox(const std::string& text, const std::string& caption,
                       const std::string& details = {}) = 0;
  // Menus are found by their position on the bar: 0 game, 1 screen, 2 help.
  virtual void appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                              bool columnBreak) = 0;
  virtual void checkMenuItem(int32_t id, bool checked) = 0;
  virtual void setMenuBarAttached(bool attached) = 0;
  // Ends the program: the window goes, and with it the runner and the surfaces.
  virtual void destroyWindow() = 0;
  // Opens a file with the desktop's own handler; false when that failed.
  virtual bool openWithDesktop(const std::string& hostPath) = 0;
  // The chosen file's path, or nothing when the reader cancelled.
  virtual std::optional<std::string> chooseFile(const FileDialog& dialog) = 0;

  // A captioned, sizeable window whose client area below the menu bar is `client`.
  virtual void showDefaultWindow(Size client) = 0;
  // The captioned window at the place and size it had before the full-size modes; at
  // `client` when it never showed.
  virtual void showPreviousWindow(Size client) = 0;
  // A frameless window above the others, covering the monitor with the display.
  virtual void showFullSizeWindow() = 0;
  // The display the picture is shown at in the full-size modes: the monitor shows it scaled.
  virtual void setEmulatedDisplay(Size display) = 0;
  // How the picture fills a window of another size than its own.
  virtual void setPictureScaling(PictureScaling scaling) = 0;
  // The modes the display server reports, if it does; and the monitor's own size.
  virtual std::vector<Size> platformDisplayModes() = 0;
  virtual Size monitorSize() = 0;

  // An item of our own menus, named and made available or greyed.
  virtual void setMenuItem(int32_t id, const std::string& caption, bool enabled) = 0;
  // A modal question with はい and いいえ; true for はい.
  virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
  // The same question before a step that loses a save: いいえ is the default, so that a key
  // pressed in haste keeps it.
  virtual bool askBeforeLosing(const std::string& text, const std::string& caption) = 0;
  // The slots by number (index 0 unused) with their thumbnails; `canSave` greys saving;
  // `lit` is the slot picked as it opens (0: the newest save).
  virtual SlotDialogChoice chooseSlot(const SlotListing* listings, int32_t count, bool canSave,
                                      int32_t lit) = 0;
  // A few words over the picture for a moment, drawn by the window and never into the
  // story's surfaces, so screenshots and frames never hold them.
  virtual void showNotice(const std::string& text) = 0;
  // Stops the runner at once, as ending does, and starts it again at the save point; the
  // window repaints whole. The window's mode and display stay as they are.
  virtual void restartStoryAt(const SavePoint& point) = 0;
  // Ends this reading and opens the story again in translation `code` (empty: the original), at
  // the save point when it is taken, else at the start.
  virtual void reopenInLanguage(const std::string& code, const SavePoint& point) = 0;

  // Music and sound-effect volumes, in percent.
  virtual void setVolumes(int32_t music, int32_t sound) = 0;
  // A menu item greyed for good, its tooltip saying `why`.
  virtual void greyMenuItem(int32_t id, const std::string& why) = 0;
  // The picture as the story drew it, at its own size, into the reader's pictures folder; the
  // window and stderr say where.
  virtual void saveScreenshot() = 0;
  virtual void copyText(const std::string& utf8) = 0;
  // The text of the pages read, over the darkened picture, until the reader closes it.
  virtual void showBacklog() = 0;
  // A small menu over the picture, walked with the pad or the keys; the id picked, or 0.
  virtual int32_t chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) = 0;
  // With --watch: the scripts as they now are on disk, the reader kept at the same line.
  virtual void reloadScripts() {}
  // One of our own texts, or one piece of a text built from pieces, in the language our
  // captions are shown in; a piece's "%1" stays for what fills it. As written by default.
  virtual std::string ourText(const std::string& japanese) { return japanese; }
};
