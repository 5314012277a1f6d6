#pragma once
// A save file: one save point of one story, with what a slot list shows of it (the date, the
// page's first line, a small picture). Whatever its bytes, reading one either gives back the
// save point as it was written or says why not.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/problem.h"
#include "base/surface.h"
#include "engine/save_point.h"

struct GameConfig;
struct NevContext;

inline constexpr int32_t kThumbnailWidth = 160;

struct SaveSummary {
  int64_t savedAt = 0;    // seconds since the epoch
  std::string firstText;  // the page's first line, as the story wrote it (code page 932)
  int32_t thumbnailWidth = 0, thumbnailHeight = 0;
  std::vector<Pixel> thumbnail;
  std::string language;  // the code of the translation it was made in; empty: the original
};

// Tells a save of this story from another's: its title, picture size and script kind.
std::string storyIdentity(const GameConfig& config);

// The date given, the page's first line and the pictured display, shrunk to kThumbnailWidth.
SaveSummary summarizeSavePoint(const SavePoint& point, int64_t savedAt);

std::string encodeSaveGame(const SavePoint& point, const SaveSummary& summary,
                           std::string_view identity);

// A problem, its detail a short reason without a path, when the bytes are not a whole save of
// this story made by this or an older nev.
std::optional<Problem> decodeSaveGame(std::string_view bytes, std::string_view identity,
                                      SavePoint& point, SaveSummary& summary);

// Only what a slot list shows; a problem as decodeSaveGame's.
std::optional<Problem> decodeSaveSummary(std::string_view bytes, std::string_view identity,
                                         SaveSummary& summary);

// The latest save point of the story being read, written to `path` (atomically). A problem
// ("<path>: <why>") when none has been taken yet or it cannot be written.
std::optional<Problem> writeLatestSave(NevContext& context, const std::string& path,
                                       int64_t savedAt);

// Reads the save at `path` for the story being read, and makes sure it can be restored there
// (its script still holds its place). `point` is left as it was when it cannot, and the
// problem says "<path>: <why>".
std::optional<Problem> readSave(const NevContext& context, const std::string& path,
                                SavePoint& point);
