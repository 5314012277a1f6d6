#include "backends/sdl/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <utility>

#include "backends/sdl/job_thread.h"
#include "backends/sdl/library_messages.h"
#include "base/sound_font.h"
#include "base/codepage.h"
#include "base/file_bytes.h"
#include "engine/sound/story_midi.h"
#include "engine/story_files.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kCannotOpen = 1;
constexpr uint32_t kNoSuchDevice = 2;
constexpr uint32_t kCannotPlay = 3;

constexpr int kSoundChannel = 0;
constexpr int kMixBufferFrames = 1024;  // about 23 ms: sound effects start promptly
// SDL reads memory of at most this many bytes.
constexpr uint64_t kLargestSoundFile = std::numeric_limits<int>::max();

void putLittleEndian(std::string& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A short chime as a mono 16-bit wave file, so that SDL converts it like any other.
std::string defaultSoundWave() {
  constexpr int kRate = 22050;
  constexpr int kFrames = kRate * 180 / 1000;
  std::string samples;
  for (int i = 0; i < kFrames; ++i) {
    const double t = double(i) / kRate;
    const double attack = std::min(1.0, t / 0.005);
    const double level = 0.4 * attack * std::exp(-t / 0.06);
    const double value = level * std::sin(2 * std::numbers::pi * kDefaultSoundPitch * t);
    putLittleEndian(samples, static_cast<uint16_t>(static_cast<int16_t>(value * 32767)), 2);
  }
  std::string wave = "RIFF";
  putLittleEndian(wave, 36 + uint32_t(samples.size()), 4);
  wave += "WAVEfmt ";
  putLittleEndian(wave, 16, 4);
  putLittleEndian(wave, 1, 2);  // PCM
  putLittleEndian(wave, 1, 2);  // mono
  putLittleEndian(wave, kRate, 4);
  putLittleEndian(wave, kRate * 2, 4);
  putLittleEndian(wave, 2, 2);
  putLittleEndian(wave, 16, 2);
  wave += "data";
  putLittleEndian(wave, uint32_t(samples.size()), 4);
  return wave + samples;
}

struct MusicDevice {
  Mix_Music* music = nullptr;
  int64_t lengthMilliseconds = 0;
};

// A second copy of the piece opened last, made ready while it plays: opening a piece makes a
// new synthesizer and loads the SoundFont, far too slow for a loop to start again on time.
struct SparePiece {
  std::string bytes;
  Mix_Music* music = nullptr;
};

}  // namespace

struct SdlAudio::State {
  // First in, last out: the libraries speak in nev's lines from before the device opens until
  // everything is closed.
  LibraryMessages libraryMessages;
  bool audioOpen = false;
  bool musicAvailable = false;

  // Every SDL_mixer call after start-up runs as a job: playing, stopping and sound effects on
  // one thread, spare pieces on another so that a piece never waits for one to load.
  JobThread player;
  JobThread loader;
  // SDL_mixer's loaders share state of their own: one load at a time.
  std::mutex loadMutex;

  // Touched only by the player's jobs.
  std::map<uint32_t, MusicDevice> devices;
  uint32_t nextDeviceId = 1;
  uint32_t playingDevice = 0;  // 0: none
  Clock::time_point playingSince;
  Mix_Chunk* defaultSound = nullptr;
  Mix_Chunk* loadedSound = nullptr;

  std::mutex spareMutex;  // taken inside loadMutex, never around it
  SparePiece spare;

  // The end of the piece that plays, told on a thread that does nothing else.
  std::mutex timerMutex;
  std::condition_variable timerWake;
  bool timerArmed = false;
  bool timerStopping = false;
  uint32_t timerPiece = 0;
  Clock::time_point timerDeadline;
  std::thread timer;

  std::mutex handlerMutex;
  EndOfPieceHandler handler;

  void armTimer(uint32_t piece, int64_t milliseconds) {
    {
      std::lock_guard guard(timerMutex);
      timerArmed = true;
      timerPiece = piece;
      timerDeadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    }
    timerWake.notify_all();
  }

  void disarmTimer() {
    std::lock_guard guard(timerMutex);
    timerArmed = false;
  }

  void runTimer() {
    std::unique_lock lock(timerMutex);
    while (!timerStopping) {
      if (!timerArmed) {
        timerWake.wait(lock);
      } else if (Clock::now() < timerDeadline) {
        timerWake.wait_until(lock, timerDeadline);
      } else {
        timerArmed = false;
        const uint32_t piece = timerPiece;
        lock.unlock();
        {
          std::lock_guard guard(handlerMutex);
          if (handler) handler(piece);
        }
        lock.lock();
      }
    }
  }

  void stopTimer() {
    {
      std::lock_guard guard(timerMutex);
      timerStopping = true;
    }
    timerWake.notify_all();
    if (timer.joinable()) timer.join();
  }

  static Mix_Music* load(const std::string& bytes) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
    return Mix_LoadMUSType_RW(source, MUS_MID, 1);
  }

  Mix_Music* takeSpare(const std::string& bytes) {
    std::lock_guard guard(spareMutex);
    if (spare.music == nullptr || spare.bytes != bytes) return nullptr;
    return std::exchange(spare.music, nullptr);
  }

  // Player: a spare still loading is waited for rather than loaded twice.
  Mix_Music* takeSpareOrLoad(const std::string& bytes) {
    if (Mix_Music* music = takeSpare(bytes)) return music;
    std::lock_guard guard(loadMutex);
    if (Mix_Music* music = takeSpare(bytes)) return music;
    return load(bytes);
  }

  // Loader.
  void prepareSpare(std::string bytes) {
    Mix_Music* replaced;
    {
      std::lock_guard loading(loadMutex);
      {
        std::lock_guard guard(spareMutex);
        if (spare.music != nullptr && spare.bytes == bytes) return;
      }
      Mix_Music* music = load(bytes);
      std::lock_guard guard(spareMutex);
      replaced = std::exchange(spare.music, music);
      spare.bytes = std::move(bytes);
    }
    Mix_FreeMusic(replaced);
  }

  // Player.
  Mix_Chunk* loadSound(const std::optional<std::string>& file) {
    if (!file) return nullptr;
    std::lock_guard guard(loadMutex);
    return Mix_LoadWAV_RW(SDL_RWFromConstMem(file->data(), int(file->size())), 1);
  }

  void closeDevice(std::map<uint32_t, MusicDevice>::iterator device) {
    if (device->first == playingDevice) {
      disarmTimer();
      Mix_HaltMusic();
      playingDevice = 0;
    }
    Mix_FreeMusic(device->second.music);
    devices.erase(device);
  }

  uint32_t close(uint32_t deviceId) {
    if (deviceId == kAllMusicDevices) {
      while (!devices.empty()) closeDevice(devices.begin());
      return 0;
    }
    auto device = devices.find(deviceId);
    if (device == devices.end()) return kNoSuchDevice;
    closeDevice(device);
    return 0;
  }
};

SdlAudio::SdlAudio() : state_(std::make_unique<State>()) {
  // SDL's own handlers would turn SIGINT and SIGTERM into quit events nobody reads; nev ends
  // on them itself.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "nev: no audio (%s); the story plays in silence\n", SDL_GetError());
    return;
  }
  if (Mix_OpenAudio(kAudioFrequency, AUDIO_S16SYS, 2, kMixBufferFrames) != 0) {
    std::fprintf(stderr, "nev: no audio device (%s); the story plays in silence\n", Mix_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  State& state = *state_;
  if (!state.player.start("nev sound") || !state.loader.start("nev music loader")) {
    state.player.stop();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  state.audioOpen = true;
  Mix_AllocateChannels(1);
  const std::string wave = defaultSoundWave();
  state.defaultSound = Mix_LoadWAV_RW(SDL_RWFromConstMem(wave.data(), int(wave.size())), 1);

  const char* chosen = std::getenv("NEV_SOUNDFONT");
  const std::optional<std::string> refused =
      chosen != nullptr && *chosen != '\0' ? soundFontFault(chosen) : std::nullopt;
  const std::optional<std::string> soundFont =
      findSoundFont(refused ? nullptr : chosen, standardSoundFontFolders());
  const char* const install = "install fluid-soundfont-gm or timgm6mb-soundfont";
  if (refused) {
    std::error_code error;
    const std::string named = printableHostText(fs::absolute(chosen, error).string());
    const std::string fallback = soundFont ? "music uses " + printableHostText(*soundFont)
                                           : std::string("no music; ") + install;
    std::fprintf(stderr, "nev: NEV_SOUNDFONT names %s: %s; %s\n", named.c_str(),
                 refused->c_str(), fallback.c_str());
  } else if (!soundFont) {
    std::fprintf(stderr, "nev: no General MIDI SoundFont, so no music; %s, or set NEV_SOUNDFONT\n",
                 install);
  }
  if (!soundFont) return;
  Mix_Init(MIX_INIT_MID);
  Mix_SetSoundFonts(soundFont->c_str());
  state.musicAvailable = true;
  state.timer = std::thread([&state] { state.runTimer(); });
}

SdlAudio::~SdlAudio() {
  State& state = *state_;
  state.stopTimer();
  state.player.stop();
  state.loader.stop();
  if (!state.audioOpen) return;
  state.close(kAllMusicDevices);
  Mix_FreeMusic(state.spare.music);
  Mix_HaltChannel(-1);
  Mix_FreeChunk(state.loadedSound);
  Mix_FreeChunk(state.defaultSound);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudio::audioAvailable() const {
  return state_->audioOpen;
}

bool SdlAudio::musicAvailable() const {
  return state_->musicAvailable;
}

void SdlAudio::setEndOfPieceHandler(EndOfPieceHandler handler) {
  std::lock_guard guard(state_->handlerMutex);
  state_->handler = std::move(handler);
}

uint32_t SdlAudio::openMusic(const StoryFiles& files, const std::string& fileName,
                             uint32_t& deviceId) {
  if (!state_->musicAvailable) return kCannotOpen;
  std::optional<StoryMidi> midi = loadStoryMidi(files, fileName);
  if (!midi) return kCannotOpen;
  State& state = *state_;
  const uint32_t result = state.player.call(
      [&] {
        Mix_Music* music = state.takeSpareOrLoad(midi->bytes);
        if (music == nullptr) return kCannotOpen;
        deviceId = state.nextDeviceId++;
        if (state.nextDeviceId == kAllMusicDevices) state.nextDeviceId = 1;
        state.devices[deviceId] = MusicDevice{music, midi->lengthMilliseconds};
        return 0u;
      },
      kCannotOpen);
  // Ready by the time this piece ends or is asked for again.
  if (result == 0) {
    state.loader.post([&state, bytes = std::move(midi->bytes)]() mutable {
      state.prepareSpare(std::move(bytes));
    });
  }
  return result;
}

uint32_t SdlAudio::playMusic(uint32_t deviceId, uint32_t piece) {
  return playMusicFrom(deviceId, piece, 0);
}

uint32_t SdlAudio::playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t position) {
  State& state = *state_;
  return state.player.call(
      [&] {
        auto device = state.devices.find(deviceId);
        if (device == state.devices.end()) return kNoSuchDevice;
        if (Mix_PlayMusic(device->second.music, 1) != 0) return kCannotPlay;
        // MIDI through FluidSynth may not seek; the piece then starts from its beginning.
        const bool sought = position > 0 && position < device->second.lengthMilliseconds &&
                            Mix_SetMusicPosition(double(position) / 1000.0) == 0;
        const int64_t from = sought ? position : 0;
        state.playingDevice = deviceId;
        state.playingSince = Clock::now() - std::chrono::milliseconds(from);
        // A piece of no length never tells its end, so it cannot loop without pause.
        if (device->second.lengthMilliseconds > 0) {
          state.armTimer(piece, device->second.lengthMilliseconds - from);
        }
        return 0u;
      },
      kNoSuchDevice);
}

std::optional<int64_t> SdlAudio::musicPosition(uint32_t deviceId) {
  constexpr uint32_t kNotPlaying = 0xFFFFFFFF;
  State& state = *state_;
  const uint32_t position = state.player.call(
      [&] {
        if (deviceId != state.playingDevice || state.playingDevice == 0) return kNotPlaying;
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            Clock::now() - state.playingSince);
        return uint32_t(std::min<int64_t>(elapsed.count(), kNotPlaying - 1));
      },
      kNotPlaying);
  if (position == kNotPlaying) return std::nullopt;
  return position;
}

void SdlAudio::setVolumes(int32_t music, int32_t sound) {
  State& state = *state_;
  const int musicLevel = std::clamp(music, 0, 100) * MIX_MAX_VOLUME / 100;
  const int soundLevel = std::clamp(sound, 0, 100) * MIX_MAX_VOLUME / 100;
  state.player.post([musicLevel, soundLevel] {
    Mix_VolumeMusic(musicLevel);
    Mix_Volume(-1, soundLevel);
  });
}

uint32_t SdlAudio::closeMusic(uint32_t deviceId) {
  State& state = *state_;
  return state.player.call([&] { return state.close(deviceId); }, kNoSuchDevice);
}

void SdlAudio::playSound(const StoryFiles& files, const std::string& name) {
  // Anything that does not load as a sound, a line feed in its name included, gets the
  // default sound. The file is read here: the story's files need not outlive the job.
  State& state = *state_;
  state.player.post([&state, file = files.read(name, kLargestSoundFile)] {
    Mix_Chunk* chunk = state.loadSound(file);
    Mix_HaltChannel(kSoundChannel);
    Mix_FreeChunk(state.loadedSound);
    state.loadedSound = chunk;
    Mix_PlayChannel(kSoundChannel, chunk != nullptr ? chunk : state.defaultSound, 0);
  });
}
