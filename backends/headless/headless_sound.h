#pragma once
// Sound for the headless player: nothing is heard. Each piece ends on the player's virtual
// clock at its MIDI file's own length, and every request is reported for the log.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

#include "engine/host.h"

class HeadlessSound final : public SoundBackend {
 public:
  using VirtualClock = std::function<int64_t()>;  // milliseconds
  using Report = std::function<void(SoundEvent event, std::string_view name, int32_t loop)>;

  HeadlessSound(VirtualClock clock, Report report);

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
  void playSound(const StoryFiles&, const std::string&) override {}
  void note(SoundEvent event, std::string_view name, int32_t loop) override;

 private:
  VirtualClock clock_;
  Report report_;
  EndOfPieceHandler handler_;
  std::map<uint32_t, int64_t> deviceLengths_;  // open devices and their pieces' lengths
  uint32_t nextDeviceId_ = 1;
  uint32_t playingDevice_ = 0;  // 0: none
  uint32_t playingPiece_ = 0;
  int64_t startedAt_ = 0;
  std::optional<int64_t> endsAt_;  // nothing: the piece never ends
};
