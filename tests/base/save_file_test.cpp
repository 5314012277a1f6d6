#include "base/save_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

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
    EXPECT_EQ(decodeSaveFile(encodeSaveFile(save, compress), out), SaveFileProblem::None);
    EXPECT_EQ(std::exchange(out, {}).sections, save.sections);
  }
  const std::string good = encodeSaveFile({{{"b", std::string(300, 'q')}}});  // compressed
  for (size_t at = 0; at < 2 * good.size(); ++at) {  // cut at each length, then each byte flipped
    std::string bad = good.substr(0, at);
    if (at >= good.size()) bad[at - good.size()] ^= 0xff;
    EXPECT_NE(decodeSaveFile(bad, out), SaveFileProblem::None) << at;
  }
  using enum SaveFileProblem;
  const std::vector<std::pair<std::string, SaveFileProblem>> cases = {
      {patched(good, 8, le32(2)), NewerVersion},        {patched(good, 8, le32(0)), Damaged},
      {patched(good, 0, "NEVSAVE\x1b"), NotASave},      {patched(good + "\x01", 0, ""), Damaged},
      {patched(good, 31, le32(0xffffffff)), TooLarge},  // the 300 bytes claim to be 4 GiB
      {patched(good, 31, le32(299)), Damaged},          {patched(good, 31, le32(301)), Damaged},
      {patched(good + good.substr(24), 0, ""), Damaged}};  // one name twice
  for (const auto& [file, problem] : cases) EXPECT_EQ(decodeSaveFile(file, out), problem) << file;
  EXPECT_TRUE(out.sections.empty());
}

TEST(SaveFile, PayloadFieldsComeBackOrStopShort) {
  SaveWriter writer;
  writer.u32(0xfffffffe), writer.i32(-5), writer.i64(-(int64_t{1} << 40)),
      writer.bytes({"a\0b", 3});
  std::tuple<uint32_t, int32_t, int64_t, std::string> read;
  auto& [u, i, l, b] = read;
  for (size_t size = 0; size <= writer.data().size(); ++size) {
    SaveReader reader(std::string_view(writer.data()).substr(0, size));
    EXPECT_EQ(reader.u32(u) && reader.i32(i) && reader.i64(l) && reader.bytes(b) && reader.atEnd(),
              size == writer.data().size());
  }
  EXPECT_EQ(read, std::tuple(0xfffffffeu, -5, -(int64_t{1} << 40), std::string("a\0b", 3)));
}
