#include "base/save_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "base/save_archive.h"
#include "test_files.h"

// `bytes` put at `at`, then the length and checksum made right again.
static std::string patched(std::string file, size_t at, const std::string& bytes) {
  file.replace(at, bytes.size(), bytes);
  const uint32_t sum =
      crc32_z(0, reinterpret_cast<const Bytef*>(file.data()) + 24, file.size() - 24);
  return file.replace(12, 12, le32(file.size() - 24) + le32(0) + le32(sum));
}

TEST(SaveFile, SectionsComeBackAsWrittenOrNotAtAll) {
  const std::string binary("\0\xff\x80\r\n\x1a", 6), big = std::string(5000, 'x') + binary;
  const SaveSections save{{{"a", "abc"}, {"", ""}, {"binary", binary}, {"big", big}}};
  SaveSections out;
  for (const bool compress : {true, false}) {
    EXPECT_FALSE(decodeSaveFile(encodeSaveFile(save, compress), out));
    EXPECT_EQ(std::exchange(out, {}).sections, save.sections);
  }
  const std::string good = encodeSaveFile({{{"b", std::string(300, 'q')}}});  // compressed
  for (size_t at = 0; at < 2 * good.size(); ++at) {  // cut at each length, then each byte flipped
    std::string bad = good.substr(0, at);
    if (at >= good.size()) bad[at - good.size()] ^= 0xff;
    EXPECT_TRUE(decodeSaveFile(bad, out)) << at;
  }
  using enum ProblemKind;
  const std::vector<std::pair<std::string, ProblemKind>> cases = {
      {patched(good, 8, le32(2)), NewerSave},              {patched(good, 8, le32(0)), DamagedSave},
      {patched(good, 0, "NEVSAVE\x1b"), NotASave},         {patched(good + "\x01", 0, ""), DamagedSave},
      {patched(good, 31, le32(0xffffffff)), TooLargeSave},  // the 300 bytes claim to be 4 GiB
      {patched(good, 31, le32(299)), DamagedSave},          {patched(good, 31, le32(301)), DamagedSave},
      {patched(good + good.substr(24), 0, ""), DamagedSave}};  // one name twice
  for (const auto& [file, kind] : cases) {
    const std::optional<Problem> problem = decodeSaveFile(file, out);
    ASSERT_TRUE(problem) << file;
    EXPECT_EQ(problem->kind, kind) << file;
  }
  EXPECT_TRUE(out.sections.empty());
}

namespace {

struct Fields {
  uint32_t u = 0;
  int32_t i = 0;
  int64_t l = 0;
  bool f = false;
  std::string b;
  std::vector<Pixel> p;
  std::vector<std::string> list;
  bool operator==(const Fields&) const = default;
};

// One function both ways, as a section's is.
void fieldSection(SaveArchive& archive, Fields& fields) {
  archive.u32(fields.u), archive.i32(fields.i), archive.i64(fields.l), archive.flag(fields.f);
  archive.bytes(fields.b, 3);
  archive.pixels(fields.p, 2);
  if (!archive.size(fields.list, 2)) return;
  for (std::string& line : fields.list) archive.bytes(line, 3);
}

}  // namespace

TEST(SaveArchive, FieldsComeBackWholeOrTheReadFails) {
  Fields written{0xfffffffe, -5, -(int64_t{1} << 40), true, {"a\0b", 3}, {1, 0xffffff}, {"x", ""}};
  SaveArchive out;
  fieldSection(out, written);
  const std::string bytes = out.data();
  for (size_t size = 0; size <= bytes.size() + 1; ++size) {  // cut short, whole, one byte over
    const std::string input = size <= bytes.size() ? bytes.substr(0, size) : bytes + "x";
    SaveArchive in(input, kSaveFormatVersion);
    Fields read;
    fieldSection(in, read);
    EXPECT_EQ(in.readWhole(), size == bytes.size()) << size;
    if (size == bytes.size()) {
      EXPECT_EQ(read, written);
    }
  }
  // Each field over its limit: 4 bytes, 3 pixels, 3 lines, a flag of 2.
  const auto readsWhole = [](const std::string& section) {
    SaveArchive in(section, kSaveFormatVersion);
    Fields read;
    fieldSection(in, read);
    return in.readWhole();
  };
  const std::function<void(Fields&)> changes[] = {[](Fields& f) { f.b = "abcd"; },
                                                  [](Fields& f) { f.p.push_back(0); },
                                                  [](Fields& f) { f.list.push_back("z"); }};
  for (const auto& change : changes) {
    Fields fields = written;
    change(fields);
    SaveArchive write;
    fieldSection(write, fields);
    EXPECT_FALSE(readsWhole(write.data())) << write.data().size();
  }
  std::string flagOfTwo = bytes;
  flagOfTwo[16] = 2;
  EXPECT_FALSE(readsWhole(flagOfTwo));
}
