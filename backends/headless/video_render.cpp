#include "backends/headless/video_render.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "backends/headless/stop_signals.h"
#include "backends/headless/video_encoder.h"
#include "backends/headless/video_soundtrack.h"
#include "backends/headless/video_subtitles.h"
#include "base/codepage.h"
#include "base/output_target.h"
#include "base/sound_font.h"
#include "engine/context.h"
#include "engine/reading.h"
#include "engine/story_session.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string subtitlesPath(const std::string& video) {
  return fs::path(video).replace_extension(".vtt").string();
}

// Picture and sound as the player lets time pass, both from the run's first moment.
class VideoRecording {
 public:
  VideoRecording(VideoEncoder& encoder, VideoSoundtrack& soundtrack, int32_t fps, bool progress)
      : encoder_(encoder), soundtrack_(soundtrack), fps_(fps), progress_(progress) {}

  bool failed() const { return failed_; }
  // Milliseconds into the video.
  int64_t now() const { return now_; }

  void hold(int64_t from, int64_t until, const PixelTarget& client) {
    begin(from);
    takeSound(until - origin_);
    while (!failed_ && nextPicture_ * 1000 < (until - origin_) * fps_) {
      if (!encoder_.addPicture(client)) failed_ = true;
      ++nextPicture_;
    }
    now_ = until - origin_;
    if (progress_) showProgress();
  }

  void cue(SoundCue cue) {
    begin(cue.at);
    takeSound(cue.at - origin_);
    cue.at -= origin_;
    soundtrack_.cue(cue);
  }

  // The last picture, shown for one frame (none when the run was cut short); the sound up to
  // the video's end.
  bool end(const PixelTarget* client) {
    if (client != nullptr) {
      if (!failed_ && !encoder_.addPicture(*client)) failed_ = true;
      ++nextPicture_;
    }
    takeSound(nextPicture_ * 1000 / fps_);
    if (progress_) std::fputc('\n', stderr);
    return !failed_;
  }

  int64_t length() const { return nextPicture_ * 1000 / fps_; }

 private:
  void begin(int64_t at) {
    if (started_) return;
    started_ = true;
    origin_ = at;  // the clock goes on from a save's time after --load
    startedAt_ = Clock::now();
  }

  void takeSound(int64_t until) {
    samples_.clear();
    soundtrack_.takeUntil(until, samples_);
    if (!failed_ && !samples_.empty() && !encoder_.addSound(samples_.data(), samples_.size() / 2)) {
      failed_ = true;
    }
  }

  void showProgress() {
    const Clock::time_point now = Clock::now();
    if (now - lastShown_ < std::chrono::milliseconds(250)) return;
    lastShown_ = now;
    const double worked = std::chrono::duration<double>(now - startedAt_).count();
    const int64_t seconds = now_ / 1000;
    std::fprintf(stderr, "\rnev render: %" PRId64 ":%02" PRId64 " of video, %.1f s a second   ",
                 seconds / 60, seconds % 60, worked > 0 ? double(now_) / 1000.0 / worked : 0.0);
    std::fflush(stderr);
  }

  VideoEncoder& encoder_;
  VideoSoundtrack& soundtrack_;
  const int32_t fps_;
  const bool progress_;
  bool started_ = false;
  bool failed_ = false;
  int64_t origin_ = 0;
  int64_t now_ = 0;
  int64_t nextPicture_ = 0;
  std::vector<float> samples_;
  Clock::time_point startedAt_, lastShown_;
};

int exitStatus(const HeadlessResult& result, const StopSignals& signals) {
  switch (result.end) {
    case HeadlessEnd::StoryEnd:
    case HeadlessEnd::ScriptEnd:
      return result.boxes > 0 ? 2 : 0;
    case HeadlessEnd::FrameNotKept:
    case HeadlessEnd::SaveNotLoaded:
      return 1;
    case HeadlessEnd::Interrupted:
      return signals.received() != 0 ? 128 + signals.received() : 1;
    default:
      return 3;
  }
}

bool writeWhole(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code failed;
  fs::rename(partial, path, failed);
  return !failed;
}

}  // namespace

int renderVideo(const RenderOptions& options) {
  const VideoOptions& video = options.video;
  std::vector<std::string> targets{options.outDir};
  if (video.subtitles) targets.push_back(subtitlesPath(options.outDir));
  for (const std::string& target : targets) {
    if (const std::optional<Problem> problem = outputTargetProblem(target, options.storyDir)) {
      std::fprintf(stderr, "nev render: cannot write %s\n", problem->detail.c_str());
      return 1;
    }
  }
  // Before any thread starts (the encoders' and the synthesizer's), so that none of them is
  // where a signal lands.
  const StopSignals signals;
  const char* chosen = std::getenv("NEV_SOUNDFONT");
  const std::optional<std::string> soundFont =
      findSoundFont(chosen != nullptr && *chosen != '\0' ? chosen : nullptr,
                    standardSoundFontFolders());
  if (!soundFont) {
    std::fputs("nev render: no General MIDI SoundFont for the music (install timgm6mb-soundfont"
               " or name one in NEV_SOUNDFONT)\n", stderr);
    return 1;
  }
  std::string problem;
  std::unique_ptr<VideoSoundtrack> soundtrack = VideoSoundtrack::open(*soundFont, problem);
  if (!soundtrack) {
    std::fprintf(stderr, "nev render: %s\n", printableText(problem).c_str());
    return 1;
  }
  RenderOptions run = options;
  std::unique_ptr<StorySession> session = openRenderSession(run);
  if (!session) return 1;
  NevContext& context = session->context();

  // Written beside OUT under another name, and renamed only once whole.
  const fs::path out(options.outDir);
  const std::string partial =
      (out.parent_path() / ("." + out.stem().string() + ".partial" + out.extension().string()))
          .string();
  VideoFormat format;
  format.width = context.shared.cwinX.load();
  format.height = context.shared.cwinY.load();
  format.scale = video.scale;
  format.fps = video.fps;
  format.lossless = video.lossless;
  format.threads = video.threads;
  format.sampleRate = VideoSoundtrack::kSampleRate;
  std::unique_ptr<VideoEncoder> encoder = VideoEncoder::open(partial, format, problem);
  if (!encoder) {
    std::fprintf(stderr, "nev render: %s\n", printableText(problem).c_str());
    std::error_code ignored;
    fs::remove(partial, ignored);
    return 1;
  }

  VideoRecording recording(*encoder, *soundtrack, video.fps, isatty(STDERR_FILENO) != 0);
  VideoSubtitles subtitles;
  int64_t lineBegan = 0;
  bool endWritten = false;

  HeadlessOptions play = run.play;
  play.loadedFrom = options.loadFile;
  play.interrupted = [&] { return signals.received() != 0 || recording.failed(); };
  play.onPictureHeld = [&](int64_t from, int64_t until, const PixelTarget& client) {
    recording.hold(from, until, client);
  };
  play.onSoundCue = [&](const SoundCue& cue) { recording.cue(cue); };
  play.clickHold = [&](int32_t units) -> int64_t {
    return video.clickAfter >= 0 ? video.clickAfter
                                 : autoWaitMilliseconds(context.reading, units);
  };
  play.onScriptLine = [&](const ScriptCursor&) { lineBegan = recording.now(); };
  play.onLineTyped = [&](std::string_view text) {
    if (video.subtitles) subtitles.add(lineBegan, cp932ToUtf8Escaped(text));
  };
  const FrameSink keepFrame = [&](int32_t, const char* at, const PixelTarget& client) {
    if (std::string_view(at) != "end") return !recording.failed();
    endWritten = true;
    return recording.end(&client);
  };
  std::ostringstream discarded;  // the log is render's to a folder
  const HeadlessResult result = playHeadless(context, play, discarded, keepFrame);
  // Cut short by a signal, the video so far is finished all the same.
  if (!endWritten) recording.end(nullptr);

  const bool loaded = result.end != HeadlessEnd::SaveNotLoaded;
  if (!loaded) {
    std::fprintf(stderr, "nev render: %s: %s\n", options.loadFile.c_str(),
                 result.loadProblem.c_str());
  }
  const bool written = loaded && !recording.failed() && encoder->finish();
  if (loaded && !written) {
    const std::string why = encoder->problem();
    std::fprintf(stderr, "nev render: %s\n",
                 why.empty() ? "cannot write the video" : printableText(why).c_str());
  }
  encoder.reset();
  std::error_code failed;
  if (written) fs::rename(partial, out, failed);
  if (!written || failed) {
    if (written) {
      std::fprintf(stderr, "nev render: cannot write %s\n", printableText(out.string()).c_str());
    }
    fs::remove(partial, failed);
    return 1;
  }
  if (video.subtitles &&
      !writeWhole(subtitlesPath(out.string()), subtitles.webVtt(recording.length()))) {
    std::fprintf(stderr, "nev render: cannot write %s\n",
                 printableText(subtitlesPath(out.string())).c_str());
    return 1;
  }
  return exitStatus(result, signals);
}
