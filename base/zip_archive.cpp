#include "base/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>

#include "base/codepage.h"
#include "base/story_files.h"

namespace {

constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kZip64Locator = 0x07064b50;
constexpr uint32_t kZip64EndOfDirectory = 0x06064b50;
constexpr uint16_t kZip64Extra = 0x0001;
constexpr uint16_t kEncrypted = 1 << 0;
constexpr uint16_t kUtf8Names = 1 << 11;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint32_t kUnixKind = 0170000, kUnixLink = 0120000;
// Deflate cannot unpack to more than about 1032 times its size: more is a lie or a bomb.
constexpr uint64_t kMostInflation = 1100;

// Little-endian fields, read only where they lie wholly inside the bytes.
struct Reader {
  std::string_view bytes;
  bool fits(uint64_t at, uint64_t count) const {
    return at <= bytes.size() && count <= bytes.size() - at;
  }
  uint64_t field(uint64_t at, int size) const {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  }
  uint16_t u16(uint64_t at) const { return static_cast<uint16_t>(field(at, 2)); }
  uint32_t u32(uint64_t at) const { return static_cast<uint32_t>(field(at, 4)); }
  uint64_t u64(uint64_t at) const { return field(at, 8); }
};

struct Directory {
  uint64_t count = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
};

// The end-of-directory record is the last thing in a zip, before a comment of up to 64 KiB.
std::optional<Directory> findDirectory(const Reader& in) {
  const std::string_view bytes = in.bytes;
  if (bytes.size() < 22) return std::nullopt;
  const uint64_t lowest = bytes.size() > 22 + 0xFFFF ? bytes.size() - 22 - 0xFFFF : 0;
  for (uint64_t at = bytes.size() - 22 + 1; at-- > lowest;) {
    if (in.u32(at) != kEndOfDirectory || at + 22 + in.u16(at + 20) > bytes.size()) continue;
    Directory found{in.u16(at + 10), in.u32(at + 16), in.u32(at + 12)};
    const bool wide = found.count == 0xFFFF || found.offset == 0xFFFFFFFF || found.size == 0xFFFFFFFF;
    if (wide && at >= 20 && in.u32(at - 20) == kZip64Locator) {
      const uint64_t record = in.u64(at - 20 + 8);
      if (!in.fits(record, 56) || in.u32(record) != kZip64EndOfDirectory) return std::nullopt;
      found = {in.u64(record + 32), in.u64(record + 48), in.u64(record + 40)};
    }
    return found;
  }
  return std::nullopt;
}

// Sizes and offset too large for their 32-bit fields are in the zip64 extra field, in order.
bool readZip64Extra(const Reader& in, uint64_t extra, uint64_t length, uint64_t& size,
                    uint64_t& packedSize, uint64_t& localOffset) {
  for (uint64_t at = extra; at + 4 <= extra + length;) {
    const uint16_t id = in.u16(at), fieldLength = in.u16(at + 2);
    if (at + 4 + fieldLength > extra + length) return false;
    if (id == kZip64Extra) {
      uint64_t next = at + 4;
      for (uint64_t* value : {&size, &packedSize, &localOffset}) {
        if (*value != 0xFFFFFFFF) continue;
        if (next + 8 > at + 4 + fieldLength) return false;
        *value = in.u64(next);
        next += 8;
      }
      return true;
    }
    at += 4 + fieldLength;
  }
  return size != 0xFFFFFFFF && packedSize != 0xFFFFFFFF && localOffset != 0xFFFFFFFF;
}

bool endsInSeparator(std::string_view name) {
  return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

}  // namespace

std::shared_ptr<const ZipArchive> openZipArchive(std::string bytes, const std::string& label,
                                                 const ZipLimits& limits, Problem& problem) {
  const auto refuse = [&](const std::string& why) {
    problem = fileProblem(ProblemKind::NotAFolder, label, why);
    return nullptr;
  };
  auto archive = std::make_shared<ZipArchive>();
  archive->bytes_ = std::move(bytes);
  archive->label_ = label;
  const Reader in{archive->bytes_};

  const std::optional<Directory> directory = findDirectory(in);
  if (!directory || !in.fits(directory->offset, directory->size) ||
      directory->count > directory->size / 46) {
    return refuse("not a zip archive, or not a whole one");
  }
  struct Span {
    uint64_t start, end;
  };
  std::vector<Span> spans;
  uint64_t total = 0;
  uint64_t at = directory->offset;
  const uint64_t directoryEnd = directory->offset + directory->size;
  for (uint64_t index = 0; index < directory->count; ++index) {
    if (at + 46 > directoryEnd || in.u32(at) != kCentralHeader) {
      return refuse("its list of files is damaged");
    }
    const uint16_t flags = in.u16(at + 8), nameLength = in.u16(at + 28),
                   extraLength = in.u16(at + 30), commentLength = in.u16(at + 32);
    if (at + 46 + nameLength + extraLength + commentLength > directoryEnd) {
      return refuse("its list of files is damaged");
    }
    ZipEntry entry;
    entry.name = std::string(in.bytes.substr(at + 46, nameLength));
    entry.utf8Name = (flags & kUtf8Names) != 0;
    entry.utf8 = entry.utf8Name ? validUtf8Escaped(entry.name) : cp932ToUtf8(entry.name);
    entry.folder = endsInSeparator(entry.name);
    entry.method = in.u16(at + 10);
    entry.crc = in.u32(at + 16);
    entry.packedSize = in.u32(at + 20);
    entry.size = in.u32(at + 24);
    uint64_t localOffset = in.u32(at + 42);
    const uint32_t mode = in.u32(at + 38) >> 16;
    const std::string shown = printableText(entry.utf8);
    if (!readZip64Extra(in, at + 46 + nameLength, extraLength, entry.size, entry.packedSize,
                        localOffset)) {
      return refuse(shown + ": its sizes are damaged");
    }
    at += 46 + nameLength + extraLength + commentLength;

    if (entry.name.empty() || leavesStoryFolder(entry.name)) {
      return refuse("\"" + shown + "\" would lie outside the folder it is unpacked in");
    }
    if ((mode & kUnixKind) == kUnixLink) return refuse(shown + " is a link");
    if ((flags & kEncrypted) != 0) return refuse(shown + " is encrypted");
    if (entry.size > limits.largestEntry ||
        (entry.method == kDeflated && entry.size > kMostInflation * entry.packedSize + 1024) ||
        (entry.method == kStored && entry.size != entry.packedSize)) {
      return refuse(shown + " would unpack to more than it can hold (" +
                    std::to_string(entry.size) + " bytes)");
    }
    total += entry.size;
    if (total > limits.largestTotal) {
      return refuse("its files would unpack to more than " +
                    std::to_string(limits.largestTotal) + " bytes");
    }

    if (!in.fits(localOffset, 30) || in.u32(localOffset) != kLocalHeader) {
      return refuse(shown + ": its place in the archive is damaged");
    }
    entry.dataOffset = localOffset + 30 + in.u16(localOffset + 26) + in.u16(localOffset + 28);
    if (!in.fits(entry.dataOffset, entry.packedSize) ||
        entry.dataOffset + entry.packedSize > directory->offset) {
      return refuse(shown + ": its bytes run past the end of the archive");
    }
    spans.push_back({localOffset, entry.dataOffset + entry.packedSize});
    archive->entries_.push_back(std::move(entry));
  }
  // Entries that share bytes make a small archive unpack to much more than it holds.
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
  for (size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].start < spans[i - 1].end) return refuse("two of its files share their bytes");
  }
  return archive;
}

std::optional<std::string> ZipArchive::extract(const ZipEntry& entry, Problem& problem,
                                               uint64_t largest) const {
  const std::string where = label_ + "/" + entry.utf8;
  const auto fail = [&](const std::string& why) -> std::optional<std::string> {
    problem = fileProblem(ProblemKind::StoryFile, where, why);
    return std::nullopt;
  };
  if (entry.folder) return fail("not a regular file");
  if (entry.size > largest) return fail("larger than " + std::to_string(largest) + " bytes");
  const std::string_view packed = std::string_view(bytes_).substr(entry.dataOffset, entry.packedSize);
  std::string bytes;
  if (entry.method == kStored) {
    bytes = std::string(packed);
  } else if (entry.method == kDeflated) {
    // One byte more than the entry claims, to notice when the stream runs on past it.
    bytes.resize(entry.size + 1);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return fail("out of memory to unpack it");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.next_out = reinterpret_cast<Bytef*>(bytes.data());
    uint64_t inLeft = packed.size(), outLeft = bytes.size();
    int status = Z_OK;
    while (status == Z_OK) {
      // zlib counts in 32 bits; larger entries go through in pieces.
      const uInt inStep = static_cast<uInt>(std::min<uint64_t>(inLeft, 1u << 30));
      const uInt outStep = static_cast<uInt>(std::min<uint64_t>(outLeft, 1u << 30));
      stream.avail_in = inStep;
      stream.avail_out = outStep;
      status = inflate(&stream, Z_NO_FLUSH);
      inLeft -= inStep - stream.avail_in;
      outLeft -= outStep - stream.avail_out;
      if (status == Z_OK && stream.avail_in == inStep && stream.avail_out == outStep) break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || bytes.size() - outLeft != entry.size) {
      return fail("its packed bytes are damaged");
    }
    bytes.resize(entry.size);
  } else {
    return fail("packed in a way nev cannot unpack (method " + std::to_string(entry.method) + ")");
  }
  if (crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()) != entry.crc) {
    return fail("its bytes are damaged (CRC mismatch)");
  }
  return bytes;
}
