#include "base/save_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

constexpr std::string_view kMagic("NEVSAVE\x1a", 8);
constexpr size_t kHeaderSize = 8 + 4 + 8 + 4;
constexpr size_t kSmallestCompressed = 257;
constexpr uint8_t kRaw = 0;
constexpr uint8_t kCompressed = 1;
// What a decoded section costs beyond its bytes, so that a file of countless empty sections
// is held to the budget as well.
constexpr uint64_t kSectionOverhead = sizeof(std::pair<std::string, std::string>);

void putLittleEndian(std::string& out, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// Takes `size` bytes from the front of `in`; false when fewer are left.
bool takeLittleEndian(std::string_view& in, uint64_t& value, size_t size) {
  if (in.size() < size) return false;
  value = 0;
  for (size_t i = 0; i < size; ++i) value |= uint64_t{static_cast<unsigned char>(in[i])} << (8 * i);
  in.remove_prefix(size);
  return true;
}

uint32_t checksum(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

// The fastest level: a save is written at every F5 and at exit, and pictures of flat colour
// shrink nearly as well at it as at the default.
std::string compressed(std::string_view raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(raw.data()), raw.size(),
                Z_BEST_SPEED) != Z_OK) {
    return {};
  }
  out.resize(size);
  return out;
}

// Grows the output as the stream gives it, never past `expected`: the stated length is not
// trusted for an allocation.
bool inflateExactly(std::string_view stored, uint64_t expected, std::string& out) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.data()));
  stream.avail_in = static_cast<uInt>(stored.size());
  constexpr size_t kChunk = 64 * 1024;
  int status = Z_OK;
  while (status == Z_OK) {
    const size_t done = out.size();
    // One byte beyond what is expected, to catch a stream that would go on.
    const size_t room = static_cast<size_t>(std::min<uint64_t>(kChunk, expected + 1 - done));
    out.resize(done + room);
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + done);
    stream.avail_out = static_cast<uInt>(room);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(done + room - stream.avail_out);
    if (out.size() > expected) break;
  }
  inflateEnd(&stream);
  return status == Z_STREAM_END && stream.avail_in == 0 && out.size() == expected;
}

Problem saveProblem(ProblemKind kind) {
  Problem problem;
  problem.kind = kind;
  problem.detail = kind == ProblemKind::NotASave       ? "not a save file"
                   : kind == ProblemKind::NewerSave    ? "made by a newer nev"
                   : kind == ProblemKind::TooLargeSave ? "too large"
                                                       : "damaged";
  return problem;
}

std::optional<Problem> decodeSections(std::string_view rest, SaveSections& out,
                                      std::span<const std::string_view> only) {
  std::unordered_set<std::string_view> names;
  uint64_t decoded = 0;
  while (!rest.empty()) {
    uint64_t nameSize = 0, flag = 0, storedSize = 0, rawSize = 0;
    if (!takeLittleEndian(rest, nameSize, 1) || rest.size() < nameSize) {
      return saveProblem(ProblemKind::DamagedSave);
    }
    const std::string_view name = rest.substr(0, nameSize);
    rest.remove_prefix(nameSize);
    if (!names.insert(name).second) return saveProblem(ProblemKind::DamagedSave);
    if (!takeLittleEndian(rest, flag, 1) || flag > kCompressed ||
        !takeLittleEndian(rest, storedSize, 4)) {
      return saveProblem(ProblemKind::DamagedSave);
    }
    if (flag == kRaw) rawSize = storedSize;
    if (flag == kCompressed && !takeLittleEndian(rest, rawSize, 4)) return saveProblem(ProblemKind::DamagedSave);
    if (rawSize > kLargestSaveSection) return saveProblem(ProblemKind::TooLargeSave);
    decoded += kSectionOverhead + nameSize + rawSize;
    if (decoded > kLargestSaveFile) return saveProblem(ProblemKind::TooLargeSave);
    if (rest.size() < storedSize) return saveProblem(ProblemKind::DamagedSave);
    const std::string_view stored = rest.substr(0, storedSize);
    rest.remove_prefix(storedSize);
    if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
    std::string bytes;
    if (flag == kRaw) {
      bytes = stored;
    } else if (!inflateExactly(stored, rawSize, bytes)) {
      return saveProblem(ProblemKind::DamagedSave);
    }
    out.sections.emplace_back(std::string(name), std::move(bytes));
  }
  return std::nullopt;
}

}  // namespace

std::string encodeSaveFile(const SaveSections& save, bool compressBig) {
  std::string rest;
  std::unordered_set<std::string_view> names;
  uint64_t decoded = 0;
  for (const auto& [name, bytes] : save.sections) {
    decoded += kSectionOverhead + name.size() + bytes.size();
    if (name.size() > 255 || !names.insert(name).second || bytes.size() > kLargestSaveSection ||
        decoded > kLargestSaveFile) {
      return {};
    }
    std::string packed;
    if (compressBig && bytes.size() >= kSmallestCompressed) packed = compressed(bytes);
    const bool compress = !packed.empty() && packed.size() < bytes.size();
    putLittleEndian(rest, name.size(), 1);
    rest += name;
    putLittleEndian(rest, compress ? kCompressed : kRaw, 1);
    putLittleEndian(rest, compress ? packed.size() : bytes.size(), 4);
    if (compress) putLittleEndian(rest, bytes.size(), 4);
    rest += compress ? packed : bytes;
    if (rest.size() + kHeaderSize > kLargestSaveFile) return {};
  }
  std::string file(kMagic);
  putLittleEndian(file, kSaveFormatVersion, 4);
  putLittleEndian(file, rest.size(), 8);
  putLittleEndian(file, checksum(rest), 4);
  return file + rest;
}

std::optional<Problem> decodeSaveFile(std::string_view bytes, SaveSections& out,
                                      std::span<const std::string_view> only) {
  if (bytes.substr(0, kMagic.size()) != kMagic) return saveProblem(ProblemKind::NotASave);
  if (bytes.size() > kLargestSaveFile) return saveProblem(ProblemKind::TooLargeSave);
  std::string_view rest = bytes.substr(kMagic.size());
  uint64_t version = 0, length = 0, sum = 0;
  if (!takeLittleEndian(rest, version, 4)) return saveProblem(ProblemKind::DamagedSave);
  if (version > kSaveFormatVersion) return saveProblem(ProblemKind::NewerSave);
  if (version == 0 || !takeLittleEndian(rest, length, 8) || !takeLittleEndian(rest, sum, 4) ||
      length != rest.size() || sum != checksum(rest)) {
    return saveProblem(ProblemKind::DamagedSave);
  }
  SaveSections sections;
  sections.version = static_cast<uint32_t>(version);
  std::optional<Problem> problem = decodeSections(rest, sections, only);
  if (!problem) out = std::move(sections);
  return problem;
}
