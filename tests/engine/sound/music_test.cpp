// @Y, @Q, @Z and the end of a piece, against a backend that writes down what it is asked.

#include "engine/sound/music.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/script/commands.h"

namespace {

// Opening "none.mid" fails; playing "bad.mid" fails.
struct RecordingBackend : SoundBackend {
  std::string calls, opened;
  uint32_t nextId = 1;
  void setEndOfPieceHandler(EndOfPieceHandler) override {}
  uint32_t openMusic(const StoryFiles&, const std::string& name, uint32_t& deviceId) override {
    calls += "open " + name + (name == "none.mid" ? "; " : " as " + std::to_string(nextId) + "; ");
    if (name == "none.mid") return 1;
    deviceId = nextId++;
    opened = name;
    return 0;
  }
  uint32_t playMusic(uint32_t deviceId, uint32_t piece) override {
    calls += "play " + std::to_string(deviceId) + " piece " + std::to_string(piece) + "; ";
    return opened == "bad.mid";
  }
  uint32_t closeMusic(uint32_t id) override {
    calls += id == kAllMusicDevices ? "close all; " : "close " + std::to_string(id) + "; ";
    return 0;
  }
  void playSound(const StoryFiles&, const std::string& name) override {
    calls += "sound " + name + "; ";
  }
};

TEST(Music, CommandsAndEndsOfPieces) {
  // Script lines; the piece whose end then arrives (0: none); the backend's calls; the loop value.
  const std::string a = "close all; open a.mid as 1; play 1 piece 1; ";
  const std::vector<std::tuple<std::vector<std::string>, uint32_t, std::string, int32_t>> cases = {
      {{"@Ya.mid,1;\n"}, 0, a, 1},
      {{"@Ya.mid,2;\n", "@Yb.mid,0;\n"}, 0, a + "close 1; open b.mid as 2; play 2 piece 2; ", 0},
      {{"@Y\n"}, 0, "close all; open \n as 1; play 1 piece 1; ", 0},  // no loop value: once
      {{"@Ya.mid,1;\n", "@Y;"}, 0, a, 1},        // no name: nothing changes
      {{"@Ya.mid,1;\n", "@Ynone.mid,1;\n"}, 0, a + "close 1; open none.mid; ", 1},
      {{"@Ybad.mid,1;\n"}, 0, "close all; open bad.mid as 1; play 1 piece 1; close 1; ", 1},
      {{"@Ya.mid,1;\n", "@Q\n", "@Q\n"}, 0, a + "close 1; close 1; ", 0},
      {{"@Zse.wav\n"}, 0, "sound se.wav\n; ", 0},  // the name keeps its line feed
      {{"@Z;"}, 0, "", 0},
      {{"@Ya.mid,1;\n"}, 1, a + "close 1; open a.mid as 2; play 2 piece 2; ", 1},
      {{"@Ya.mid,2;\n"}, 1, a + "close 1; ", 2},
      {{"@Ya.mid,1;\n", "@Q\n"}, 1, a + "close 1; close 1; ", 0},
      // The end of an older piece changes nothing.
      {{"@Ya.mid,1;\n", "@Yb.mid,1;\n"}, 1, a + "close 1; open b.mid as 2; play 2 piece 2; ", 1},
      {{"@Ya.mid,1;\n", "@Ynone.mid,1;\n"}, 1, a + "close 1; open none.mid; ", 1}};
  for (const auto& [lines, ended, calls, loop] : cases) {
    std::unique_ptr<NevContext> context = makeContext();
    RecordingBackend backend;
    context->platform.sound = &backend;
    auto record = std::make_unique<RunnerStorage>(context->config);
    for (std::string line : lines) {
      carryOutCommand({*context, *record}, commandForLetter(line[1]), &line[2]);
    }
    if (ended != 0) onMusicNotify(*context, ended);
    EXPECT_EQ(backend.calls, calls) << lines.back() << " ended " << ended;
    EXPECT_EQ(context->music.musicLoop.load(), loop) << lines.back() << " ended " << ended;
  }
}

}  // namespace
