#include "engine/config.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "base/codepage.h"
#include "base/surface.h"
#include "base/text_file.h"
#include "engine/messages.h"
#include "engine/story_files.h"
#include "engine/script/arguments.h"

namespace {

constexpr int kSlotSize = 256;
constexpr int kStringLines = 3;

struct ValueLine {
  char text[kSlotSize];
  int fileLine;  // 1-based line of the file where the value starts
};

constexpr const char* kFieldNames[kConfigValueLines] = {
    "windowTitle", "aboutText1",   "aboutText2",    "screenWidth", "screenHeight",
    "textLeft",    "textTop",      "charsPerLine",  "reservedValue", "fontSize",
    "charPitch",   "linePitch",    "charDelay",     "textRed",     "textGreen",
    "textBlue",    "shadowRed",    "shadowGreen",   "shadowBlue",  "pickRed",
    "pickGreen",   "pickBlue",     "choiceRed",     "choiceGreen", "choiceBlue",
    "shadowDx",    "shadowDy",     "overlayLevel",  "waitEveryLine", "scrambledScripts",
    "overlayEnabled", "developerMenu"};

int32_t* integerField(GameConfig& config, int index) {
  int32_t* fields[] = {
      &config.screenWidth,    &config.screenHeight,  &config.textLeft,    &config.textTop,
      &config.charsPerLine,   &config.reservedValue, &config.fontSize,    &config.charPitch,
      &config.linePitch,      &config.charDelay,     &config.textRed,     &config.textGreen,
      &config.textBlue,       &config.shadowRed,     &config.shadowGreen, &config.shadowBlue,
      &config.pickRed,        &config.pickGreen,     &config.pickBlue,    &config.choiceRed,
      &config.choiceGreen,    &config.choiceBlue,    &config.shadowDx,    &config.shadowDy,
      &config.overlayLevel,   &config.waitEveryLine, &config.scrambledScripts,
      &config.overlayEnabled, &config.developerMenu};
  static_assert(std::size(fields) == kConfigValueLines - kStringLines);
  return fields[index - kStringLines];
}

char* stringField(GameConfig& config, int index) {
  char* fields[] = {config.windowTitle, config.aboutText1, config.aboutText2};
  return fields[index];
}

// A value as the reader typed it, safe to show: a value line can hold any bytes, terminal
// escapes included.
std::string withoutLineFeed(const char* text) {
  return printableStoryText(withoutLineEnd(text));
}

Problem problemAt(const ValueLine& line, int index, const std::string& what) {
  return {.kind = ProblemKind::Setting,
          .boxText = "nev.ini " + std::to_string(line.fileLine) + " 行目 (" + kFieldNames[index] +
                     "): " + what,
          .caption = kCaptionBadSetting,
          .detail = std::string(kFieldNames[index]) + ": " + what,
          .fileLine = line.fileLine};
}

}  // namespace

std::optional<Problem> parseConfig(TextFile& file, GameConfig& config) {
  ValueLine lines[kConfigValueLines] = {};
  char read[kSlotSize];
  int valueCount = 0;
  int fileLine = 1;
  for (int length; (length = file.readLine(read, kSlotSize)) > 0;) {
    const bool endsLine = read[length - 1] == '\n';
    // Comments overwrite their slot; lines after the last value are read and ignored.
    if (read[0] != ';' && valueCount < kConfigValueLines) {
      std::memcpy(lines[valueCount].text, read, length + 1);
      lines[valueCount].fileLine = fileLine;
      ++valueCount;
    }
    if (endsLine) ++fileLine;
  }

  if (valueCount < kConfigValueLines) {
    const std::string detail = "値の行が " + std::to_string(valueCount) + " 行しかありません。" +
                               std::to_string(kConfigValueLines) + " 行必要です (" +
                               kFieldNames[valueCount] + " がありません)";
    return Problem{.kind = ProblemKind::Setting,
                   .boxText = "nev.ini: " + detail,
                   .caption = kCaptionBadSetting,
                   .detail = detail};
  }

  for (int i = 0; i < kStringLines; ++i) {
    char* field = stringField(config, i);
    std::memcpy(field, lines[i].text, kSlotSize);
    size_t length = std::strlen(field);
    if (length > 0) field[length - 1] = ' ';
  }
  for (int i = kStringLines; i < kConfigValueLines; ++i) {
    NumberReading number = readDecimal(lines[i].text);
    if (number.overflowed) {
      return problemAt(lines[i], i,
                       "「" + withoutLineFeed(lines[i].text) + "」は 32 ビットの整数に収まりません");
    }
    *integerField(config, i) = number.value;
  }
  for (int i : {3, 4}) {
    if (*integerField(config, i) <= 0 || *integerField(config, i) > kLargestBitmapSide) {
      return problemAt(lines[i], i,
                       "画面の大きさは 1 から " + std::to_string(kLargestBitmapSide) +
                           " までにしてください (「" + withoutLineFeed(lines[i].text) + "」)");
    }
  }
  if (int64_t{config.screenWidth} * config.screenHeight > kLargestBitmapArea) {
    return problemAt(lines[4], 4,
                     "画面が大きすぎます: " + std::to_string(config.screenWidth) + " × " +
                         std::to_string(config.screenHeight) + " は " +
                         std::to_string(kLargestBitmapArea) + " 画素を超えます");
  }
  return std::nullopt;
}

std::optional<Problem> readConfig(const StoryFiles& files, GameConfig& config) {
  TextFile file;
  if (!files.openScript("nev.ini", file)) {
    return Problem{.kind = ProblemKind::StoryFile,
                   .boxText = "nev.ini",
                   .caption = kCaptionBadFile,
                   .detail = files.problem("nev.ini", "cannot be read"),
                   .advice = "open the folder that holds the story's nev.ini"};
  }
  std::optional<Problem> problem = parseConfig(file, config);
  if (problem) {
    const std::string line = problem->fileLine > 0 ? ":" + std::to_string(problem->fileLine) : "";
    problem->detail = files.location("nev.ini") + line + ": " + problem->detail;
  }
  return problem;
}
