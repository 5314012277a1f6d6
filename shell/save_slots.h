#pragma once
// The reader's save slots: ten of their own, a quick slot and an auto slot, one file each in
// the story's data folder; the しおり menu and the slot dialog; and the auto slot that keeps the
// reader's place when nev ends before the story does.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/problem.h"
#include "engine/save_game.h"
#include "shell/window_port.h"

struct GameConfig;
struct NevContext;
struct WindowState;

inline constexpr int32_t kSaveSlots = 10;  // numbered from 1
inline constexpr int32_t kQuickSlot = 11;
inline constexpr int32_t kAutoSlot = 12;
// The caption of every box and question about saves.
inline constexpr const char* kSaveCaption = "しおり";

struct SlotListing {
  bool used = false;     // a save this story can read is there
  std::optional<Problem> problem;  // why a file that is there cannot be read
  SaveSummary summary;
  std::string languageName;  // the translation it was made in, as readers know it; empty: the original
};

struct SaveSlots {
  std::string dataFolder;  // empty: saving is not possible (no home folder)
  bool listed = false;     // the listings below are read, once, when first wanted
  bool keepsPlace = true;  // false: the auto slot is not written at exit (a warped start)
  std::array<SlotListing, kAutoSlot + 1> listings;  // by slot number; 0 unused
};

// What the slot file at `path` holds, as the menus and dialogs list it.
SlotListing readSlotListing(const NevContext& context, const std::string& path);

// The slot as questions and notices name it: "しおり 3", "クイックのしおり".
std::string slotName(WindowPort& port, int32_t slot);
// True when `slot` may be written: empty, the quick slot, or the reader said yes.
bool mayOverwriteSlot(const SaveSlots& slots, WindowPort& port, int32_t slot);

// A save or load that failed: a box captioned as the slots are, and one stderr line.
void tellSaveProblem(WindowPort& port, const std::string& text, Problem problem);

// "slot01.sav" … "slot10.sav", "quick.sav", "auto.sav".
std::string slotPath(const SaveSlots& slots, int32_t slot);

// A slot as the menus and the dialog name it: its number, date and the page's first line.
std::string slotCaption(WindowPort& port, int32_t slot, const SlotListing& listing);
// The same on the slot screen's tile, one line each; the newest save is marked, and one made in
// a translation is named with its language.
std::string slotTile(WindowPort& port, int32_t slot, const SlotListing& listing, bool newest);

// The slot holding the latest save (the later slot on a tie), 0 when none holds one.
int32_t newestSlot(const SlotListing* listings, int32_t count);

// The しおり menu as it should read now: captions, and what can be chosen.
void refreshSaveMenu(NevContext& context, WindowState& state, WindowPort& port);

// The reader's commands; each failure is a box and one stderr line, and the story goes on.
// Overwriting or deleting a numbered slot asks first; the quick slot never asks. A save or a
// load made is told by a notice over the picture.
void saveToSlot(NevContext& context, WindowState& state, WindowPort& port, int32_t slot);
void loadFromSlot(NevContext& context, WindowState& state, WindowPort& port, int32_t slot);
void showSlotDialog(NevContext& context, WindowState& state, WindowPort& port);

// The program ends: the auto slot keeps the reader's place, or goes when the story has ended.
void keepPlaceAtExit(NevContext& context, WindowState& state);

// At start: the auto slot's save point when the reader wants to go on from it (`answer`
// 1 yes, 0 no, -1 ask); nothing to resume otherwise.
bool resumeFromAutoSlot(NevContext& context, WindowState& state, WindowPort& port, int answer,
                        SavePoint& point);
