#pragma once
// TextWindowLayout: the ten values the text-window command @R sets. They start as nev.ini's and
// are the runner's own from then on, so the settings stay as they were read.

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/config.h"

struct TextWindowLayout {
  int32_t textLeft = 0;
  int32_t textTop = 0;
  int32_t charsPerLine = 0;
  int32_t reservedValue = 0;
  int32_t fontSize = 0;
  int32_t charPitch = 0;
  int32_t linePitch = 0;
  int32_t charDelay = 0;
  int32_t waitEveryLine = 0;
  int32_t overlayEnabled = 0;
};

// In the order @R reads them; saves keep the same ten in the same order.
inline constexpr int32_t TextWindowLayout::*kTextWindowSettings[] = {
    &TextWindowLayout::textLeft,      &TextWindowLayout::textTop,
    &TextWindowLayout::charsPerLine,  &TextWindowLayout::reservedValue,
    &TextWindowLayout::fontSize,      &TextWindowLayout::charPitch,
    &TextWindowLayout::linePitch,     &TextWindowLayout::charDelay,
    &TextWindowLayout::waitEveryLine, &TextWindowLayout::overlayEnabled};
inline constexpr size_t kTextWindowFields = std::size(kTextWindowSettings);

// Where `setting` stands among the text-window settings.
constexpr size_t textWindowPosition(int32_t TextWindowLayout::*setting) {
  size_t position = 0;
  while (kTextWindowSettings[position] != setting) ++position;
  return position;
}

// The layout as nev.ini sets it.
constexpr TextWindowLayout layoutFromSettings(const GameConfig& settings) {
  return {settings.textLeft,  settings.textTop,       settings.charsPerLine,
          settings.reservedValue, settings.fontSize,  settings.charPitch,
          settings.linePitch, settings.charDelay,     settings.waitEveryLine,
          settings.overlayEnabled};
}
