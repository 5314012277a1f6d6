#pragma once
// A zip archive read from bytes in memory: stories are passed around zipped, and a browser
// holds the whole zip a reader picked. Only what a story needs is read: entries stored or
// deflated, names in code page 932 or UTF-8. An archive that could hurt whoever unpacks it
// (a bomb, a link, a name outside its folder, entries sharing bytes) is refused whole.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/problem.h"

struct ZipLimits {
  uint64_t largestEntry = 512ull << 20;  // bytes of one entry unpacked
  uint64_t largestTotal = 2ull << 30;    // bytes of every entry unpacked together
};

struct ZipEntry {
  std::string name;      // as stored: code page 932 bytes, or UTF-8 when `utf8Name`
  std::string utf8;      // the name in UTF-8 either way
  bool utf8Name = false;
  bool folder = false;   // a name ending in "/" (or "\")
  uint16_t method = 0;   // 0 stored, 8 deflated
  uint32_t crc = 0;
  uint64_t packedSize = 0;
  uint64_t size = 0;
  uint64_t dataOffset = 0;  // where the packed bytes start
};

class ZipArchive {
 public:
  const std::vector<ZipEntry>& entries() const { return entries_; }
  // The entry's bytes unpacked and checked against their CRC; nothing, with `problem`, when
  // they cannot be, or when they are more than `largest` bytes.
  std::optional<std::string> extract(const ZipEntry& entry, Problem& problem,
                                     uint64_t largest = UINT64_MAX) const;

 private:
  friend std::shared_ptr<const ZipArchive> openZipArchive(std::string, const std::string&,
                                                          const ZipLimits&, Problem&);
  std::string bytes_;
  std::string label_;
  std::vector<ZipEntry> entries_;
};

// The archive in `bytes` (`label` names it in problems: its path or file name); null, with
// `problem` saying why, when it is no zip nev reads or is refused.
std::shared_ptr<const ZipArchive> openZipArchive(std::string bytes, const std::string& label,
                                                 const ZipLimits& limits, Problem& problem);
