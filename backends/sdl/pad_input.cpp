#include "backends/sdl/pad_input.h"

#include <SDL.h>

#include <cstdio>
#include <optional>
#include <span>

namespace {

std::optional<PadButton> padButton(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_BACK: return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::Right;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadButton::SkipShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::AutoShoulder;
    default: return std::nullopt;
  }
}

}  // namespace

PadReader::PadReader() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The window is Qt's, which SDL does not know: never take the pad for a window in the back.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "nev: no game controllers: %s\n", SDL_GetError());
    return;
  }
  // Only buttons are read; sticks and sensors would fill the queue between reads. The
  // joysticks' own events stay on: the controllers' buttons are made from them as they pass.
  for (uint32_t type : {SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERTOUCHPADMOTION,
                        SDL_CONTROLLERSENSORUPDATE}) {
    SDL_EventState(type, SDL_IGNORE);
  }
  working_ = true;
}

PadReader::~PadReader() {
  if (!working_) return;
  for (const auto& [id, controller] : controllers_) SDL_GameControllerClose(controller);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void PadReader::read(const std::function<void(PadEvent)>& onEvent) {
  if (!working_) return;
  SDL_PumpEvents();
  SDL_Event events[32];
  int count = 0;
  while ((count = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION,
                                 SDL_CONTROLLERSENSORUPDATE)) > 0) {
    for (const SDL_Event& event : std::span(events, size_t(count))) {
      switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
          if (SDL_GameController* opened = SDL_GameControllerOpen(event.cdevice.which)) {
            const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(opened));
            if (!controllers_.emplace(id, opened).second) SDL_GameControllerClose(opened);
          }
          break;
        case SDL_CONTROLLERDEVICEREMOVED:
          if (auto found = controllers_.find(event.cdevice.which); found != controllers_.end()) {
            SDL_GameControllerClose(found->second);
            controllers_.erase(found);
          }
          break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
          if (const std::optional<PadButton> button = padButton(event.cbutton.button)) {
            onEvent({*button, event.type == SDL_CONTROLLERBUTTONDOWN});
          }
          break;
        default:
          break;
      }
    }
  }
  // The joysticks' own events have been seen by the controllers; nothing else reads them.
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
}
