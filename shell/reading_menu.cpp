#include "shell/reading_menu.h"

#include <algorithm>

#include "base/codepage.h"
#include "engine/context.h"
#include "shell/menu.h"
#include "shell/window_proc.h"

namespace {

constexpr int32_t kVolumeOfStep[kVolumeSteps] = {0, 25, 50, 75, 100};

int32_t stepOfVolume(int32_t volume) {
  int32_t best = 0;
  for (int32_t step = 0; step < kVolumeSteps; ++step) {
    if (std::abs(kVolumeOfStep[step] - volume) < std::abs(kVolumeOfStep[best] - volume)) best = step;
  }
  return best;
}

SkipMode chosenSkip(const ReadingChoices& choices) {
  return choices.skipUnread ? SkipMode::AllText : SkipMode::ReadText;
}

}  // namespace

void applyVolumes(const ReadingChoices& choices, WindowPort& port) {
  port.setVolumes(choices.muted ? 0 : choices.musicVolume, choices.muted ? 0 : choices.soundVolume);
}

void tellNoAudioDevice(WindowPort& port) {
  const std::string why = "音を出す装置が見つからないため使えません";
  for (int32_t step = 0; step < kVolumeSteps; ++step) {
    port.greyMenuItem(kMenuMusicVolumeFirst + step, why);
    port.greyMenuItem(kMenuSoundVolumeFirst + step, why);
  }
  port.greyMenuItem(kMenuMute, why);
  port.showNotice("音を出す装置が見つかりません。音楽と効果音は鳴りません");
}

void applyAutoSpeed(NevContext& context, const ReadingChoices& choices) {
  // A base pause and a pause a character, for slow, usual and fast.
  constexpr int32_t kBase[kAutoSpeeds] = {2500, 1500, 800};
  constexpr int32_t kPerUnit[kAutoSpeeds] = {100, 60, 30};
  const int32_t speed = std::clamp(choices.autoSpeed, 0, kAutoSpeeds - 1);
  context.reading.autoBaseDelay = kBase[speed];
  context.reading.autoDelayPerUnit = kPerUnit[speed];
}

bool onReadingCommand(NevContext& context, WindowState& state, WindowPort& port, int32_t id) {
  ReadingChoices& choices = state.reading;
  ReadingState& reading = context.reading;
  if (id >= kMenuMusicVolumeFirst && id < kMenuMusicVolumeFirst + kVolumeSteps) {
    choices.musicVolume = kVolumeOfStep[id - kMenuMusicVolumeFirst];
    applyVolumes(choices, port);
  } else if (id >= kMenuSoundVolumeFirst && id < kMenuSoundVolumeFirst + kVolumeSteps) {
    choices.soundVolume = kVolumeOfStep[id - kMenuSoundVolumeFirst];
    applyVolumes(choices, port);
  } else if (id == kMenuMute) {
    choices.muted = !choices.muted;
    applyVolumes(choices, port);
  } else if (id == kMenuSkip) {
    const bool skipping = reading.skip.load() != int32_t(SkipMode::Off);
    reading.skip = int32_t(skipping ? SkipMode::Off : chosenSkip(choices));
    state.skipByKey = false;
  } else if (id == kMenuSkipUnread) {
    choices.skipUnread = !choices.skipUnread;
    if (reading.skip.load() != int32_t(SkipMode::Off)) reading.skip = int32_t(chosenSkip(choices));
  } else if (id >= kMenuAutoSpeedFirst && id < kMenuAutoSpeedFirst + kAutoSpeeds) {
    choices.autoSpeed = id - kMenuAutoSpeedFirst;
    applyAutoSpeed(context, choices);
  } else if (id == kMenuAuto) {
    reading.autoAdvance = reading.autoAdvance.load() == 0 ? 1 : 0;
  } else if (id == kMenuBacklog) {
    port.showBacklog();
  } else if (id == kMenuScreenshot) {
    port.saveScreenshot();
  } else if (id == kMenuCopyText) {
    port.copyText(pageText(context));
  } else {
    return false;
  }
  refreshReadingMenu(context, state, port);
  return true;
}

void refreshReadingMenu(NevContext& context, WindowState& state, WindowPort& port) {
  const ReadingChoices& choices = state.reading;
  port.checkMenuItem(kMenuSkip, context.reading.skip.load() != int32_t(SkipMode::Off));
  port.checkMenuItem(kMenuSkipUnread, choices.skipUnread);
  port.checkMenuItem(kMenuAuto, context.reading.autoAdvance.load() != 0);
  port.checkMenuItem(kMenuMute, choices.muted);
  for (int32_t speed = 0; speed < kAutoSpeeds; ++speed) {
    port.checkMenuItem(kMenuAutoSpeedFirst + speed, speed == choices.autoSpeed);
  }
  for (int32_t step = 0; step < kVolumeSteps; ++step) {
    port.checkMenuItem(kMenuMusicVolumeFirst + step, step == stepOfVolume(choices.musicVolume));
    port.checkMenuItem(kMenuSoundVolumeFirst + step, step == stepOfVolume(choices.soundVolume));
  }
}

std::string readingMark(const NevContext& context) {
  const bool skipping = context.reading.skip.load() != int32_t(SkipMode::Off);
  const bool automatic = context.reading.autoAdvance.load() != 0;
  if (skipping && automatic) return "SKIP AUTO";
  return skipping ? "SKIP" : automatic ? "AUTO" : "";
}

void onSkipKey(NevContext& context, WindowState& state, bool held) {
  ReadingState& reading = context.reading;
  if (held) {
    if (reading.skip.load() != int32_t(SkipMode::Off)) return;
    reading.skip = int32_t(chosenSkip(state.reading));
    state.skipByKey = true;
  } else if (state.skipByKey) {
    reading.skip = int32_t(SkipMode::Off);
    state.skipByKey = false;
  }
}

void stopSkippingByReader(NevContext& context, WindowState& state) {
  if (state.skipByKey) return;  // Ctrl still held goes on skipping
  context.reading.skip = int32_t(SkipMode::Off);
}

bool moveChoiceLight(NevContext& context, int32_t step) {
  const ChoiceProgress& choice = context.shared.choice;
  const int32_t count = choice.count;
  if (count <= 0 || count > kChoiceSlots) return false;
  const int32_t mouseY = context.shared.mouseY.load();
  int32_t lit = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (choice.bandTop[i] <= mouseY && mouseY <= choice.bandBottom[i]) lit = i;
  }
  // From no lit item, Down lights the first and Up the last.
  int32_t next = lit < 0 ? (step > 0 ? 0 : count - 1) : std::clamp(lit + step, 0, count - 1);
  // Items that cannot be hit (no band) are passed over.
  while (next >= 0 && next < count && choice.bandTop[next] > choice.bandBottom[next]) next += step > 0 ? 1 : -1;
  if (next < 0 || next >= count) return true;
  context.shared.mouseY = int32_t((int64_t{choice.bandTop[next]} + choice.bandBottom[next]) / 2);
  return true;
}

std::string pageText(NevContext& context) {
  // From the backlog, which the runner fills under its lock: the page since the last @P.
  const std::vector<std::vector<std::string>> pages = backlogPages(context);
  std::string text;
  if (pages.empty()) return text;
  for (const std::string& line : pages.back()) {
    bool choice = false;
    std::string shown = backlogLineText(line, choice);
    if (!choice) text += shown + "\n";
  }
  return text;
}
