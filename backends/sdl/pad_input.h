#pragma once
// Game controllers through SDL, turned into the window procedure's pad events. Controllers may
// come and go while the story plays; each is opened as it arrives.

#include <cstdint>
#include <functional>
#include <map>

#include "shell/pad_mapping.h"

struct _SDL_GameController;

class PadReader {
 public:
  // Starts SDL's controller support; without it the reader reads nothing, and says so once.
  PadReader();
  ~PadReader();
  PadReader(const PadReader&) = delete;
  PadReader& operator=(const PadReader&) = delete;

  // What happened since the last read, buttons in the order pressed. It never blocks, so the
  // window calls it from a timer: slowly while no controller is attached, to notice one
  // arriving, and often while one is.
  void read(const std::function<void(PadEvent)>& onEvent);
  int32_t attached() const { return int32_t(controllers_.size()); }
  bool working() const { return working_; }

 private:
  bool working_ = false;
  std::map<int32_t, _SDL_GameController*> controllers_;  // by SDL's instance id
};
