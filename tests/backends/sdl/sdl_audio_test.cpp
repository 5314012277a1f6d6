// The SDL backend heard through SDL's "disk" audio driver, which writes the mixed samples to a
// file as a sound card would play them, at the speed of the real clock.

#include "backends/sdl/sdl_audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/context.h"
#include "midi_files.h"
#include "engine/script/commands.h"
#include "engine/sound/music.h"
#include "test_files.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBytesPerFrame = 4;  // stereo, 16 bits
constexpr int kLoud = 500;
const char* const kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// A story folder, the backend on the disk driver, and the window thread's queue of ends.
class DiskAudioWorld {
 public:
  explicit DiskAudioWorld(const char* driver = "disk") : inside_(story.path()) {
    output_ = (outputFolder_.path() / "audio.raw").string();
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
    setenv("NEV_SOUNDFONT", kSoundFont, 1);
    audio = std::make_unique<SdlAudio>();
    audio->setEndOfPieceHandler([this](uint32_t piece) {
      std::lock_guard guard(mutex_);
      ends_.push_back(piece);
      endArrived_.notify_all();
    });
    context->platform.sound = audio.get();
    context->platform.messageBox = [this](const std::string& text, const std::string&) {
      boxes.push_back(text);
    };
  }
  ~DiskAudioWorld() {
    context->platform.sound = nullptr;
    audio.reset();
  }

  // Carries out a script line on a thread of its own, as the runner does.
  void line(std::string text) {
    std::thread runner(
        [&] { carryOutCommand(*context, commandForLetter(text[1]), text.data() + 2); });
    runner.join();
  }

  // The next end of a piece, as the window thread would receive it.
  std::optional<uint32_t> nextEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!endArrived_.wait_for(lock, timeout, [this] { return !ends_.empty(); })) {
      return std::nullopt;
    }
    const uint32_t piece = ends_.front();
    ends_.pop_front();
    return piece;
  }

  // How far the driver has written; samples from here on are what plays next.
  size_t mark() const {
    std::error_code error;
    const auto size = fs::file_size(output_, error);
    return error ? 0 : size_t(size) / kBytesPerFrame * kBytesPerFrame;
  }

  // The left channel of what was written between two marks.
  std::vector<int16_t> heard(size_t from, size_t to) const {
    std::ifstream in(output_, std::ios::binary);
    in.seekg(std::streamoff(from));
    std::vector<int16_t> left;
    for (size_t at = from; at + kBytesPerFrame <= to; at += kBytesPerFrame) {
      int16_t frame[2];
      if (!in.read(reinterpret_cast<char*>(frame), sizeof frame)) break;
      left.push_back(frame[0]);
    }
    return left;
  }

  bool loud(size_t from, size_t to) const {
    for (int16_t sample : heard(from, to)) {
      if (std::abs(sample) > kLoud) return true;
    }
    return false;
  }

  // Whether anything is heard during the next `duration`, from a moment after now.
  bool loudDuring(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(100ms);  // what was mixed before now drains first
    const size_t from = mark();
    std::this_thread::sleep_for(duration);
    return loud(from, mark());
  }

  TempFolder story;
  std::unique_ptr<NevContext> context = makeContext();
  std::unique_ptr<SdlAudio> audio;
  std::vector<std::string> boxes;

 private:
  TempFolder outputFolder_;
  ScopedCurrentDirectory inside_;
  std::string output_;
  std::mutex mutex_;
  std::condition_variable endArrived_;
  std::deque<uint32_t> ends_;
};

// Sign changes a second in the loud part of the samples: twice the pitch of a plain tone.
double crossingsPerSecond(const std::vector<int16_t>& samples) {
  size_t first = samples.size(), last = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (std::abs(samples[i]) > kLoud) first = std::min(first, i), last = i;
  }
  if (first >= last) return 0;
  int crossings = 0;
  for (size_t i = first + 1; i <= last; ++i) {
    crossings += (samples[i - 1] < 0) != (samples[i] < 0);
  }
  return crossings * double(kAudioFrequency) / double(last - first);
}

// A mono 16-bit wave file of a square wave.
std::string squareWave(int pitch, int milliseconds) {
  constexpr int kRate = 22050;
  std::string samples;
  for (int i = 0; i < kRate * milliseconds / 1000; ++i) {
    const int16_t value = (i * 2 * pitch / kRate) % 2 == 0 ? 12000 : -12000;
    samples += static_cast<char>(value & 0xFF);
    samples += static_cast<char>((value >> 8) & 0xFF);
  }
  auto le = [](uint32_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
  };
  return "RIFF" + le(36 + uint32_t(samples.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
         le(1, 2) + le(kRate, 4) + le(kRate * 2, 4) + le(2, 2) + le(16, 2) + "data" +
         le(uint32_t(samples.size()), 4) + samples;
}

class SdlAudioTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::exists(kSoundFont)) << "tools/install-deps.sh"; }
};

TEST_F(SdlAudioTest, MadeMidiFileIsHeardAndItsEndArrivesWhenItsDataEnds) {
  DiskAudioWorld world;
  ASSERT_TRUE(world.audio->musicAvailable());
  world.story.write("tune.mid", heldNote(300));
  const size_t start = world.mark();
  world.line("@Ytune.mid,0;\n");
  const auto started = Clock::now();  // the piece has started by now
  const std::optional<uint32_t> end = world.nextEnd(3s);
  const auto elapsed = Clock::now() - started;
  ASSERT_EQ(end, world.context->music.piece);
  EXPECT_TRUE(world.loud(start, world.mark()));
  // At the end of the note, not seconds later when the last voice has died away.
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 1500ms);

  onMusicNotify(*world.context, *end);
  EXPECT_FALSE(world.loudDuring(300ms));
  EXPECT_EQ(world.nextEnd(300ms), std::nullopt);
  EXPECT_TRUE(world.boxes.empty());
}

TEST_F(SdlAudioTest, OnlyLoopValueOneRepeats) {
  struct Case {
    const char* loop;
    int ends;  // ends handled before the piece stops coming back, at most 3
  };
  for (const Case& c : {Case{"1", 3}, Case{"0", 1}, Case{"2", 1}}) {
    DiskAudioWorld world;
    world.story.write("tune.mid", heldNote(250));
    world.line("@Ytune.mid," + std::string(c.loop) + ";\n");
    int ends = 0;
    while (ends < 3) {
      const std::optional<uint32_t> end = world.nextEnd(ends == 0 ? 3000ms : 1000ms);
      if (!end) break;
      ++ends;
      onMusicNotify(*world.context, *end);
    }
    EXPECT_EQ(ends, c.ends) << "loop " << c.loop;
    EXPECT_EQ(world.loudDuring(150ms), c.ends == 3) << "loop " << c.loop;
  }
}

TEST_F(SdlAudioTest, MissingFileStopsThePieceSilentlyWithoutABox) {
  DiskAudioWorld world;
  world.story.write("tune.mid", heldNote(800));
  world.line("@Ytune.mid,1;\n");
  ASSERT_TRUE(world.loudDuring(100ms));
  world.line("@Ynone.mid,1;\n");
  EXPECT_FALSE(world.loudDuring(300ms));
  EXPECT_EQ(world.nextEnd(800ms), std::nullopt);
  EXPECT_TRUE(world.boxes.empty());
}

TEST_F(SdlAudioTest, StopTwice) {
  DiskAudioWorld world;
  world.line("@Q\n");
  world.story.write("tune.mid", heldNote(800));
  world.line("@Ytune.mid,1;\n");
  ASSERT_TRUE(world.loudDuring(100ms));
  world.line("@Q\n");
  world.line("@Q\n");
  EXPECT_FALSE(world.loudDuring(300ms));
  EXPECT_EQ(world.nextEnd(800ms), std::nullopt);
  EXPECT_TRUE(world.boxes.empty());
}

TEST_F(SdlAudioTest, SameFileStartsAgainFromItsBeginning) {
  DiskAudioWorld world;
  world.story.write("tune.mid", heldNote(600));
  world.line("@Ytune.mid,0;\n");
  std::this_thread::sleep_for(300ms);
  const auto restarted = Clock::now();
  world.line("@Ytune.mid,0;\n");
  const std::optional<uint32_t> end = world.nextEnd(3s);
  // Had the first one gone on, its end would come 300 ms from the restart.
  EXPECT_GE(Clock::now() - restarted, 550ms);
  EXPECT_EQ(end, world.context->music.piece);
}

TEST_F(SdlAudioTest, EndOfTheOldPieceLeavesTheNewOnePlaying) {
  DiskAudioWorld world;
  world.story.write("a.mid", heldNote(200, 60));
  world.story.write("b.mid", heldNote(700, 72));
  world.line("@Ya.mid,1;\n");
  const std::optional<uint32_t> oldEnd = world.nextEnd(3s);
  ASSERT_TRUE(oldEnd.has_value());
  // The runner starts the next piece before the window thread gets to the old one's end.
  world.line("@Yb.mid,1;\n");
  const uint32_t device = world.context->music.musicDeviceId;
  onMusicNotify(*world.context, *oldEnd);
  EXPECT_EQ(world.context->music.musicDeviceId, device);
  EXPECT_TRUE(world.loudDuring(150ms));
  EXPECT_EQ(world.nextEnd(2s), world.context->music.piece);
}

TEST_F(SdlAudioTest, SoundEffectsThatNameNothingPlayTheDefaultSound) {
  struct Case {
    const char* line;
    double pitch;
  };
  const std::vector<Case> cases = {
      {"@Zse.wav,\n", 200},
      {"@ZSE.WAV;\n", 200},  // found like every story file
      {"@Zse.wav\n", kDefaultSoundPitch},
      {"@Znone.wav;\n", kDefaultSoundPitch},
  };
  for (const Case& c : cases) {
    DiskAudioWorld world;
    world.story.write("se.wav", squareWave(200, 300));
    std::this_thread::sleep_for(50ms);
    const size_t from = world.mark();
    world.line(c.line);
    std::this_thread::sleep_for(450ms);
    const double rate = crossingsPerSecond(world.heard(from, world.mark()));
    EXPECT_NEAR(rate, 2 * c.pitch, 0.1 * 2 * c.pitch) << c.line;
  }
}

TEST_F(SdlAudioTest, SoundEffectLeavesTheMusicPlaying) {
  DiskAudioWorld world;
  world.story.write("tune.mid", heldNote(900));
  world.line("@Ytune.mid,0;\n");
  world.line("@Znone.wav;\n");
  std::this_thread::sleep_for(300ms);  // past the default sound
  EXPECT_TRUE(world.loudDuring(150ms));
  EXPECT_EQ(world.nextEnd(2s), world.context->music.piece);
}

TEST_F(SdlAudioTest, WithoutAnAudioDeviceTheStoryGoesOnInSilence) {
  DiskAudioWorld world("no-such-driver");
  EXPECT_FALSE(world.audio->audioAvailable());
  world.story.write("tune.mid", heldNote(100));
  world.line("@Ytune.mid,1;\n");
  world.line("@Zse.wav\n");
  world.line("@Q\n");
  EXPECT_EQ(world.nextEnd(300ms), std::nullopt);
  EXPECT_TRUE(world.boxes.empty());
}

TEST(SoundFont, ChosenThenFluidThenTimidityThenAnyOther) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // "folder/name", folders a and b searched in that order
    std::string chosen;
    std::optional<std::string> found;
  };
  const std::vector<Case> cases = {
      {"chosen file first", {"a/TimGM6mb.sf2", "x/mine.sf2"}, "x/mine.sf2", "x/mine.sf2"},
      {"chosen file missing", {"a/TimGM6mb.sf2"}, "x/gone.sf2", "a/TimGM6mb.sf2"},
      {"FluidR3 in any folder before TimGM6mb",
       {"a/TimGM6mb.sf2", "b/FluidR3_GM.sf3"}, "", "b/FluidR3_GM.sf3"},
      {"TimGM6mb before others", {"a/Another.sf2", "b/TimGM6mb.sf2"}, "", "b/TimGM6mb.sf2"},
      {"others by name, first folder first", {"a/z.SF2", "a/m.sf3", "a/notes.txt", "b/a.sf2"},
       "", "a/m.sf3"},
      {"none", {"a/readme.txt", "b/x.sf2/inner"}, "", std::nullopt},
  };
  for (const Case& c : cases) {
    TempFolder root;
    for (const std::string& file : c.files) root.write(file, "sf");
    const std::string base = root.path().string() + "/";
    const std::string chosen = c.chosen.empty() ? "" : base + c.chosen;
    const std::optional<std::string> found =
        findSoundFont(c.chosen.empty() ? nullptr : chosen.c_str(), {base + "a", base + "b"});
    EXPECT_EQ(found, c.found ? std::optional(base + *c.found) : std::nullopt) << c.name;
  }
}

}  // namespace
