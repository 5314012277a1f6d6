#pragma once
// GameConfig: the 32 values of nev.ini, by position. Filled once at start-up and read-only from
// then on: the ten the text-window command changes are the runner's own copy (TextWindowLayout).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/problem.h"

class StoryFiles;
class TextFile;

struct GameConfig {
  char windowTitle[256] = {};
  char aboutText1[256] = {};
  char aboutText2[256] = {};
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  int32_t textLeft = 0;
  int32_t textTop = 0;
  int32_t charsPerLine = 0;
  int32_t reservedValue = 0;
  int32_t fontSize = 0;
  int32_t charPitch = 0;
  int32_t linePitch = 0;
  int32_t charDelay = 0;
  int32_t textRed = 0;
  int32_t textGreen = 0;
  int32_t textBlue = 0;
  int32_t shadowRed = 0;
  int32_t shadowGreen = 0;
  int32_t shadowBlue = 0;
  int32_t pickRed = 0;
  int32_t pickGreen = 0;
  int32_t pickBlue = 0;
  int32_t choiceRed = 0;
  int32_t choiceGreen = 0;
  int32_t choiceBlue = 0;
  int32_t shadowDx = 0;
  int32_t shadowDy = 0;
  int32_t overlayLevel = 0;
  int32_t waitEveryLine = 0;
  int32_t scrambledScripts = 0;
  int32_t overlayEnabled = 0;
  int32_t developerMenu = 0;
};

inline constexpr int kConfigValueLines = 32;

// The ten values the text-window command @R sets, in the order it reads them. Saves keep the
// same ten, and the lint's layout follows them.
// Reads the values from an open nev.ini. Every field is set, or a problem is returned: its box
// as the reader sees it, its line of nev.ini, and a detail without the file's name and line,
// for tools that place them.
std::optional<Problem> parseConfig(TextFile& file, GameConfig& config);

// Opens the story's nev.ini and reads it. A problem's detail starts with the file's full path
// and its line.
std::optional<Problem> readConfig(const StoryFiles& files, GameConfig& config);
