#include "shell/save_slots.h"

#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/save_file.h"
#include "base/text_file.h"
#include "engine/context.h"
#include "engine/host.h"
#include "shell/language_menu.h"
#include "shell/menu.h"
#include "shell/window_proc.h"

namespace {

constexpr size_t kCaptionTextLength = 24;  // characters of the page's first line

bool savePointTaken(NevContext& context) {
  std::lock_guard guard(context.savePoints.lock);
  return context.savePoints.latest.taken;
}

}  // namespace

SlotListing readSlotListing(const NevContext& context, const std::string& path) {
  SlotListing listing;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return listing;
  const std::optional<std::string> bytes = readWholeFile(path, kLargestSaveFile);
  listing.problem =
      bytes ? decodeSaveSummary(*bytes, storyIdentity(context.config), listing.summary)
            : fileProblem(ProblemKind::CannotRead, path, "cannot be read");
  listing.used = !listing.problem;
  if (listing.used && !listing.summary.language.empty()) {
    listing.languageName = languageName(*context.files, listing.summary.language);
  }
  return listing;
}

void tellSaveProblem(WindowPort& port, const std::string& text, Problem problem) {
  problem.boxText = text;
  problem.caption = kSaveCaption;
  reportProblem([&port](const std::string& t, const std::string& c,
                        const std::string& d) { port.showBox(t, c, d); },
                problem);
}

namespace {

void listSlots(NevContext& context, SaveSlots& slots) {
  if (slots.listed) return;
  slots.listed = true;
  if (slots.dataFolder.empty()) return;
  for (int32_t slot = 1; slot <= kAutoSlot; ++slot) {
    slots.listings[size_t(slot)] = readSlotListing(context, slotPath(slots, slot));
  }
}

// The first `count` characters of UTF-8 text, with an ellipsis when cut.
std::string firstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t seen = 0; end < text.size() && seen < count; ++seen) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return end < text.size() ? text.substr(0, end) + "…" : text;
}

}  // namespace

std::string slotPath(const SaveSlots& slots, int32_t slot) {
  if (slot == kQuickSlot) return slots.dataFolder + "/quick.sav";
  if (slot == kAutoSlot) return slots.dataFolder + "/auto.sav";
  char name[16];
  std::snprintf(name, sizeof name, "/slot%02d.sav", slot);
  return slots.dataFolder + name;
}

namespace {

std::string slotNumber(int32_t slot) {
  return slot == kQuickSlot ? "Q" : slot == kAutoSlot ? "A" : std::to_string(slot);
}

// `text` with its "%1" filled by `piece`.
std::string filledIn(std::string text, const std::string& piece) {
  if (const size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, piece);
  return text;
}

// The date and the page's first line of a used slot, or what stands for them.
std::pair<std::string, std::string> slotDateAndText(WindowPort& port, const SlotListing& listing) {
  if (listing.problem) return {"", port.ourText("（読めないしおり）")};
  if (!listing.used) return {"", port.ourText("―― 空き ――")};
  char date[32] = "";
  const std::time_t when = static_cast<std::time_t>(listing.summary.savedAt);
  std::tm local = {};
  if (localtime_r(&when, &local) != nullptr) {
    std::strftime(date, sizeof date, "%Y/%m/%d %H:%M", &local);
  }
  const std::string text = cp932ToUtf8(withoutLineEnd(listing.summary.firstText));
  return {date, firstCharacters(text, kCaptionTextLength)};
}

}  // namespace

std::string slotCaption(WindowPort& port, int32_t slot, const SlotListing& listing) {
  const auto [date, text] = slotDateAndText(port, listing);
  return slotNumber(slot) + "  " + (date.empty() ? "" : date + "  ") + text;
}

std::string slotTile(WindowPort& port, int32_t slot, const SlotListing& listing, bool newest) {
  const auto [date, text] = slotDateAndText(port, listing);
  const std::string name = slot == kQuickSlot  ? port.ourText("Q クイック")
                           : slot == kAutoSlot ? port.ourText("A オート")
                                               : slotNumber(slot);
  const std::string language = listing.languageName.empty() ? "" : "  " + listing.languageName;
  return name + language + (newest ? "  " + port.ourText("★最新") : "") + "\n" +
         (date.empty() ? text : date + "\n" + text);
}

int32_t newestSlot(const SlotListing* listings, int32_t count) {
  int32_t newest = 0;
  for (int32_t slot = 1; slot < count; ++slot) {
    if (!listings[slot].used) continue;
    if (newest == 0 || listings[slot].summary.savedAt >= listings[newest].summary.savedAt) newest = slot;
  }
  return newest;
}

void refreshSaveMenu(NevContext& context, WindowState& state, WindowPort& port) {
  SaveSlots& slots = state.saveSlots;
  listSlots(context, slots);
  const bool canSave = !slots.dataFolder.empty() && savePointTaken(context);
  for (int32_t slot = 1; slot <= kSaveSlots; ++slot) {
    const SlotListing& listing = slots.listings[size_t(slot)];
    const std::string caption = slotCaption(port, slot, listing);
    port.setMenuItem(kMenuSaveSlotFirst + slot - 1, caption, canSave);
    port.setMenuItem(kMenuLoadSlotFirst + slot - 1, caption, listing.used);
  }
  port.setMenuItem(kMenuQuickSave, "クイックセーブ\tF5", canSave);
  port.setMenuItem(kMenuQuickLoad, "クイックロード\tF9", slots.listings[kQuickSlot].used);
  port.setMenuItem(kMenuSlotDialog, "しおりの一覧…", !slots.dataFolder.empty());
}

std::string slotName(WindowPort& port, int32_t slot) {
  if (slot == kQuickSlot) return port.ourText("クイックのしおり");
  if (slot == kAutoSlot) return port.ourText("オートのしおり");
  return filledIn(port.ourText("しおり %1"), std::to_string(slot));
}

namespace {

bool holdsAFile(const SlotListing& listing) { return listing.used || listing.problem.has_value(); }

}  // namespace

// The quick slot is overwritten without a word: F5 is meant to be one key.
bool mayOverwriteSlot(const SaveSlots& slots, WindowPort& port, int32_t slot) {
  if (slot == kQuickSlot || !holdsAFile(slots.listings[size_t(slot)])) return true;
  return port.askBeforeLosing(filledIn(port.ourText("%1 に上書きしますか？"), slotName(port, slot)),
                              kSaveCaption);
}

namespace {

void writeSlot(NevContext& context, SaveSlots& slots, WindowPort& port, int32_t slot) {
  const std::string path = slotPath(slots, slot);
  if (std::optional<Problem> problem = writeLatestSave(context, path, std::time(nullptr))) {
    tellSaveProblem(port, "セーブできませんでした", std::move(*problem));
    return;
  }
  slots.listings[size_t(slot)] = readSlotListing(context, path);
  port.showNotice(filledIn(port.ourText("セーブしました（%1）"), slotName(port, slot)));
}

}  // namespace

void saveToSlot(NevContext& context, WindowState& state, WindowPort& port, int32_t slot) {
  SaveSlots& slots = state.saveSlots;
  // Before the first wait there is nothing to go back to; F5 then does nothing.
  if (slots.dataFolder.empty() || !savePointTaken(context)) return;
  listSlots(context, slots);
  if (mayOverwriteSlot(slots, port, slot)) writeSlot(context, slots, port, slot);
}

void loadFromSlot(NevContext& context, WindowState& state, WindowPort& port, int32_t slot) {
  SaveSlots& slots = state.saveSlots;
  if (slots.dataFolder.empty()) return;
  const std::string path = slotPath(slots, slot);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return;  // an empty slot: nothing to load
  SavePoint point;
  if (std::optional<Problem> problem = readSave(context, path, point)) {
    tellSaveProblem(port, "ロードできませんでした", std::move(*problem));
    return;
  }
  port.restartStoryAt(point);
  port.showNotice(filledIn(port.ourText("ロードしました（%1）"), slotName(port, slot)));
}

void showSlotDialog(NevContext& context, WindowState& state, WindowPort& port) {
  SaveSlots& slots = state.saveSlots;
  if (slots.dataFolder.empty()) return;
  listSlots(context, slots);
  int32_t lit = 0;
  for (;;) {
    const bool canSave = savePointTaken(context);
    const SlotDialogChoice choice =
        port.chooseSlot(slots.listings.data(), kAutoSlot + 1, canSave, lit);
    if (choice.slot < 1 || choice.slot > kAutoSlot) return;
    lit = choice.slot;
    switch (choice.action) {
      case SlotDialogChoice::Action::Close:
        return;
      case SlotDialogChoice::Action::Save:
        if (choice.slot > kSaveSlots || !canSave) return;
        if (!mayOverwriteSlot(slots, port, choice.slot)) break;  // back to the dialog
        writeSlot(context, slots, port, choice.slot);
        return;
      case SlotDialogChoice::Action::Load:
        loadFromSlot(context, state, port, choice.slot);
        return;
      case SlotDialogChoice::Action::Delete: {
        if (!holdsAFile(slots.listings[size_t(choice.slot)]) ||
            !port.askBeforeLosing(
                filledIn(port.ourText("%1 を削除しますか？"), slotName(port, choice.slot)),
                kSaveCaption)) {
          break;
        }
        std::error_code error;
        std::filesystem::remove(slotPath(slots, choice.slot), error);
        slots.listings[size_t(choice.slot)] = {};
        break;  // the dialog again, without it
      }
    }
  }
}

void keepPlaceAtExit(NevContext& context, WindowState& state) {
  SaveSlots& slots = state.saveSlots;
  if (slots.dataFolder.empty() || !slots.keepsPlace) return;
  const std::string path = slotPath(slots, kAutoSlot);
  std::error_code error;
  if (state.storyEnded) {
    std::filesystem::remove(path, error);  // a finished story starts from its beginning
    return;
  }
  if (!savePointTaken(context)) return;
  if (std::optional<Problem> problem = writeLatestSave(context, path, std::time(nullptr))) {
    printProblem(*problem);
  }
}

bool resumeFromAutoSlot(NevContext& context, WindowState& state, WindowPort& port, int answer,
                        SavePoint& point) {
  SaveSlots& slots = state.saveSlots;
  if (slots.dataFolder.empty() || answer == 0) return false;
  const std::string path = slotPath(slots, kAutoSlot);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return false;
  if (std::optional<Problem> problem = readSave(context, path, point)) {
    tellSaveProblem(port, "前回の続きを読み込めませんでした", std::move(*problem));
    return false;
  }
  return answer == 1 || port.askYesNo("前回の続きから始めますか？", kSaveCaption);
}
