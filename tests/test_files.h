#pragma once
// A fresh folder per test, and files written into it byte for byte.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to `name` (folders created as needed) and returns its full path.
  std::string write(const std::string& name, std::string_view bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Code page 932 bytes of UTF-8 text, for writing Japanese story lines in tests.
std::string sjis(std::string_view utf8);

// What a command run through the shell did: its exit status (-1 when it did not exit) and its
// standard output and standard error together.
struct ProgramRun {
  int status = -1;
  std::string output;
};
ProgramRun runProgram(const std::string& command);

// A pixel of a screenshot xwd wrote of a 24-bit screen, as 0xRRGGBB; 0xBAD outside it.
uint32_t screenPixel(const std::string& xwd, int x, int y);

// Little-endian fields, and BMP files built from them: `info` is everything between the file
// header and the pixels; bmp() gives a 40-byte header and `extra` (masks or colour table).
std::string le16(uint32_t value);
std::string le32(uint32_t value);
std::string bmpFile(const std::string& info, const std::string& pixels);
std::string bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                const std::string& extra, const std::string& pixels, uint32_t coloursUsed = 0);

// A nev.ini of 32 value lines: a 160 × 120 story with 12-pixel text, waiting after every line,
// with any value line replaced by `changes` (value line number → text).
std::string storyIni(const std::vector<std::pair<int, std::string>>& changes = {});

// Real windows go through glib and Qt's xcb plugin, which are not built with TSan and would
// report races inside them.
#if defined(__SANITIZE_THREAD__)
#define NEV_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NEV_UNDER_TSAN 1
#endif
#endif
#ifdef NEV_UNDER_TSAN
#define SKIP_REAL_WINDOW_UNDER_TSAN() GTEST_SKIP() << "not under TSan: glib and Qt's xcb plugin"
#else
#define SKIP_REAL_WINDOW_UNDER_TSAN() (void)0
#endif
