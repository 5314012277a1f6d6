#include "test_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "base/codepage.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "nev-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

namespace {

// Nothing a test runs may read or write the reader's own settings and data: the whole suite,
// and every program it starts, has a home of its own.
class PrivateHome : public testing::Environment {
 public:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const fs::path folder = home_.path() / name;
      fs::create_directories(folder);
      setenv(name, folder.c_str(), 1);
    }
  }

 private:
  TempFolder home_;
};

[[maybe_unused]] testing::Environment* const privateHome =
    testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace

std::string TempFolder::write(const std::string& name, std::string_view bytes) const {
  fs::path file = path_ / name;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(bytes.data(), bytes.size());
  return file.string();
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

ProgramRun runProgram(const std::string& command) {
  ProgramRun run;
  FILE* pipe = popen(("(" + command + ") 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) run.output.append(chunk, n);
  const int raw = pclose(pipe);
  if (WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
  return run;
}

std::string sjis(std::string_view utf8) { return utf8ToCp932(utf8); }

uint32_t screenPixel(const std::string& xwd, int x, int y) {
  if (xwd.size() < 100) return 0xBAD;
  auto word = [&](size_t index) {
    const auto* at = reinterpret_cast<const unsigned char*>(xwd.data()) + index * 4;
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
  };
  const uint32_t bytesPerPixel = word(11) / 8;
  if (x < 0 || y < 0 || uint32_t(x) >= word(4) || uint32_t(y) >= word(5)) return 0xBAD;
  const size_t at = word(0) + word(19) * 12 + size_t(y) * word(12) + size_t(x) * bytesPerPixel;
  if (at + 3 > xwd.size()) return 0xBAD;
  const auto* p = reinterpret_cast<const unsigned char*>(xwd.data()) + at;
  return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

std::string le16(uint32_t value) { return {char(value), char(value >> 8)}; }
std::string le32(uint32_t value) { return le16(value) + le16(value >> 16); }

std::string bmpFile(const std::string& info, const std::string& pixels) {
  const uint32_t offset = 14 + info.size();
  return "BM" + le32(offset + pixels.size()) + le32(0) + le32(offset) + info + pixels;
}

std::string bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                const std::string& extra, const std::string& pixels, uint32_t coloursUsed) {
  return bmpFile(le32(40) + le32(width) + le32(height) + le16(1) + le16(bits) + le32(compression) +
                     le32(0) + le32(2835) + le32(2835) + le32(coloursUsed) + le32(0) + extra,
                 pixels);
}

std::string storyIni(const std::vector<std::pair<int, std::string>>& changes) {
  // Strings; screen; layout, font, pitches, delay; text, shadow, pick and choice colours;
  // shadow offset; overlay level; wait every line, scrambled, overlay, developer menu.
  std::vector<std::string> lines = {
      "Test story", "About", "Test", "160", "120", "8",   "60", "10", "0",   "12",  "14",
      "16",         "20",    "255",  "255", "255", "128", "0",  "0",  "255", "255", "0",
      "0",          "0",     "255",  "1",   "1",   "128", "1",  "0",  "0",   "0"};
  for (const auto& [line, text] : changes) lines[line] = text;
  std::string ini;
  for (const std::string& line : lines) ini += line + "\r\n";
  return ini;
}
