// Story zips: what is refused, how names are found inside one, and that a zipped story plays
// exactly as its folder does.
#include "engine/zip_story_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "test_files.h"

namespace {

struct Member {
  std::string name, bytes;
  uint16_t flags = 0;
  uint32_t mode = 0100644;
  uint32_t claimedSize = 0;     // 0: the true size
  bool sharesPrevious = false;  // the directory points at the previous member's bytes
};

std::string deflated(const std::string& bytes) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string zipOf(const std::vector<Member>& members) {
  std::string files, directory;
  size_t offset = 0;
  for (const Member& m : members) {
    const std::string packed = deflated(m.bytes);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(m.bytes.data()), m.bytes.size());
    const std::string common = le16(20) + le16(m.flags) + le16(8) + le32(0) + le32(crc) +
                               le32(packed.size()) + le32(m.claimedSize ? m.claimedSize : m.bytes.size()) +
                               le16(m.name.size()) + le16(0);
    if (!m.sharesPrevious) offset = files.size();
    if (!m.sharesPrevious) files += le32(0x04034b50) + common + m.name + packed;
    directory += le32(0x02014b50) + le16(0x031e) + common + le16(0) + le32(0) +
                 le32(m.mode << 16) + le32(offset) + m.name;
  }
  return files + directory + le32(0x06054b50) + le32(0) + le16(members.size()) +
         le16(members.size()) + le32(directory.size()) + le32(files.size()) + le16(0);
}

TEST(ZipStoryFiles, RefusesArchivesThatCouldHurtWhoeverUnpacksThem) {
  const std::string good = zipOf({{"a", "bytes"}});
  const struct {
    std::string zip;
    ZipLimits limits;
    std::string why;
  } cases[] = {
      {good.substr(0, good.size() - 3), {}, "not a zip archive"},
      {zipOf({{"a\\..\\..\\x", "x"}}), {}, "outside the folder"},
      {zipOf({{"/etc/passwd", "x"}}), {}, "outside the folder"},
      {zipOf({{"link", "/etc/passwd", 0, 0120777}}), {}, "link is a link"},
      {zipOf({{"secret", "x", 1}}), {}, "secret is encrypted"},
      {zipOf({{"big", std::string(2000, 'a')}}), {1000, 10000}, "big would unpack to more"},
      {zipOf({{"a", std::string(600, 'a')}, {"b", std::string(600, 'b')}}), {1000, 1000},
       "more than 1000 bytes"},
      {zipOf({{"bomb", std::string(10, 'a'), 0, 0100644, 1u << 28}}), {}, "bomb would unpack"},
      {zipOf({{"a", "x"}, {"b", "x", 0, 0100644, 0, true}}), {}, "share their bytes"},
  };
  for (const auto& c : cases) {
    Problem problem;
    EXPECT_EQ(openZipStory(c.zip, "s.zip", problem, c.limits), nullptr) << c.why;
    EXPECT_NE(problem.detail.find(c.why), std::string::npos) << problem.detail;
  }
  // A file whose bytes changed is no file, and says why.
  std::string damaged = good;
  damaged[good.size() - 22 - 47 + 16] ^= 1;
  Problem problem;
  const auto files = openZipStory(damaged, "s.zip", problem);
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(files->read("a"), std::nullopt);
  EXPECT_EQ(files->problem("a", "?"), "s.zip/a: its bytes are damaged (CRC mismatch)");
}

TEST(ZipStoryFiles, FindsNamesAsInAFolderInsideTheOneFolderZipped) {
  const std::string zip = zipOf({{"Story/", ""},
                                 {"Story/NEV.INI", "ini"},
                                 {"Story/bg\\Room.BMP", "room"},
                                 {sjis("Story/絵/表示.bmp"), "cp932"},
                                 {"Story/音楽/駅.mid", "utf8", 1 << 11},
                                 {"__MACOSX/Story/._NEV.INI", "mac"}});
  Problem problem;
  const auto files = openZipStory(zip, "/x/s.zip", problem);
  ASSERT_NE(files, nullptr) << problem.detail;
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"nev.ini", "ini"},  {".\\BG/room.bmp", "room"}, {sjis("絵\\表示.BMP"), "cp932"},
      {sjis("音楽\\駅.MID"), "utf8"}, {"bg\\..\\nev.ini", "ini"}, {"..\\Story\\nev.ini", std::nullopt},
      {"bg", std::nullopt}, {"nev.ini\\x", std::nullopt}, {"/Story/nev.ini", std::nullopt}};
  for (const auto& [name, bytes] : cases) EXPECT_EQ(files->read(name), bytes) << name;
  EXPECT_EQ(files->resolve("BG\\ROOM.bmp"), "/x/s.zip/Story/bg/Room.BMP");
  EXPECT_EQ(files->list(), (std::vector<std::string>{"NEV.INI", "bg", "\x8a\x47", "音楽"}));
  const std::vector<std::string> all = files->allFiles();
  EXPECT_EQ(all.size(), 4u);
  for (const std::string& name : all) EXPECT_TRUE(files->read(name)) << name;
  EXPECT_EQ(all[1], "bg/Room.BMP");
  EXPECT_EQ(all[2], "絵/表示.bmp");  // 表's second byte is "\", not a folder's end
  EXPECT_EQ(all[3], "音楽/駅.mid");
}

TEST(ZipStoryFiles, AZippedStoryPlaysAsItsFolder) {
  TempFolder story, zipped, fromFolder, fromZip;
  const std::vector<Member> members = {
      {"tiny/nev.ini", storyIni()},
      {"tiny/start.txt", sjis("どれ？\n@W2\n一\n二\n@Jb.txt,two;\n@Jb.txt,two;\n")},
      {"tiny/B.TXT", sjis("@Ltwo;\n@C0,0,絵.bmp,0xCC0020;\n二つ目\n@E\n")},
      {sjis("tiny/絵.bmp"), bmp(2, 2, 24, 0, "", std::string(16, '\x7f'))}};
  for (const Member& m : members) story.write(m.name, m.bytes);
  const std::string zip = zipped.write("tiny.zip", zipOf(members));
  for (const auto& [from, out] : {std::pair{(story.path() / "tiny").string(), &fromFolder},
                                  std::pair{zip, &fromZip}}) {
    EXPECT_EQ(runProgram(NEV_BINARY " render '" + from + "' '" + out->path().string() +
                         "' --choose 1").status, 0) << from;
  }
  EXPECT_NE(fromZip.read("events.jsonl").find("二つ目"), std::string::npos);
  // Checked and published from the zip as from the folder.
  TempFolder player, site;
  player.write("index.html", "<!doctype html>");
  std::filesystem::create_directory(player.path() / "fonts");
  std::filesystem::create_symlink("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf",
                                  player.path() / "fonts/ipam.ttf");
  EXPECT_EQ(runProgram(NEV_BINARY " check '" + zip + "'").status, 0);
  EXPECT_EQ(runProgram(NEV_BINARY " web '" + zip + "' '" + (site.path() / "out").string() +
                       "' --player '" + player.path().string() + "'").status, 0);
  EXPECT_EQ(site.read("out/story/絵.bmp"), members[3].bytes);
  EXPECT_NE(site.read("out/story/index.json").find("{\"name\":\"B.TXT\""), std::string::npos);
  for (const auto& file : std::filesystem::directory_iterator(fromFolder.path())) {
    const std::string name = file.path().filename().string();
    EXPECT_TRUE(fromZip.read(name) == fromFolder.read(name)) << name;
  }
}

}  // namespace
