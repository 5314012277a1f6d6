#include "base/save_archive.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "pixels are stored as they lie in memory");

bool SaveArchive::take(uint64_t& value, size_t size) {
  if (failed_ || in_.size() < size) {
    failed_ = true;
    return false;
  }
  value = 0;
  for (size_t i = 0; i < size; ++i)
    value |= uint64_t{static_cast<unsigned char>(in_[i])} << (8 * i);
  in_.remove_prefix(size);
  return true;
}

void SaveArchive::put(uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) out_.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void SaveArchive::u32(uint32_t& value) {
  uint64_t wide = value;
  if (!reading_) return put(wide, 4);
  if (take(wide, 4)) value = static_cast<uint32_t>(wide);
}

void SaveArchive::i32(int32_t& value) {
  uint32_t bits = static_cast<uint32_t>(value);
  u32(bits);
  if (reading_ && !failed_) value = static_cast<int32_t>(bits);
}

void SaveArchive::i64(int64_t& value) {
  uint64_t bits = static_cast<uint64_t>(value);
  if (!reading_) return put(bits, 8);
  if (take(bits, 8)) value = static_cast<int64_t>(bits);
}

void SaveArchive::flag(bool& value) {
  int32_t number = value ? 1 : 0;
  i32(number);
  require(number == 0 || number == 1);
  if (reading_ && !failed_) value = number == 1;
}

void SaveArchive::bytes(std::string& value, size_t most) {
  uint32_t size = static_cast<uint32_t>(value.size());
  u32(size);
  if (!reading_) {
    out_ += value;
    return;
  }
  require(size <= most && size <= in_.size());
  if (failed_) return;
  value = in_.substr(0, size);
  in_.remove_prefix(size);
}

void SaveArchive::pixels(std::vector<Pixel>& value, size_t count) {
  uint32_t size = static_cast<uint32_t>(value.size() * sizeof(Pixel));
  u32(size);
  if (!reading_) {
    out_.append(reinterpret_cast<const char*>(value.data()), value.size() * sizeof(Pixel));
    return;
  }
  require(size == count * sizeof(Pixel) && size <= in_.size());
  if (failed_) return;
  value.resize(count);
  if (count > 0) std::memcpy(value.data(), in_.data(), size);
  in_.remove_prefix(size);
}

void SaveArchive::remainingPixels(std::vector<Pixel>& value, size_t count) {
  if (!reading_) {
    out_.append(reinterpret_cast<const char*>(value.data()), value.size() * sizeof(Pixel));
    return;
  }
  require(in_.size() == count * sizeof(Pixel));
  if (failed_) return;
  value.resize(count);
  if (count > 0) std::memcpy(value.data(), in_.data(), in_.size());
  in_ = {};
}

void SaveArchive::remainingBytes(std::string& value) {
  if (!reading_) {
    out_ += value;
    return;
  }
  if (failed_) return;
  value = in_;
  in_ = {};
}
