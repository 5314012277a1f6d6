#pragma once
// The container of a save file: named sections of bytes behind a header that tells a save of
// this program, its format version, and whether it arrived whole.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/problem.h"

inline constexpr uint32_t kSaveFormatVersion = 1;
// Whatever a file claims, decoding never holds more than this per section, nor more than
// kLargestSaveFile for the whole file and for all it decodes to.
inline constexpr uint64_t kLargestSaveSection = uint64_t{256} << 20;
inline constexpr uint64_t kLargestSaveFile = uint64_t{512} << 20;

// Name → bytes, in the order written. Names are unique and at most 255 bytes.
struct SaveSections {
  std::vector<std::pair<std::string, std::string>> sections;
  // The format the sections were read in; a file is always written in this program's.
  uint32_t version = kSaveFormatVersion;
};

// Sections of more than 256 bytes are compressed when that makes them smaller. An empty string
// (never a valid save) when the sections break the rules above or exceed the budgets.
std::string encodeSaveFile(const SaveSections& save, bool compressBig = true);

// Fills `out` only when there is no problem; with `only`, with just the sections it names (the
// whole file is still checked). A problem is NotASave, NewerSave, DamagedSave or TooLargeSave,
// its detail a short reason ("damaged") for its caller to put after the file's path.
std::optional<Problem> decodeSaveFile(std::string_view bytes, SaveSections& out,
                                      std::span<const std::string_view> only = {});
