#include "backends/web/web_saves.h"

#include <emscripten.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

#include "base/file_bytes.h"
#include "base/save_file.h"
#include "base/story_data.h"
#include "engine/context.h"
#include "engine/save_game.h"
#include "shell/window_proc.h"

namespace {

constexpr double kRestBeforeWriting = 300;  // ms at a wait before the auto slot is written

EM_JS(void, nev_store_saves, (), { nevSaves.store(); });
EM_JS(void, nev_slot_tile, (int slot, const char* path, const char* text, int used,
                            const uint32_t* pixels, int width, int height), {
  nevSaves.tile(slot, UTF8ToString(path), UTF8ToString(text), used !== 0,
                HEAPU32.subarray(pixels >> 2, (pixels >> 2) + width * height), width, height);
});
// action * 100 + slot; the actions as SlotDialogChoice's, and 4 for a file imported into the slot.
EM_ASYNC_JS(int, nev_choose_slot, (int canSave, int lit, const char* importPath), {
  return await nevSaves.choose(canSave !== 0, lit, UTF8ToString(importPath));
});

constexpr int32_t kImported = 4;

// Only the FNV hash of storyDataName: the identity is no file name.
std::string identityHash(const GameConfig& config) {
  const std::string name = storyDataName(storyIdentity(config));
  return name.substr(name.rfind('-') + 1);
}

// A save file the reader gave, made here or on the desktop, put into `slot` once it is known
// to be this story's and loadable here.
void importSave(NevContext& context, SaveSlots& slots, WindowPort& port, const std::string& from,
                int32_t slot) {
  std::error_code error;
  SavePoint point;
  if (std::optional<Problem> problem = readSave(context, from, point)) {
    std::filesystem::remove(from, error);
    tellSaveProblem(port, "このファイルはこの物語のしおりとして読み込めません", std::move(*problem));
    return;
  }
  SlotListing& listing = slots.listings[size_t(slot)];
  if (!mayOverwriteSlot(slots, port, slot)) {
    std::filesystem::remove(from, error);
    return;
  }
  const std::string to = slotPath(slots, slot);
  std::filesystem::rename(from, to, error);
  if (error) {
    tellSaveProblem(port, "しおりを読み込めませんでした",
         fileProblem(ProblemKind::CannotWrite, to, error.message()));
    return;
  }
  listing = readSlotListing(context, to);
  storeWebSaves();
  port.showNotice("読み込みました（" + slotName(port, slot) + "）");
}

}  // namespace

std::string webDataFolder(const std::string& location, const GameConfig& config) {
  return "/saves/" + storyDataName(location) + "-" + identityHash(config);
}

void openWebSaves(NevContext& context, WindowState& state, WindowPort& port,
                  const std::string& folder, int resume) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "nev: %s: %s; the story cannot be saved\n", folder.c_str(),
                 error.message().c_str());
    return;
  }
  state.saveSlots.dataFolder = folder;
  removeStaleTemporaries(folder);
  if (const std::optional<Problem> unmarked = context.reading.marks.open(folder + "/read.txt")) {
    std::fprintf(stderr, "nev: %s; skipping treats every line as unread\n",
                 unmarked->detail.c_str());
  }
  SavePoint kept;
  if (resumeFromAutoSlot(context, state, port, resume, kept)) context.resumeAt = kept;
}

void storeWebSaves() { nev_store_saves(); }

void WebAutoSlot::placeTaken() {
  due_ = true;
  dueAt_ = emscripten_get_now() + kRestBeforeWriting;
}

void WebAutoSlot::keep(NevContext& context, WindowState& state, bool resting, bool now) {
  if (!due_ || !(now || (resting && emscripten_get_now() >= dueAt_))) return;
  due_ = false;
  keepPlaceAtExit(context, state);
  storeWebSaves();
}

SlotDialogChoice chooseWebSlot(NevContext& context, WindowState& state, WindowPort& port,
                               bool canSave, int32_t lit) {
  SaveSlots& slots = state.saveSlots;
  const std::string importPath = slots.dataFolder + "/import.sav";
  if (lit == 0) lit = newestSlot(slots.listings.data(), kAutoSlot + 1);
  for (;;) {
    const int32_t newest = newestSlot(slots.listings.data(), kAutoSlot + 1);
    for (int32_t slot = 1; slot <= kAutoSlot; ++slot) {
      const SlotListing& listing = slots.listings[size_t(slot)];
      const SaveSummary& summary = listing.summary;
      const bool shown = listing.used && !summary.thumbnail.empty();
      nev_slot_tile(slot, slotPath(slots, slot).c_str(),
                    slotTile(port, slot, listing, slot == newest).c_str(), listing.used ? 1 : 0,
                    shown ? summary.thumbnail.data() : nullptr,
                    shown ? summary.thumbnailWidth : 0, shown ? summary.thumbnailHeight : 0);
    }
    const int32_t answer = nev_choose_slot(canSave ? 1 : 0, lit, importPath.c_str());
    const int32_t action = answer / 100, slot = answer % 100;
    if (action != kImported) {
      return SlotDialogChoice{static_cast<SlotDialogChoice::Action>(action), slot};
    }
    if (slot < 1 || slot > kAutoSlot) return {};
    importSave(context, slots, port, importPath, slot);
    lit = slot;
  }
}
