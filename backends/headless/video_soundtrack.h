#pragma once
// A video's sound, made offline as the headless player plays: its MIDI music synthesized with
// the General MIDI SoundFont the desktop plays with, its sound effects mixed in at their times.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/headless/headless_sound.h"
#include "base/wave_file.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;

class VideoSoundtrack {
 public:
  static constexpr int32_t kSampleRate = 48000;

  // Nothing, with `problem` said, when the SoundFont cannot be loaded.
  static std::unique_ptr<VideoSoundtrack> open(const std::string& soundFont, std::string& problem);
  ~VideoSoundtrack();
  VideoSoundtrack(const VideoSoundtrack&) = delete;
  VideoSoundtrack& operator=(const VideoSoundtrack&) = delete;

  // From the cue's time on; the samples before it are to be taken first.
  void cue(const SoundCue& cue);
  // Appends the stereo samples (interleaved, full scale ±1) from where the last call ended up
  // to virtual millisecond `until`.
  void takeUntil(int64_t until, std::vector<float>& out);

 private:
  VideoSoundtrack() = default;
  void stopMusic();

  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_player_t* player_ = nullptr;
  int64_t samplesTaken_ = 0;
  std::optional<WaveSound> effect_;  // at kSampleRate, stereo
  size_t effectFrame_ = 0;
};
