#pragma once
// Music and sound effects in the browser, through the page's sound.js (window.nevSound) on
// Web Audio. The page runs the runner on its own thread of control, so the ends of pieces the
// JS noticed wait in its queue until the player's next sleep hands them on here.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/host.h"

class WebSound final : public SoundBackend {
 public:
  // Each piece the page reported ended since the last call goes to the end-of-piece handler,
  // on the caller's stack (the runner's, at a sleep).
  void deliverEndedPieces();

  void setEndOfPieceHandler(EndOfPieceHandler handler) override;
  uint32_t openMusic(const StoryFiles& files, const std::string& fileName,
                     uint32_t& deviceId) override;
  uint32_t playMusic(uint32_t deviceId, uint32_t piece) override;
  uint32_t playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) override;
  std::optional<int64_t> musicPosition(uint32_t deviceId) override;
  uint32_t closeMusic(uint32_t deviceId) override;
  void playSound(const StoryFiles& files, const std::string& name) override;
  void note(SoundEvent event, std::string_view name, int32_t loop) override;
  void setVolumes(int32_t music, int32_t sound) override;

 private:
  EndOfPieceHandler handler_;
  // Whether the story last asked for its music to loop: the page then keeps the synthesizer
  // going past the end, for the replay to take over without a gap.
  bool loopExpected_ = true;
};
