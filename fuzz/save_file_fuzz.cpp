// Save files: refused, or decoded to sections that encode and decode again to the same.
// Every input is tried twice: as a whole file, and as the sections behind a valid header,
// since few mutations would get past the checksum.
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "base/save_file.h"
#include "fuzz_files.h"

namespace {

std::string littleEndian(uint64_t value, int size) {
  std::string out;
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

void checkRoundTrip(std::string_view bytes) {
  SaveSections first;
  if (decodeSaveFile(bytes, first)) return;
  SaveSections second;
  for (const bool compress : {true, false}) {
    const std::string again = encodeSaveFile(first, compress);
    if (again.empty() || decodeSaveFile(again, second) ||
        second.sections != first.sections) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = bytesOf(data, size);
  checkRoundTrip(bytes);
  const uint32_t sum = static_cast<uint32_t>(crc32_z(0, data, size));
  checkRoundTrip(std::string("NEVSAVE\x1a", 8) + littleEndian(kSaveFormatVersion, 4) +
                 littleEndian(size, 8) + littleEndian(sum, 4) + std::string(bytes));
  return 0;
}
