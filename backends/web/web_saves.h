#pragma once
// The reader's saves in the page: the story's data folder lives under /saves, a folder the page
// keeps in IndexedDB, and is stored there again after each change. The auto slot follows the
// reader from wait to wait, so a closed tab still has its place to go on from.

#include <cstdint>
#include <string>

#include "shell/window_port.h"

struct GameConfig;
struct NevContext;
struct WindowState;

// One folder per story location and story identity: two stories on one site, or two versions
// of one story at one address, never share slots.
std::string webDataFolder(const std::string& location, const GameConfig& config);

// Opens the story's data folder and its read marks; then, before the runner starts, asks
// whether to go on from the auto slot (`resume` 1 yes, 0 no, -1 ask).
void openWebSaves(NevContext& context, WindowState& state, WindowPort& port,
                  const std::string& folder, int resume);

// Asks the page to store what changed in /saves.
void storeWebSaves();

// Writing a save takes the page tens of milliseconds, so the auto slot is written once the
// reader has rested at the wait or choice a moment, never while clicking or skipping through.
class WebAutoSlot {
 public:
  // A wait or a choice has begun: a new place to keep.
  void placeTaken();
  // At each sleep: writes the auto slot when a place is due and the reader has been `resting`
  // there a moment, or at once when `now` (the page is being hidden).
  void keep(NevContext& context, WindowState& state, bool resting, bool now);
  // A place waits to be written.
  bool due() const { return due_; }

 private:
  bool due_ = false;
  double dueAt_ = 0;
};

// The slot dialog in HTML, with thumbnails; a slot can also be exported as a file and a save
// file imported into a slot there.
SlotDialogChoice chooseWebSlot(NevContext& context, WindowState& state, WindowPort& port,
                               bool canSave, int32_t lit);
