#pragma once
// GameConfig: the 32 values of nev.ini, by position. Filled once at start-up; afterwards only
// the text-window command changes ten of the integers.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

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
inline constexpr int32_t GameConfig::*kTextWindowSettings[] = {
    &GameConfig::textLeft,  &GameConfig::textTop,       &GameConfig::charsPerLine,
    &GameConfig::reservedValue, &GameConfig::fontSize,  &GameConfig::charPitch,
    &GameConfig::linePitch, &GameConfig::charDelay,     &GameConfig::waitEveryLine,
    &GameConfig::overlayEnabled};
inline constexpr size_t kTextWindowFields = std::size(kTextWindowSettings);

// Where `setting` stands among the text-window settings.
constexpr size_t textWindowPosition(int32_t GameConfig::*setting) {
  size_t position = 0;
  while (kTextWindowSettings[position] != setting) ++position;
  return position;
}

// What is wrong with nev.ini, worded for its message box (UTF-8).
struct ConfigProblem {
  std::string text;
  std::string caption;
  int fileLine = 0;     // the line of nev.ini at fault; 0 for the file as a whole
  std::string detail;   // the text without the file's name and line, for tools that place them
  std::string report;   // for standard error: the file's full path, its line, and the detail
};

// Reads the values from an open nev.ini. Every field is set, or a problem is returned.
std::optional<ConfigProblem> parseConfig(TextFile& file, GameConfig& config);

// Opens the story's nev.ini and reads it. A problem's report is filled in.
std::optional<ConfigProblem> readConfig(const StoryFiles& files, GameConfig& config);
