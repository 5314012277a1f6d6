#pragma once
// The reader's comforts in the window: the 読みかた menu (backlog, skip, auto, volumes, mute,
// screenshots, copying the page), the Ctrl key that skips while held, and the keys that light
// and pick choice items.

#include <cstdint>
#include <string>

#include "shell/reader_settings.h"
#include "shell/window_port.h"

struct NevContext;
struct WindowState;

// A command of the 読みかた menu; false for ids it does not own.
bool onReadingCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id);

// The check marks as they stand now (the runner stops skipping by itself at a choice).
void refreshReadingMenu(NevContext& context, WindowState& state, WindowPort& port);

// Without an audio device: the volume items greyed, saying why, and a notice in the window.
void tellNoAudioDevice(WindowPort& port);

// The volumes and mute as chosen, given to the sound.
void applyVolumes(const ReadingChoices& choices, WindowPort& port);
// The auto speed as chosen, given to the runner's waits.
void applyAutoSpeed(NevContext& context, const ReadingChoices& choices);

// The mark the window shows while skipping or auto is on: "SKIP", "AUTO" or both; else empty.
std::string readingMark(const NevContext& context);

// Ctrl alone held long enough starts skipping; its release stops what it started.
void onSkipKey(NevContext& context, WindowState& state, bool held);

// A click or a key that ends a wait also ends a skip the menu started.
void stopSkippingByReader(NevContext& context, WindowState& state);

// Up and Down at a choice: the pointer row moves to the middle of the item before or after the
// one lit, so that Enter picks it as a click there would. False outside a choice.
bool moveChoiceLight(NevContext& context, int32_t step);

// The current page's text in UTF-8, a line each (the items picked on it left out).
std::string pageText(NevContext& context);
