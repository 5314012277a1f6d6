#include "backends/sdl/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <string_view>
#include <thread>
#include <utility>

#include "backends/sdl/library_messages.h"
#include "base/file_bytes.h"
#include "engine/file_problems.h"
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

bool isSoundFontName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return extension == ".sf2" || extension == ".sf3";
}

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

std::vector<std::string> standardSoundFontFolders() {
  return {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3", "/usr/share/soundfonts",
          "/usr/local/share/soundfonts"};
}

std::optional<std::string> soundFontFault(const std::string& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return "no such file";
  if (!isRegularFile(path)) return "not a regular file";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "cannot be read";
  unsigned char header[12] = {};
  const size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  // A RIFF file of SoundFont (or DLS) samples, whole: FluidSynth refuses a cut one noisily.
  const std::string_view form(reinterpret_cast<const char*>(header) + 8, 4);
  const uint64_t riffSize =
      header[4] | header[5] << 8 | header[6] << 16 | uint64_t{header[7]} << 24;
  if (got < sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
      (form != "sfbk" && form != "DLS ")) {
    return "not a SoundFont";
  }
  if (riffSize + 8 != fs::file_size(path, error)) return "not a whole SoundFont file";
  return std::nullopt;
}

std::optional<std::string> findSoundFont(const char* chosen,
                                         const std::vector<std::string>& folders) {
  if (chosen != nullptr && *chosen != '\0' && !soundFontFault(chosen)) return std::string(chosen);
  for (const char* preferred : {"FluidR3_GM", "TimGM6mb"}) {
    for (const std::string& folder : folders) {
      for (const char* extension : {".sf2", ".sf3"}) {
        const fs::path path = fs::path(folder) / (std::string(preferred) + extension);
        if (!soundFontFault(path.string())) return path.string();
      }
    }
  }
  for (const std::string& folder : folders) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      if (isSoundFontName(it->path()) && !soundFontFault(it->path().string())) {
        found.push_back(it->path().string());
      }
    }
    // The same one every time, whatever order the folder lists them in.
    if (!found.empty()) return *std::min_element(found.begin(), found.end());
  }
  return std::nullopt;
}

// Jobs run in order on an SDL thread of their own: SDL frees what it keeps for a thread, such
// as its error text, only for threads it made.
struct JobThread {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> jobs;
  bool stopping = false;
  SDL_Thread* thread = nullptr;

  bool start(const char* name) {
    thread = SDL_CreateThread(
        [](void* self) {
          static_cast<JobThread*>(self)->run();
          return 0;
        },
        name, this);
    return thread != nullptr;
  }

  void run() {
    std::unique_lock lock(mutex);
    while (true) {
      wake.wait(lock, [this] { return stopping || !jobs.empty(); });
      if (jobs.empty()) return;
      std::function<void()> job = std::move(jobs.front());
      jobs.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  bool post(std::function<void()> job) {
    {
      std::lock_guard guard(mutex);
      if (thread == nullptr || stopping) return false;
      jobs.push_back(std::move(job));
    }
    wake.notify_all();
    return true;
  }

  // Runs the job and waits for its result; `failure` when no job can run.
  uint32_t call(const std::function<uint32_t()>& job, uint32_t failure) {
    // The job keeps the promise, so that nothing it touches goes away while it answers.
    auto result = std::make_shared<std::promise<uint32_t>>();
    std::future<uint32_t> done = result->get_future();
    if (!post([result, &job] { result->set_value(job()); })) return failure;
    return done.get();
  }

  // The jobs already posted run first.
  void stop() {
    {
      std::lock_guard guard(mutex);
      stopping = true;
    }
    wake.notify_all();
    if (thread != nullptr) SDL_WaitThread(thread, nullptr);
    thread = nullptr;
  }
};

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
