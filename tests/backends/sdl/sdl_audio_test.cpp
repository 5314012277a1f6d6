// The SDL backend heard through SDL's "disk" audio driver, which writes the mixed samples to a
// file as a sound card would play them.

#include "backends/sdl/sdl_audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

#include "base/file_bytes.h"
#include "engine/context.h"
#include "engine/local_story_folder.h"
#include "engine/script/commands.h"
#include "midi_files.h"
#include "test_files.h"

namespace {

TEST(SdlAudio, PlaysAMidiFileAndTellsWhenItsDataEnds) {
  const char* const soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::exists(soundFont)) GTEST_SKIP() << soundFont << " is missing";
  TempFolder story, output;
  const LocalStoryFolder files(story.path());
  const std::string samples = (output.path() / "audio.raw").string();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", samples.c_str(), 1);
  setenv("NEV_SOUNDFONT", soundFont, 1);
  std::unique_ptr<NevContext> context = makeContext();
  context->files = &files;
  std::promise<uint32_t> ended;  // the piece is played once, so it ends once
  SdlAudio audio;
  if (!audio.musicAvailable()) GTEST_SKIP() << "the disk audio driver is missing";
  audio.setEndOfPieceHandler([&](uint32_t piece) { ended.set_value(piece); });
  context->platform.sound = &audio;
  story.write("tune.mid", heldNote(300));
  std::string arguments = "tune.mid,0;\n";
  auto record = std::make_unique<RunnerStorage>(context->config);
  carryOutCommand({*context, *record}, Command::Music, arguments.data());
  std::future<uint32_t> end = ended.get_future();
  // The limit only catches a hang.
  ASSERT_EQ(end.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(end.get(), context->music.piece);
  const std::string heard = readWholeFile(samples).value_or("");
  int loudest = 0;
  for (size_t at = 0; at + 2 <= heard.size(); at += 4) {  // the left channel, 16 bits
    loudest = std::max(loudest, std::abs(int(int16_t(uint8_t(heard[at]) | heard[at + 1] << 8))));
  }
  EXPECT_GT(loudest, 500);
}

// Whatever ALSA or FluidSynth make of the trouble, the terminal gets one line, nev's own.
TEST(SdlAudio, TroubleWithTheDeviceOrTheSoundFontIsOneLineOfNevsOwn) {
  TempFolder story;
  const LocalStoryFolder files(story.path());
  story.write("tune.mid", heldNote(50));
  const std::string noCards = story.write("empty.conf", "");
  // Whole as RIFF files go, but with nothing for the synthesizer in it.
  const std::string hollow = story.write("hollow.sf2", "RIFF" + le32(12) + "sfbkLIST" + le32(0));
  const struct {
    const char* driver;
    std::string soundFont, says;
  } rows[] = {
      {"dummy", "/nonexistent", "nev: NEV_SOUNDFONT names /nonexistent: no such file; "},
      {"dummy", hollow, "nev: music synthesizer: "},
      {"alsa", "", "nev: no audio device (ALSA"},
  };
  setenv("ALSA_CONFIG_PATH", noCards.c_str(), 1);
  for (const auto& row : rows) {
    setenv("SDL_AUDIODRIVER", row.driver, 1);
    setenv("NEV_SOUNDFONT", row.soundFont.c_str(), 1);
    testing::internal::CaptureStderr();
    {
      SdlAudio audio;
      uint32_t device = 0;
      audio.openMusic(files, "tune.mid", device);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind(row.says, 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  }
  unsetenv("ALSA_CONFIG_PATH");
}

}  // namespace
