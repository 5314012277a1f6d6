#include "backends/sdl/library_messages.h"

#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <iterator>
#include <string>

#include "base/codepage.h"

namespace {

// The libraries are reached through the dynamic linker, and only when SDL_mixer has already
// loaded them: nev neither builds against them nor loads them itself.
using AlsaHandler = void (*)(const char* file, int line, const char* function, int error,
                             const char* format, ...);
using AlsaSetHandler = int (*)(AlsaHandler);
using FluidLogFunction = void (*)(int level, const char* message, void* data);
using FluidSetLogFunction = FluidLogFunction (*)(int level, FluidLogFunction, void* data);
using GlibLogFunction = void (*)(const char* domain, int level, const char* message, void* data);
using GlibSetHandler = unsigned (*)(const char* domain, int levels, GlibLogFunction, void* data);
using GlibRemoveHandler = void (*)(const char* domain, unsigned id);

constexpr int kFluidLevels = 5;        // panic, error, warning, information, debugging
constexpr int kFluidWarning = 2;       // and every level after it: no failure
constexpr int kGlibEveryLevel = 0xFF;  // with the fatal and recursion flags

template <typename Function>
Function loadedFunction(const char* library, const char* name) {
  void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return nullptr;
  void* function = dlsym(handle, name);
  // The library stays loaded through SDL_mixer's own reference.
  dlclose(handle);
  return reinterpret_cast<Function>(function);
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void tellOnce(std::atomic<bool>* told, const char* message) {
  if (told == nullptr || told->exchange(true)) return;
  std::fprintf(stderr, "nev: music synthesizer: %s\n", printableHostText(message).c_str());
}

void onFluidMessage(int level, const char* message, void* data) {
  if (level < kFluidWarning) tellOnce(static_cast<std::atomic<bool>*>(data), message);
}

void onGlibMessage(const char*, int, const char* message, void* data) {
  tellOnce(static_cast<std::atomic<bool>*>(data), message);
}

void onSdlMessage(void*, int, SDL_LogPriority, const char* message) {
  std::fprintf(stderr, "nev: SDL: %s\n", printableHostText(message).c_str());
}

}  // namespace

LibraryMessages::LibraryMessages() {
  SDL_LogOutputFunction previous = nullptr;
  SDL_LogGetOutputFunction(&previous, &sdlOutputData_);
  sdlOutput_ = reinterpret_cast<void*>(previous);
  SDL_LogSetOutputFunction(onSdlMessage, nullptr);
  if (auto set = loadedFunction<AlsaSetHandler>("libasound.so.2", "snd_lib_error_set_handler")) {
    set(quietAlsa);
  }
  if (auto set =
          loadedFunction<FluidSetLogFunction>("libfluidsynth.so.3", "fluid_set_log_function")) {
    static_assert(std::size(decltype(fluidOutputs_){}) == kFluidLevels);
    for (int level = 0; level < kFluidLevels; ++level) {
      fluidOutputs_[level] =
          reinterpret_cast<void*>(set(level, onFluidMessage, &synthesizerErrorTold_));
    }
  }
  // The SoundFont reader under FluidSynth logs through GLib, in its default domain.
  if (auto set = loadedFunction<GlibSetHandler>("libglib-2.0.so.0", "g_log_set_handler")) {
    glibHandler_ = set(nullptr, kGlibEveryLevel, onGlibMessage, &synthesizerErrorTold_);
  }
}

LibraryMessages::~LibraryMessages() {
  SDL_LogSetOutputFunction(reinterpret_cast<SDL_LogOutputFunction>(sdlOutput_), sdlOutputData_);
  if (auto set = loadedFunction<AlsaSetHandler>("libasound.so.2", "snd_lib_error_set_handler")) {
    set(nullptr);
  }
  if (auto set =
          loadedFunction<FluidSetLogFunction>("libfluidsynth.so.3", "fluid_set_log_function")) {
    for (int level = 0; level < kFluidLevels; ++level) {
      set(level, reinterpret_cast<FluidLogFunction>(fluidOutputs_[level]), nullptr);
    }
  }
  auto remove = loadedFunction<GlibRemoveHandler>("libglib-2.0.so.0", "g_log_remove_handler");
  if (remove != nullptr && glibHandler_ != 0) remove(nullptr, glibHandler_);
}
