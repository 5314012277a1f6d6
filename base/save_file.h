#pragma once
// The container of a save file: named sections of bytes behind a header that tells a save of
// this program, its format version, and whether it arrived whole.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr uint32_t kSaveFormatVersion = 1;
// Whatever a file claims, decoding never holds more than this per section, nor more than
// kLargestSaveFile for the whole file and for all it decodes to.
inline constexpr uint64_t kLargestSaveSection = uint64_t{256} << 20;
inline constexpr uint64_t kLargestSaveFile = uint64_t{512} << 20;

// Name → bytes, in the order written. Names are unique and at most 255 bytes.
struct SaveSections {
  std::vector<std::pair<std::string, std::string>> sections;
};

// Sections of more than 256 bytes are compressed when that makes them smaller. An empty string
// (never a valid save) when the sections break the rules above or exceed the budgets.
std::string encodeSaveFile(const SaveSections& save, bool compressBig = true);

enum class SaveFileProblem { None, NotASave, NewerVersion, Damaged, TooLarge };

// Fills `out` only when the answer is None; with `only`, with just the sections it names (the
// whole file is still checked).
SaveFileProblem decodeSaveFile(std::string_view bytes, SaveSections& out,
                               std::span<const std::string_view> only = {});

// A short reason for a line on stderr: "damaged", "made by a newer nev"...
const char* saveFileProblemText(SaveFileProblem problem);

// Little-endian fields of a section's payload.
class SaveWriter {
 public:
  void u32(uint32_t value);
  void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
  void i64(int64_t value);
  // Length-prefixed (u32).
  void bytes(std::string_view value);
  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

// Each read returns false, and moves on by nothing, when too few bytes are left.
class SaveReader {
 public:
  explicit SaveReader(std::string_view data) : data_(data) {}
  bool u32(uint32_t& value);
  bool i32(int32_t& value);
  bool i64(int64_t& value);
  bool bytes(std::string& value);
  bool atEnd() const { return data_.empty(); }

 private:
  std::string_view data_;
};
