#pragma once
// The fields of one save section, written and read by the same function: it names each field
// in order, and the archive either appends the field's value or reads the value back into it,
// so writer and reader cannot drift apart. A section gains a field behind a check of
// version(), and files of older versions still load.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/save_file.h"
#include "base/surface.h"

class SaveArchive {
 public:
  // Writes at this program's format version.
  SaveArchive() = default;
  // Writes into `room`'s storage, emptied first: a section written again and again (a picture
  // at every save point) then allocates nothing after the first time.
  explicit SaveArchive(std::string&& room) : out_(std::move(room)) { out_.clear(); }
  // Reads the bytes of a section of a file of format `version`.
  SaveArchive(std::string_view bytes, uint32_t version)
      : reading_(true), version_(version), in_(bytes) {}

  bool reading() const { return reading_; }
  uint32_t version() const { return version_; }

  // Little-endian; a flag is an i32 of 0 or 1. Once a read has failed, the later ones leave
  // their fields as they are.
  void u32(uint32_t& value);
  void i32(int32_t& value);
  void i64(int64_t& value);
  void flag(bool& value);
  // Length-prefixed (u32); a read of more than `most` bytes fails.
  void bytes(std::string& value, size_t most);
  // Length-prefixed like bytes, as they lie in memory; a read of any other number than
  // `count` pixels fails.
  void pixels(std::vector<Pixel>& value, size_t count);
  // The rest of the section, without a length: exactly `count` pixels, or whatever bytes.
  void remainingPixels(std::vector<Pixel>& value, size_t count);
  void remainingBytes(std::string& value);

  // The number of `items` (a u32), to which a read resizes them; false, with the archive
  // failed, when more than `most` are read, and once anything failed before.
  template <typename T>
  bool size(std::vector<T>& items, uint32_t most) {
    uint32_t count = uint32_t(items.size());
    u32(count);
    require(count <= most);
    if (failed_) return false;
    if (reading_) items.resize(count);
    return true;
  }

  // What was read is refused unless `holds`; a writer writes what it is given.
  void require(bool holds) {
    if (reading_ && !holds) failed_ = true;
  }
  bool failed() const { return failed_; }
  // Reading: every field was there and held, and nothing is left over.
  bool readWhole() const { return !failed_ && in_.empty(); }
  // Writing: the section's bytes.
  const std::string& data() const { return out_; }
  std::string takeData() { return std::move(out_); }

 private:
  bool take(uint64_t& value, size_t size);
  void put(uint64_t value, size_t size);

  bool reading_ = false;
  bool failed_ = false;
  uint32_t version_ = kSaveFormatVersion;
  std::string_view in_;
  std::string out_;
};
