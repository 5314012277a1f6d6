// `nev render STORY OUT.webm|OUT.mp4`: the video's streams and length as ffprobe reads them, a
// lossless frame decoded back against render's frame, and the music heard while it plays.
// Debug build only: the encoders and the synthesizer are not built with the sanitizers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "midi_files.h"
#include "test_files.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NEV_VIDEO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(undefined_behavior_sanitizer)
#define NEV_VIDEO_SANITIZED 1
#endif
#endif

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The number after `"key":` in the first line of `log` holding `marker`.
[[maybe_unused]] int64_t numberIn(const std::string& log, const std::string& marker, const std::string& key) {
  const size_t line = log.rfind('\n', log.find(marker));
  std::smatch match;
  const std::string rest = log.substr(line == std::string::npos ? 0 : line);
  if (!std::regex_search(rest, match, std::regex("\"" + key + "\":(-?[0-9]+)"))) return -1;
  return std::stoll(match[1]);
}

// The decoded picture or sound as raw bytes.
[[maybe_unused]] std::string decoded(const std::string& input, const std::string& how) {
  return runProgram("ffmpeg -v error -i " + quoted(input) + " " + how + " -").output;
}

// The loudest sample from `from` to `to` seconds of a video's sound, decoded to mono at 8 kHz.
[[maybe_unused]] int peakOf(const std::string& video, double from, double to) {
  const std::string sound = decoded(video, "-ac 1 -ar 8000 -f s16le");
  int loudest = 0;
  for (size_t i = size_t(from * 8000) * 2; i + 1 < sound.size() && i < size_t(to * 8000) * 2; i += 2) {
    loudest = std::max(loudest, std::abs(int(int16_t(uint8_t(sound[i]) | sound[i + 1] << 8))));
  }
  return loudest;
}

TEST(Video, StreamsLengthLosslessFrameAndMusic) {
#if !defined(NEV_HAVE_VIDEO) || defined(NEV_VIDEO_SANITIZED) || defined(NDEBUG)
  GTEST_SKIP() << "videos are tested in the debug build with FFmpeg's libraries only";
#else
  if (runProgram("ffprobe -version").status != 0) GTEST_SKIP() << "no ffprobe (Debian's ffmpeg)";
  TempFolder story;
  story.write("nev.ini", storyIni());
  story.write("note.mid", heldNote(3000));
  // The music plays through the first two lines and stops before the third.
  story.write("start.txt", "@Ynote.mid,0;\none\n@T600;\ntwo\n@Q\n@T600;\nthree\n@E\n");
  TempFolder out;
  const std::string frames = (out.path() / "frames").string();
  ASSERT_EQ(runProgram(NEV_BINARY " render " + quoted(story.path().string()) + " " + quoted(frames))
                .status,
            0);
  const std::string log = out.read("frames/events.jsonl");
  const int64_t firstWait = numberIn(log, "\"0001.png\"", "t");
  const int64_t end = numberIn(log, "\"event\":\"end\"", "t");
  ASSERT_GT(firstWait, 0);
  ASSERT_GT(end, firstWait);

  const struct {
    std::string name, options;
    int64_t holds;  // milliseconds the three waits add
    std::string codecs;
  } cases[] = {
      {"v.webm", "--lossless --click-after 0", 0, "vp9,video\nopus,audio\n"},
      {"v.mp4", "--click-after 300 --scale 3", 900, "h264,video\naac,audio\n"},
  };
  constexpr int kFps = 50;
  for (const auto& c : cases) {
    const std::string video = (out.path() / c.name).string();
    const ProgramRun run = runProgram(NEV_BINARY " render " + quoted(story.path().string()) + " " +
                                      quoted(video) + " --threads 1 --fps 50 " + c.options);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(runProgram("ffprobe -v error -show_entries stream=codec_name,codec_type -of "
                         "csv=p=0 " + quoted(video)).output,
              c.codecs);
    const double seconds = std::atof(
        runProgram("ffprobe -v error -show_entries format=duration -of csv=p=0 " + quoted(video))
            .output.c_str());
    // The story's length and its last picture's frame; each hold ends at a blink, 20 ms apart.
    const double expected = double(end + c.holds) / 1000.0 + 1.0 / kFps;
    EXPECT_NEAR(seconds, expected, 1.0 / kFps + (c.holds > 0 ? 3 * 0.020 : 0)) << c.name;

    // Loud while the note plays, silent once @Q stopped it.
    EXPECT_GT(peakOf(video, 0.1, 0.5), 1000) << c.name;
    EXPECT_LT(peakOf(video, seconds - 0.3, seconds), 100) << c.name;
  }

  // Loaded where a piece is under way, its music goes on from there: after 1.5 s of rest the
  // note sounds, a little after the load.
  TempFolder later;
  later.write("nev.ini", storyIni());
  later.write("rest.mid", heldNote(2000, 69, 1500));
  later.write("start.txt", "@Yrest.mid,0;\none\n@T1000;\ntwo\n@T1000;\nthree\n@E\n");
  const std::string save = (out.path() / "two.sav").string();
  ASSERT_EQ(runProgram(NEV_BINARY " render " + quoted(later.path().string()) + " " +
                       quoted((out.path() / "later").string()) + " --save-at 2:" + quoted(save))
                .status,
            0);
  const std::string loaded = (out.path() / "loaded.webm").string();
  ASSERT_EQ(runProgram(NEV_BINARY " render " + quoted(later.path().string()) + " " + quoted(loaded) +
                       " --threads 1 --click-after 0 --load " + quoted(save)).status,
            0);
  EXPECT_GT(peakOf(loaded, 0.6, 1.0), 1000);

  // The frame at the first wait's time is render's frame at that wait, pixel for pixel.
  const int64_t frame = (firstWait * kFps + 999) / 1000;
  const std::string picture = decoded((out.path() / "v.webm").string(),
                                      "-vf 'select=eq(n\\," + std::to_string(frame) +
                                          ")' -frames:v 1 -pix_fmt rgb24 -f rawvideo");
  EXPECT_EQ(picture.size(), size_t(160 * 120 * 3));
  EXPECT_TRUE(picture == decoded(frames + "/0001.png", "-pix_fmt rgb24 -f rawvideo"));
#endif
}

}  // namespace
