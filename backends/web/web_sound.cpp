#include "backends/web/web_sound.h"

#include <emscripten.h>

#include <array>
#include <utility>

#include "engine/sound/story_midi.h"
#include "engine/story_files.h"

namespace {

constexpr uint32_t kCannotOpen = 1;
constexpr uint32_t kNoSuchDevice = 2;
// Far beyond any sound effect; keeps a stray large file from being read whole.
constexpr uint64_t kLargestSoundFile = 64 << 20;

}  // namespace

// Without the page's sound (under node, or a page without sound.js) nothing opens, as on a
// machine without an audio device.
EM_JS(uint32_t, web_sound_open_music, (const char* bytes, size_t size, double lengthMs), {
  if (typeof nevSound != 'object') return 0;
  return nevSound.openMusic(HEAPU8.subarray(bytes, bytes + size), lengthMs);
});

EM_JS(int, web_sound_play_music, (uint32_t id, uint32_t piece, double fromMs, int loop), {
  if (typeof nevSound != 'object') return 0;
  return nevSound.playMusic(id, piece, fromMs, loop != 0) ? 1 : 0;
});

EM_JS(double, web_sound_music_position, (uint32_t id), {
  if (typeof nevSound != 'object') return -1;
  const position = nevSound.musicPosition(id);
  return position == null ? -1 : position;
});

EM_JS(int, web_sound_close_music, (uint32_t id), {
  if (typeof nevSound != 'object') return 0;
  return nevSound.closeMusic(id) ? 1 : 0;
});

EM_JS(void, web_sound_play_sound, (const char* bytes, size_t size), {
  if (typeof nevSound == 'object') nevSound.playSound(HEAPU8.subarray(bytes, bytes + size));
});

EM_JS(void, web_sound_set_volumes, (int music, int sound), {
  if (typeof nevSound == 'object') nevSound.setVolumes(music, sound);
});

EM_JS(int, web_sound_take_ended, (uint32_t* pieces, int capacity), {
  if (typeof nevSound != 'object') return 0;
  const ended = nevSound.takeEndedPieces();
  const count = Math.min(ended.length, capacity);
  for (let i = 0; i < count; ++i) HEAPU32[(pieces >> 2) + i] = ended[i];
  return count;
});

void WebSound::deliverEndedPieces() {
  std::array<uint32_t, 8> pieces{};
  int count;
  do {
    count = web_sound_take_ended(pieces.data(), int(pieces.size()));
    for (int i = 0; i < count; ++i) {
      if (handler_) handler_(pieces[i]);
    }
  } while (count == int(pieces.size()));
}

void WebSound::setEndOfPieceHandler(EndOfPieceHandler handler) {
  handler_ = std::move(handler);
}

uint32_t WebSound::openMusic(const StoryFiles& files, const std::string& fileName,
                             uint32_t& deviceId) {
  const std::optional<StoryMidi> midi = loadStoryMidi(files, fileName);
  if (!midi) return kCannotOpen;
  const uint32_t id =
      web_sound_open_music(midi->bytes.data(), midi->bytes.size(), double(midi->lengthMilliseconds));
  if (id == 0) return kCannotOpen;
  deviceId = id;
  return 0;
}

uint32_t WebSound::playMusic(uint32_t deviceId, uint32_t piece) {
  return playMusicFrom(deviceId, piece, 0);
}

uint32_t WebSound::playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) {
  return web_sound_play_music(deviceId, piece, double(position), loopExpected_ ? 1 : 0) != 0
             ? 0
             : kNoSuchDevice;
}

std::optional<int64_t> WebSound::musicPosition(uint32_t deviceId) {
  const double position = web_sound_music_position(deviceId);
  if (position < 0) return std::nullopt;
  return int64_t(position);
}

uint32_t WebSound::closeMusic(uint32_t deviceId) {
  return web_sound_close_music(deviceId) != 0 ? 0 : kNoSuchDevice;
}

void WebSound::playSound(const StoryFiles& files, const std::string& name) {
  // A file that is missing or does not decode gets the page's default sound.
  const std::optional<std::string> file = files.read(name, kLargestSoundFile);
  const std::string_view bytes = file ? std::string_view(*file) : std::string_view();
  web_sound_play_sound(bytes.data(), bytes.size());
}

void WebSound::note(SoundEvent event, std::string_view, int32_t loop) {
  if (event == SoundEvent::Music || event == SoundEvent::MusicReplay) loopExpected_ = loop == 1;
}

void WebSound::setVolumes(int32_t music, int32_t sound) {
  web_sound_set_volumes(music, sound);
}
