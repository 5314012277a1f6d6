// The real program in a real window: Xvfb for a display, xdotool for the reader's hand, xwd
// for screenshots.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_files.h"

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
  pclose(pipe);
  return output;
}

pid_t spawn(const std::vector<std::string>& words, const std::string& display) {
  const pid_t child = fork();
  if (child == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// Waits for a child to end; its exit status, or -1 when it did not end in time.
int waitForExit(pid_t child, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;
}

// A screenshot of the whole display from an XWD dump (24-bit ZPixmap, 32 bits a pixel).
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

uint32_t bigEndian(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint8_t(bytes[at + 3]);
}

Screenshot screenshot(const std::string& display) {
  const std::string bytes = run("DISPLAY=" + display + " xwd -root -silent");
  Screenshot shot;
  if (bytes.size() < 100) return shot;
  const uint32_t headerSize = bigEndian(bytes, 0);
  const uint32_t bitsPerPixel = bigEndian(bytes, 44);
  const uint32_t bytesPerLine = bigEndian(bytes, 48);
  const uint32_t colours = bigEndian(bytes, 76);
  const bool littleEndian = bigEndian(bytes, 28) == 0;
  shot.width = int(bigEndian(bytes, 16));
  shot.height = int(bigEndian(bytes, 20));
  const size_t data = headerSize + size_t(colours) * 12;
  const size_t bytesPerPixel = bitsPerPixel / 8;
  if ((bitsPerPixel != 24 && bitsPerPixel != 32) ||
      bytes.size() < data + size_t(bytesPerLine) * shot.height) {
    return {};
  }
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const size_t at = data + size_t(y) * bytesPerLine + size_t(x) * bytesPerPixel;
      const size_t low = littleEndian ? at : at + bytesPerPixel - 1;
      const int step = littleEndian ? 1 : -1;
      shot.pixels.push_back(uint32_t(uint8_t(bytes[low])) |
                            uint32_t(uint8_t(bytes[low + step])) << 8 |
                            uint32_t(uint8_t(bytes[low + 2 * step])) << 16);
    }
  }
  return shot;
}

int countPixels(const Screenshot& shot, int left, int top, int right, int bottom,
                bool (*wanted)(uint32_t)) {
  int count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, shot.height); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, shot.width); ++x) count += wanted(shot.at(x, y));
  }
  return count;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int number = 91; number < 120 && display_.empty(); ++number) {
      if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
          fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
        continue;
      }
      const std::string name = ":" + std::to_string(number);
      server_ = spawn({"Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, "");
      for (int tries = 0; tries < 100; ++tries) {
        if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
          display_ = name;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start";
  }

  void TearDown() override {
    if (program_ > 0 && waitForExit(program_, std::chrono::seconds(0)) == -1) {
      kill(program_, SIGKILL);
      waitpid(program_, nullptr, 0);
    }
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }

  void xdotool(const std::string& arguments) {
    run("DISPLAY=" + display_ + " xdotool " + arguments + " 2>/dev/null");
  }

  std::string display_;
  pid_t server_ = -1;
  pid_t program_ = -1;
};

// The demo's text colour, and anything that is not the black of an empty picture.
bool isDemoText(uint32_t pixel) { return pixel == 0xFAF6EC; }
bool isPainted(uint32_t pixel) { return pixel != 0; }

TEST_F(DesktopTest, DemoStoryPlaysWithTheMouseAndEndsFromTheMenu) {
  program_ = spawn({NEV_BINARY, std::string(NEV_SOURCE_DIR) + "/demo"}, display_);
  const std::string found = run("DISPLAY=" + display_ +
                                " timeout 20 xdotool search --sync --onlyvisible --class 'nev' 2>/dev/null");
  ASSERT_FALSE(found.empty()) << "no window appeared";

  // The station picture fills the window, and the first line is typed in its lower part.
  int textPixels = 0;
  Screenshot shot;
  for (int step = 0; step < 40 && textPixels == 0; ++step) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    shot = screenshot(display_);
    textPixels = countPixels(shot, 0, 330, 640, 500, isDemoText);
  }
  EXPECT_GT(textPixels, 50) << "no text was typed";
  EXPECT_GT(countPixels(shot, 0, 20, 640, 300, isPainted), 640 * 250) << "no picture was shown";
  for (int click = 0; click < 3; ++click) {
    xdotool("mousemove 320 240 click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  EXPECT_EQ(waitForExit(program_, std::chrono::seconds(0)), -1) << "the program ended early";

  // "ゲーム" on the menu bar, then its last item, "ゲーム終了".
  xdotool("mousemove 20 8 click 1");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  xdotool("key Up");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  xdotool("key Return");
  EXPECT_EQ(waitForExit(program_, std::chrono::seconds(15)), 0);
  program_ = -1;
}

}  // namespace
