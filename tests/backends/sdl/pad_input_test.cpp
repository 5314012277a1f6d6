#include "backends/sdl/pad_input.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <string>

namespace {

std::string readAll(PadReader& pad) {
  std::string seen;
  pad.read([&seen](PadEvent event) {
    seen += std::to_string(int(event.button)) + (event.pressed ? "+ " : "- ");
  });
  return seen;
}

// A virtual controller arrives, its buttons come through as pad events, and it goes again.
TEST(PadReader, ControllersComeAndGoAndTheirButtonsBecomePadEvents) {
  PadReader pad;
  if (!pad.working()) GTEST_SKIP() << "SDL has no game controller support here";
  readAll(pad);
  const int32_t before = pad.attached();
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
  desc.name = "nev test pad";
  const int device = SDL_JoystickAttachVirtualEx(&desc);
  ASSERT_GE(device, 0) << SDL_GetError();
  EXPECT_EQ(readAll(pad), "");
  ASSERT_EQ(pad.attached(), before + 1);
  SDL_Joystick* joystick = SDL_JoystickOpen(device);
  ASSERT_NE(joystick, nullptr);

  const std::pair<SDL_GameControllerButton, PadButton> buttons[] = {
      {SDL_CONTROLLER_BUTTON_A, PadButton::A},
      {SDL_CONTROLLER_BUTTON_B, PadButton::B},
      {SDL_CONTROLLER_BUTTON_X, PadButton::X},
      {SDL_CONTROLLER_BUTTON_Y, PadButton::Y},
      {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
      {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::Up},
      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::Down},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::Left},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::Right},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PadButton::SkipShoulder},
      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PadButton::AutoShoulder},
      {SDL_CONTROLLER_BUTTON_GUIDE, PadButton(-1)},  // not ours: nothing comes through
  };
  for (const auto& [sdlButton, button] : buttons) {
    const int index = SDL_GameControllerGetBindForButton(
        SDL_GameControllerFromInstanceID(SDL_JoystickInstanceID(joystick)), sdlButton).value.button;
    SDL_JoystickSetVirtualButton(joystick, index, SDL_PRESSED);
    std::string seen = readAll(pad);
    SDL_JoystickSetVirtualButton(joystick, index, SDL_RELEASED);
    seen += readAll(pad);
    const std::string id = std::to_string(int(button));
    EXPECT_EQ(seen, int(button) < 0 ? "" : id + "+ " + id + "- ") << int(sdlButton);
  }

  SDL_JoystickClose(joystick);
  ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
  readAll(pad);
  EXPECT_EQ(pad.attached(), before);
}

}  // namespace
