#include "backends/headless/headless_sound.h"

#include <utility>

#include "engine/sound/story_midi.h"
#include "engine/story_files.h"

namespace {
constexpr uint32_t kCannotOpen = 1;
constexpr uint32_t kNoSuchDevice = 2;
constexpr uint64_t kLargestSoundFile = uint64_t{1} << 30;
}  // namespace

HeadlessSound::HeadlessSound(VirtualClock clock, Report report, Cue cue)
    : clock_(std::move(clock)), report_(std::move(report)), cue_(std::move(cue)) {}

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
  devices_[deviceId] = Device{midi->lengthMilliseconds, cue_ ? midi->bytes : std::string()};
  return 0;
}

uint32_t HeadlessSound::playMusic(uint32_t deviceId, uint32_t piece) {
  return playMusicFrom(deviceId, piece, 0);
}

uint32_t HeadlessSound::playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) {
  auto device = devices_.find(deviceId);
  if (device == devices_.end()) return kNoSuchDevice;
  playingDevice_ = deviceId;
  playingPiece_ = piece;
  startedAt_ = clock_() - position;
  // A piece of no length never tells its end, so it cannot loop without pause.
  endsAt_ = device->second.length > 0
                ? std::optional<int64_t>(startedAt_ + device->second.length)
                : std::nullopt;
  if (cue_) cue_(SoundCue{SoundCue::Kind::Music, clock_(), device->second.midi, position});
  return 0;
}

std::optional<int64_t> HeadlessSound::musicPosition(uint32_t deviceId) {
  if (deviceId != playingDevice_ || playingDevice_ == 0) return std::nullopt;
  return clock_() - startedAt_;
}

uint32_t HeadlessSound::closeMusic(uint32_t deviceId) {
  if (deviceId == kAllMusicDevices) {
    devices_.clear();
    stopPlaying();
    return 0;
  }
  if (devices_.erase(deviceId) == 0) return kNoSuchDevice;
  if (deviceId == playingDevice_) stopPlaying();
  return 0;
}

void HeadlessSound::stopPlaying() {
  if (playingDevice_ != 0 && cue_) cue_(SoundCue{SoundCue::Kind::MusicStop, clock_(), {}, 0});
  playingDevice_ = 0;
}

void HeadlessSound::playSound(const StoryFiles& files, const std::string& name) {
  if (!cue_) return;
  // A sound that cannot be read still stops the one before, as a new sound does.
  std::optional<std::string> wave = files.read(name, kLargestSoundFile);
  cue_(SoundCue{SoundCue::Kind::Effect, clock_(), wave ? std::move(*wave) : std::string(), 0});
}

void HeadlessSound::note(SoundEvent event, std::string_view name, int32_t loop) {
  if (report_) report_(event, name, loop);
}
