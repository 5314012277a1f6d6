#pragma once
// The libraries under SDL_mixer write to the terminal themselves: ALSA a dozen lines when there
// is no sound card, FluidSynth (and the GLib under it) several for one bad SoundFont. While a
// LibraryMessages lives, what they say goes through nev's own lines instead: ALSA is quiet, as
// SDL's error already says why the device did not open; SDL's log lines and the first error of
// the synthesizer each become one "nev: " line; further ones, and warnings, are dropped.

#include <atomic>

class LibraryMessages {
 public:
  LibraryMessages();
  // Puts the libraries' own handlers back.
  ~LibraryMessages();
  LibraryMessages(const LibraryMessages&) = delete;
  LibraryMessages& operator=(const LibraryMessages&) = delete;

 private:
  std::atomic<bool> synthesizerErrorTold_{false};
  void* sdlOutput_ = nullptr;
  void* sdlOutputData_ = nullptr;
  void* fluidOutputs_[5] = {};  // one for each level of the synthesizer's messages
  unsigned glibHandler_ = 0;
};
