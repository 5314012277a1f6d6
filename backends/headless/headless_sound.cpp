#include "backends/headless/headless_sound.h"

#include <utility>

#include "engine/sound/story_midi.h"

namespace {
constexpr uint32_t kCannotOpen = 1;
constexpr uint32_t kNoSuchDevice = 2;
}  // namespace

HeadlessSound::HeadlessSound(VirtualClock clock, Report report)
    : clock_(std::move(clock)), report_(std::move(report)) {}

std::optional<int64_t> HeadlessSound::pendingEnd() const {
  if (playingDevice_ == 0) return std::nullopt;
  return endsAt_;
}

void HeadlessSound::endPiece() {
  if (playingDevice_ == 0) return;
  // The device stays open, as a device whose piece has ended does, until the handler closes it.
  playingDevice_ = 0;
  if (handler_) handler_(playingPiece_);
}

void HeadlessSound::setEndOfPieceHandler(EndOfPieceHandler handler) {
  handler_ = std::move(handler);
}

uint32_t HeadlessSound::openMusic(const StoryFiles& files, const std::string& fileName,
                                  uint32_t& deviceId) {
  const std::optional<StoryMidi> midi = loadStoryMidi(files, fileName);
  if (!midi) return kCannotOpen;
  deviceId = nextDeviceId_++;
  if (nextDeviceId_ == kAllMusicDevices) nextDeviceId_ = 1;
  deviceLengths_[deviceId] = midi->lengthMilliseconds;
  return 0;
}

uint32_t HeadlessSound::playMusic(uint32_t deviceId, uint32_t piece) {
  return playMusicFrom(deviceId, piece, 0);
}

uint32_t HeadlessSound::playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) {
  auto device = deviceLengths_.find(deviceId);
  if (device == deviceLengths_.end()) return kNoSuchDevice;
  playingDevice_ = deviceId;
  playingPiece_ = piece;
  startedAt_ = clock_() - position;
  // A piece of no length never tells its end, so it cannot loop without pause.
  endsAt_ = device->second > 0 ? std::optional<int64_t>(startedAt_ + device->second)
                               : std::nullopt;
  return 0;
}

std::optional<int64_t> HeadlessSound::musicPosition(uint32_t deviceId) {
  if (deviceId != playingDevice_ || playingDevice_ == 0) return std::nullopt;
  return clock_() - startedAt_;
}

uint32_t HeadlessSound::closeMusic(uint32_t deviceId) {
  if (deviceId == kAllMusicDevices) {
    deviceLengths_.clear();
    playingDevice_ = 0;
    return 0;
  }
  if (deviceLengths_.erase(deviceId) == 0) return kNoSuchDevice;
  if (deviceId == playingDevice_) playingDevice_ = 0;
  return 0;
}

void HeadlessSound::note(SoundEvent event, std::string_view name, int32_t loop) {
  if (report_) report_(event, name, loop);
}
