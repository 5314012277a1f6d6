#include "backends/headless/video_soundtrack.h"

#include <fluidsynth.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kChunkFrames = 4096;

// The effect's samples as the mix takes them: stereo, at the soundtrack's rate (nearest
// earlier sample: effects are short and their rates those of their day).
WaveSound toMixRate(const WaveSound& wave) {
  WaveSound mixed{VideoSoundtrack::kSampleRate, 2, {}};
  const size_t frames = wave.samples.size() / size_t(wave.channels);
  const size_t outFrames = size_t(int64_t(frames) * VideoSoundtrack::kSampleRate / wave.sampleRate);
  mixed.samples.resize(outFrames * 2);
  for (size_t i = 0; i < outFrames; ++i) {
    const size_t from = size_t(int64_t(i) * wave.sampleRate / VideoSoundtrack::kSampleRate);
    const float* frame = &wave.samples[from * size_t(wave.channels)];
    mixed.samples[2 * i] = frame[0];
    mixed.samples[2 * i + 1] = wave.channels > 1 ? frame[1] : frame[0];
  }
  return mixed;
}

}  // namespace

std::unique_ptr<VideoSoundtrack> VideoSoundtrack::open(const std::string& soundFont,
                                                       std::string& problem) {
  std::unique_ptr<VideoSoundtrack> track(new VideoSoundtrack());
  // Its own messages would reach the terminal; a failure is told once, below.
  for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
    fluid_set_log_function(level, nullptr, nullptr);
  }
  track->settings_ = new_fluid_settings();
  if (track->settings_ == nullptr) {
    problem = "the synthesizer cannot start";
    return nullptr;
  }
  fluid_settings_setnum(track->settings_, "synth.sample-rate", kSampleRate);
  // The player keeps time by the samples made, not by a clock.
  fluid_settings_setstr(track->settings_, "player.timing-source", "sample");
  fluid_settings_setint(track->settings_, "synth.threadsafe-api", 0);
  track->synth_ = new_fluid_synth(track->settings_);
  if (track->synth_ == nullptr) {
    problem = "the synthesizer cannot start";
    return nullptr;
  }
  if (fluid_synth_sfload(track->synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
    problem = soundFont + ": cannot be loaded as a SoundFont";
    return nullptr;
  }
  return track;
}

VideoSoundtrack::~VideoSoundtrack() {
  stopMusic();
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}

void VideoSoundtrack::stopMusic() {
  if (player_ == nullptr) return;
  fluid_player_stop(player_);
  delete_fluid_player(player_);
  player_ = nullptr;
  fluid_synth_all_sounds_off(synth_, -1);
}

void VideoSoundtrack::cue(const SoundCue& cue) {
  switch (cue.kind) {
    case SoundCue::Kind::Music: {
      stopMusic();
      fluid_synth_system_reset(synth_);
      player_ = new_fluid_player(synth_);
      if (player_ == nullptr) return;
      if (fluid_player_add_mem(player_, cue.bytes.data(), cue.bytes.size()) == FLUID_FAILED ||
          fluid_player_play(player_) == FLUID_FAILED) {
        delete_fluid_player(player_);
        player_ = nullptr;
        break;
      }
      // A piece going on after a load: played unheard up to its place, as the player keeps
      // time by the samples made.
      std::vector<float> unheard(size_t(kChunkFrames) * 2);
      for (int64_t left = cue.position * kSampleRate / 1000; left > 0; left -= kChunkFrames) {
        const int frames = int(std::min<int64_t>(kChunkFrames, left));
        fluid_synth_write_float(synth_, frames, unheard.data(), 0, 2, unheard.data(), 1, 2);
      }
      break;
    }
    case SoundCue::Kind::MusicStop:
      stopMusic();
      break;
    case SoundCue::Kind::Effect: {
      const std::optional<WaveSound> wave = readWave(cue.bytes);
      effect_ = wave ? std::optional<WaveSound>(toMixRate(*wave)) : std::nullopt;
      effectFrame_ = 0;
      break;
    }
  }
}

void VideoSoundtrack::takeUntil(int64_t until, std::vector<float>& out) {
  const int64_t end = until * kSampleRate / 1000;
  while (samplesTaken_ < end) {
    const int frames = int(std::min<int64_t>(kChunkFrames, end - samplesTaken_));
    const size_t start = out.size();
    out.resize(start + size_t(frames) * 2);
    float* chunk = out.data() + start;
    fluid_synth_write_float(synth_, frames, chunk, 0, 2, chunk, 1, 2);
    if (effect_) {
      const size_t left = effect_->samples.size() / 2 - effectFrame_;
      const size_t mixed = std::min(left, size_t(frames));
      for (size_t i = 0; i < 2 * mixed; ++i) chunk[i] += effect_->samples[2 * effectFrame_ + i];
      effectFrame_ += mixed;
      if (effectFrame_ * 2 >= effect_->samples.size()) effect_.reset();
    }
    for (int i = 0; i < 2 * frames; ++i) chunk[i] = std::clamp(chunk[i], -1.0f, 1.0f);
    samplesTaken_ += frames;
  }
}
