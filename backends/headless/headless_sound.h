#pragma once
// Sound for the headless player: nothing is heard. Each piece ends on the player's virtual
// clock at its MIDI file's own length, and every request is reported for the log.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "engine/host.h"

// What would be heard from the virtual time `at` on, for a player that makes the sound itself.
struct SoundCue {
  enum class Kind { Music, MusicStop, Effect };
  Kind kind = Kind::MusicStop;
  int64_t at = 0;
  std::string bytes;     // the standard MIDI file or the wave file; empty: nothing to play
  int64_t position = 0;  // milliseconds into the piece, where it goes on after a load
};

class HeadlessSound final : public SoundBackend {
 public:
  using VirtualClock = std::function<int64_t()>;  // milliseconds
  using Report = std::function<void(SoundEvent event, std::string_view name, int32_t loop)>;
  using Cue = std::function<void(const SoundCue& cue)>;

  HeadlessSound(VirtualClock clock, Report report, Cue cue = {});

  // The virtual time at which the playing piece ends; nothing while no piece plays.
  std::optional<int64_t> pendingEnd() const;
  // The playing piece has reached its end: the end-of-piece handler hears of it at once, on
  // the calling thread, which stands for the window thread.
  void endPiece();

  void setEndOfPieceHandler(EndOfPieceHandler handler) override;
  uint32_t openMusic(const StoryFiles& files, const std::string& fileName,
                     uint32_t& deviceId) override;
  uint32_t playMusic(uint32_t deviceId, uint32_t piece) override;
  uint32_t closeMusic(uint32_t deviceId) override;
  std::optional<int64_t> musicPosition(uint32_t deviceId) override;
  uint32_t playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) override;
  void playSound(const StoryFiles& files, const std::string& name) override;
  void note(SoundEvent event, std::string_view name, int32_t loop) override;

 private:
  void stopPlaying();

  VirtualClock clock_;
  Report report_;
  Cue cue_;
  EndOfPieceHandler handler_;
  struct Device {
    int64_t length = 0;
    std::string midi;  // kept only for cues
  };
  std::map<uint32_t, Device> devices_;  // open devices and their pieces
  uint32_t nextDeviceId_ = 1;
  uint32_t playingDevice_ = 0;  // 0: none
  uint32_t playingPiece_ = 0;
  int64_t startedAt_ = 0;
  std::optional<int64_t> endsAt_;  // nothing: the piece never ends
};
