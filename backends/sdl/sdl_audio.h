#pragma once
// Music and sound effects through SDL2_mixer, audio only. MIDI goes through its FluidSynth
// player with a General MIDI SoundFont; sound effects play on one channel of their own.
// Without an audio device, or for music without a SoundFont, the story plays on in silence.

#include <memory>
#include <optional>
#include <string>

#include "engine/host.h"

// The mixer's output: stereo, signed 16-bit samples.
inline constexpr int kAudioFrequency = 44100;
// The pitch of the short sound that stands in for a sound effect that names nothing.
inline constexpr int kDefaultSoundPitch = 880;

class SdlAudio final : public SoundBackend {
 public:
  // Opens the audio device; reports on stderr, in one line each, a missing device, a bad
  // NEV_SOUNDFONT or no SoundFont at all.
  SdlAudio();
  // Stops everything and joins its threads. The runner has stopped, and no end-of-piece
  // notification is still on its way to onMusicNotify, by then.
  ~SdlAudio() override;
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  bool audioAvailable() const;
  bool musicAvailable() const;

  void setEndOfPieceHandler(EndOfPieceHandler handler) override;
  uint32_t openMusic(const StoryFiles& files, const std::string& fileName,
                     uint32_t& deviceId) override;
  uint32_t playMusic(uint32_t deviceId, uint32_t piece) override;
  uint32_t playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) override;
  std::optional<int64_t> musicPosition(uint32_t deviceId) override;
  uint32_t closeMusic(uint32_t deviceId) override;
  void playSound(const StoryFiles& files, const std::string& name) override;
  void setVolumes(int32_t music, int32_t sound) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
