#pragma once
// WebWindow: what the window procedure asks of the page. Boxes and questions are HTML dialogs
// the runner awaits; what the page does not offer yet answers as a reader who closed the
// dialog would.

#include <functional>

#include "shell/window_port.h"

class WebWindow final : public WindowPort {
 public:
  // `restart` and `close` are the player's: they stop the runner, which then returns.
  WebWindow(std::function<void(const SavePoint&)> restart, std::function<void()> close,
            std::function<void(int32_t music, int32_t sound)> volumes)
      : restart_(std::move(restart)), close_(std::move(close)), volumes_(std::move(volumes)) {}

  void showBox(const std::string& text, const std::string& caption,
               const std::string& details = {}) override;
  bool askYesNo(const std::string& text, const std::string& caption) override;
  bool askBeforeLosing(const std::string& text, const std::string& caption) override;
  void showNotice(const std::string& text) override;
  void copyText(const std::string& utf8) override;
  void destroyWindow() override { close_(); }
  void restartStoryAt(const SavePoint& point) override { restart_(point); }
  void setVolumes(int32_t music, int32_t sound) override { volumes_(music, sound); }
  Size monitorSize() override;

  // The page has no menu bar, desktop handler, file dialog or window modes of its own yet.
  void appendMenuItem(int32_t, int32_t, const std::string&, bool) override {}
  void checkMenuItem(int32_t, bool) override {}
  void setMenuBarAttached(bool) override {}
  bool openWithDesktop(const std::string&) override { return false; }
  std::optional<std::string> chooseFile(const FileDialog&) override { return std::nullopt; }
  void showDefaultWindow(Size) override {}
  void showPreviousWindow(Size) override {}
  void showFullSizeWindow() override {}
  void setEmulatedDisplay(Size) override {}
  void setPictureScaling(PictureScaling) override {}
  std::vector<Size> platformDisplayModes() override { return {}; }
  void setMenuItem(int32_t, const std::string&, bool) override {}
  SlotDialogChoice chooseSlot(const SlotListing*, int32_t, bool canSave, int32_t lit) override {
    return slotDialog_ ? slotDialog_(canSave, lit) : SlotDialogChoice{};
  }
  // The slot dialog is the player's, which knows the story's slots.
  void setSlotDialog(std::function<SlotDialogChoice(bool canSave, int32_t lit)> dialog) {
    slotDialog_ = std::move(dialog);
  }
  void greyMenuItem(int32_t, const std::string&) override {}
  void saveScreenshot() override {}
  void showBacklog() override {}
  int32_t chooseFromReaderMenu(const std::vector<ReaderMenuItem>&) override { return 0; }

 private:
  std::function<void(const SavePoint&)> restart_;
  std::function<void()> close_;
  std::function<void(int32_t, int32_t)> volumes_;
  std::function<SlotDialogChoice(bool, int32_t)> slotDialog_;
};
