// @Y, @Q, @Z and the end of a piece, against a backend that writes down what it is asked.

#include "engine/sound/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/context.h"
#include "engine/script/commands.h"
#include "engine/host.h"

namespace {

using Calls = std::vector<std::string>;

class RecordingBackend : public SoundBackend {
 public:
  std::set<std::string> missing;      // names whose open fails
  std::set<std::string> unplayable;   // names whose play fails
  int32_t mostOpenAtOnce = 0;

  Calls takeCalls() {
    std::lock_guard guard(mutex_);
    return std::exchange(calls_, {});
  }
  uint32_t lastPiece() {
    std::lock_guard guard(mutex_);
    return lastPiece_;
  }

  void setEndOfPieceHandler(EndOfPieceHandler) override {}
  uint32_t openMusic(const std::string& fileName, uint32_t& deviceId) override {
    std::lock_guard guard(mutex_);
    if (missing.count(fileName) > 0) {
      calls_.push_back("open " + fileName + " fails");
      return 1;
    }
    deviceId = nextId_++;
    names_[deviceId] = fileName;
    open_.insert(deviceId);
    mostOpenAtOnce = std::max<int32_t>(mostOpenAtOnce, int32_t(open_.size()));
    calls_.push_back("open " + fileName + " as " + std::to_string(deviceId));
    return 0;
  }
  uint32_t playMusic(uint32_t deviceId, uint32_t piece) override {
    std::lock_guard guard(mutex_);
    calls_.push_back("play " + std::to_string(deviceId) + " piece " + std::to_string(piece));
    lastPiece_ = piece;
    return unplayable.count(names_[deviceId]) > 0 ? 1 : 0;
  }
  uint32_t closeMusic(uint32_t deviceId) override {
    std::lock_guard guard(mutex_);
    if (deviceId == kAllMusicDevices) {
      calls_.push_back("close all");
      open_.clear();
      return 0;
    }
    calls_.push_back("close " + std::to_string(deviceId));
    return open_.erase(deviceId) == 1 ? 0 : 1;
  }
  void playSound(const std::string& name) override {
    std::lock_guard guard(mutex_);
    calls_.push_back("sound " + name);
  }

 private:
  std::mutex mutex_;
  Calls calls_;
  std::map<uint32_t, std::string> names_;
  std::set<uint32_t> open_;
  uint32_t nextId_ = 1;
  uint32_t lastPiece_ = 0;
};

struct MusicWorld {
  std::unique_ptr<NevContext> context = makeContext();
  RecordingBackend backend;
  std::vector<std::string> boxes;
  MusicWorld() {
    context->platform.sound = &backend;
    context->platform.messageBox = [this](const std::string& text, const std::string&) {
      boxes.push_back(text);
    };
  }
  // Carries out a script line such as "@Ya.mid,1;\n".
  void line(std::string text) {
    carryOutCommand(*context, commandForLetter(text[1]), text.data() + 2);
  }
};

struct CommandCase {
  const char* name;
  std::vector<std::string> lines;
  Calls calls;
  int32_t loop;
};

TEST(Music, CommandsAskTheBackendInOrder) {
  const std::vector<CommandCase> cases = {
      {"first piece closes nothing open", {"@Ya.mid,1;\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1"}, 1},
      {"next piece closes the one before", {"@Ya.mid,2;\n", "@Yb.mid,0;\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1", "close 1", "open b.mid as 2",
        "play 2 piece 2"}, 0},
      {"same file opens again", {"@Ya.mid,1;\n", "@Ya.mid,1;\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1", "close 1", "open a.mid as 2",
        "play 2 piece 2"}, 1},
      {"without a loop value", {"@Ya.mid;\n"}, {"close all", "open a.mid as 1", "play 1 piece 1"},
       0},
      {"loop value read as atoi", {"@Ya.mid, 1x\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1"}, 1},
      {"without a name", {"@Ya.mid,1;\n", "@Y;"}, {"close all", "open a.mid as 1",
                                                 "play 1 piece 1"}, 1},
      {"a line feed alone is a name", {"@Y\n"}, {"close all", "open \n as 1", "play 1 piece 1"},
       0},
      {"missing file: the old piece is closed all the same", {"@Ya.mid,1;\n", "@Ynone.mid,1;\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1", "close 1", "open none.mid fails"}, 1},
      {"a failed play closes its device", {"@Ybad.mid,1;\n"},
       {"close all", "open bad.mid as 1", "play 1 piece 1", "close 1"}, 1},
      {"stop twice", {"@Ya.mid,1;\n", "@Q\n", "@Q\n"},
       {"close all", "open a.mid as 1", "play 1 piece 1", "close 1", "close 1"}, 0},
      {"stop with nothing played", {"@Q\n"}, {"close all"}, 0},
      {"sound name keeps its line feed", {"@Zse.wav\n"}, {"sound se.wav\n"}, 0},
      {"sound without a name", {"@Z;"}, {}, 0},
  };
  for (const CommandCase& c : cases) {
    MusicWorld world;
    world.backend.missing = {"none.mid"};
    world.backend.unplayable = {"bad.mid"};
    for (const std::string& text : c.lines) world.line(text);
    EXPECT_EQ(world.backend.takeCalls(), c.calls) << c.name;
    EXPECT_EQ(world.context->music.musicLoop.load(), c.loop) << c.name;
    EXPECT_TRUE(world.boxes.empty()) << c.name;
  }
}

TEST(Music, MissingFileKeepsItsNameAndTheLastDevice) {
  MusicWorld world;
  world.backend.missing = {"none.mid"};
  world.line("@Ya.mid,1;\n");
  world.line("@Ynone.mid,1;\n");
  EXPECT_EQ(world.context->music.musicFileName, "none.mid");
  EXPECT_EQ(world.context->music.musicDeviceId, 1u);
}

TEST(Music, LongNamesAreKeptWhole) {
  MusicWorld world;
  const std::string name = "music/" + std::string(400, 'x') + ".mid";
  world.line("@Y" + name + ",0;\n");
  EXPECT_EQ(world.context->music.musicFileName, name);
  EXPECT_EQ(world.backend.takeCalls()[1], "open " + name + " as 1");
}

struct NotifyCase {
  const char* name;
  std::vector<std::string> lines;
  bool stalePiece;  // the end of the piece before the last one
  Calls calls;
};

TEST(Music, EndOfPiece) {
  const std::vector<NotifyCase> cases = {
      {"loop 1 opens the file again", {"@Ya.mid,1;\n"}, false,
       {"close 1", "open a.mid as 2", "play 2 piece 2"}},
      {"loop 0 closes", {"@Ya.mid,0;\n"}, false, {"close 1"}},
      {"loop 2 closes", {"@Ya.mid,2;\n"}, false, {"close 1"}},
      {"after stop nothing starts again", {"@Ya.mid,1;\n", "@Q\n"}, false, {"close 1"}},
      {"older piece leaves the new one playing", {"@Ya.mid,1;\n", "@Yb.mid,1;\n"}, true, {}},
      {"older piece after a failed open changes nothing", {"@Ya.mid,1;\n", "@Ynone.mid,1;\n"},
       true, {}},
  };
  for (const NotifyCase& c : cases) {
    MusicWorld world;
    world.backend.missing = {"none.mid"};
    uint32_t firstPiece = 0;
    for (const std::string& text : c.lines) {
      world.line(text);
      if (firstPiece == 0) firstPiece = world.context->music.piece;
    }
    world.backend.takeCalls();
    onMusicNotify(*world.context, c.stalePiece ? firstPiece : world.context->music.piece);
    EXPECT_EQ(world.backend.takeCalls(), c.calls) << c.name;
  }
}

TEST(Music, WithoutABackendNothingPlaysAndNothingBreaks) {
  auto context = makeContext();
  for (std::string text : {"a.mid,1;\n", ";"}) {
    carryOutCommand(*context, Command::Music, text.data());
  }
  carryOutCommand(*context, Command::StopMusic, nullptr);
  std::string sound = "se.wav\n";
  carryOutCommand(*context, Command::Sound, sound.data());
  onMusicNotify(*context, context->music.piece);
  EXPECT_EQ(context->music.musicFileName, "a.mid");
}

// The runner's @Y and @Q against the window thread's end-of-piece handling: one device open
// at a time, whatever the interleaving.
TEST(Music, CommandsAndEndsOfPiecesNeverLeaveTwoDevicesOpen) {
  MusicWorld world;
  std::atomic<bool> done{false};
  std::thread window([&] {
    while (!done) onMusicNotify(*world.context, world.backend.lastPiece());
  });
  for (int i = 0; i < 300; ++i) {
    world.line(i % 3 == 2 ? "@Q\n" : "@Ya.mid,1;\n");
  }
  done = true;
  window.join();
  EXPECT_EQ(world.backend.mostOpenAtOnce, 1);
}

}  // namespace
