#pragma once
// WebWindow: what the window procedure asks of the page. Boxes, questions and the reader's menu
// are HTML dialogs the runner awaits; the menus, the backlog and the window's modes are the
// page's own (menus.js), told of each change as the shell makes it. What the page cannot offer
// answers as a reader who closed the dialog would.

#include <functional>

#include "shell/window_port.h"

struct NevContext;

class WebWindow final : public WindowPort {
 public:
  // `restart` and `close` are the player's: they stop the runner, which then returns.
  WebWindow(NevContext& context, std::function<void(const SavePoint&)> restart,
            std::function<void()> close, std::function<void(int32_t music, int32_t sound)> volumes)
      : context_(context),
        restart_(std::move(restart)),
        close_(std::move(close)),
        volumes_(std::move(volumes)) {}

  // The menus as the story starts, handed to the page.
  void buildMenus();
  // The page closed the backlog.
  void backlogClosed();

  void showBox(const std::string& text, const std::string& caption,
               const std::string& details = {}) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  bool askBeforeLosing(const std::string& text, const std::string& caption) override;
  void showNotice(const std::string& text) override;
  void copyText(const std::string& utf8) override;
  void destroyWindow() override { close_(); }
  void restartStoryAt(const SavePoint& point) override { restart_(point); }
  void reopenInLanguage(const std::string& code, const SavePoint& point) override {
    if (reopen_) reopen_(code, point);
  }
  // The player's: it ends this reading, and the page opens the story again in `code`.
  void setReopen(std::function<void(const std::string& code, const SavePoint& point)> reopen) {
    reopen_ = std::move(reopen);
  }
  void setVolumes(int32_t music, int32_t sound) override { volumes_(music, sound); }
  Size monitorSize() override;

  void appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                      bool columnBreak) override;
  void checkMenuItem(int32_t id, bool checked) override;
  void setMenuItem(int32_t id, const std::string& caption, bool enabled) override;
  void greyMenuItem(int32_t id, const std::string& why) override;
  // The page's menus are opened by its button, so there is no bar to attach.
  void setMenuBarAttached(bool) override {}

  // The browser's window: the default one, or full screen through the Fullscreen API.
  void showDefaultWindow(Size) override;
  void showPreviousWindow(Size) override;
  void showFullSizeWindow() override;
  void setEmulatedDisplay(Size) override {}
  void setPictureScaling(PictureScaling scaling) override;
  std::vector<Size> platformDisplayModes() override { return {}; }

  // No desktop handler or file dialog in a page.
  bool openWithDesktop(const std::string&) override { return false; }
  std::optional<std::string> chooseFile(const FileDialog&) override { return std::nullopt; }
  SlotDialogChoice chooseSlot(const SlotListing*, int32_t, bool canSave, int32_t lit) override {
    return slotDialog_ ? slotDialog_(canSave, lit) : SlotDialogChoice{};
  }
  // The slot dialog is the player's, which knows the story's slots.
  void setSlotDialog(std::function<SlotDialogChoice(bool canSave, int32_t lit)> dialog) {
    slotDialog_ = std::move(dialog);
  }

  // A PNG download of the picture at its own size.
  void saveScreenshot() override;
  void showBacklog() override;
  int32_t chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) override;
  // Through the page's captions (captions.js), in the language being read.
  std::string ourText(const std::string& japanese) override;

 private:
  NevContext& context_;
  std::function<void(const SavePoint&)> restart_;
  std::function<void()> close_;
  std::function<void(int32_t, int32_t)> volumes_;
  std::function<SlotDialogChoice(bool, int32_t)> slotDialog_;
  std::function<void(const std::string&, const SavePoint&)> reopen_;
};
