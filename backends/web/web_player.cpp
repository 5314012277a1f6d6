#include "backends/web/web_player.h"

#include <emscripten.h>

#include <algorithm>

#include "backends/headless/headless_player.h"
#include "backends/headless/pending_paints.h"
#include "base/codepage.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/script/runner.h"
#include "engine/sound/music.h"
#include "shell/language_menu.h"
#include "shell/pad_mapping.h"
#include "shell/reading_menu.h"

namespace {

// Timers are clamped to 4 ms, so a shorter sleep is gathered with the next ones; and the page
// must paint and take input at least once a frame while the story works without sleeping.
constexpr double kShortestYield = 4;
constexpr double kLongestWork = 16;
constexpr double kLongestCatchUp = 100;
// How much of a blink the page showed the runner replays.
constexpr int64_t kLongestReplay = 60000;
// How often input is looked for while the menus hold the story.
constexpr unsigned kMenusOpenPoll = 50;
// Ctrl held this long starts skipping, as on the desktop.
constexpr double kSkipKeyHold = 300;

// What the page's input queue holds: [kind, x, y, detail].
enum InputKind : int32_t {
  kPointerMove = 1, kPointerDown = 2, kKeyPressed = 4, kKeyReleased = 5,
  kMenuCommand = 6,   // detail: the item's id
  kMenusOpened = 7,   // their captions and ticks are brought up to date
  kPadButton = 8,     // y: 1 pressed, 0 released; detail: PadButton
  kBacklogClosed = 9,
  kPageHidden = 10,   // the auto slot is written at once
  kMenusClosed = 11,
};
// The keys the page passes on, by the codes player.js gives them.
enum Key : int32_t {
  kKeyAdvance = 1, kKeyUp = 2, kKeyDown = 3, kKeyControl = 4, kKeyCopy = 5, kKeyPageUp = 6,
  kKeyQuickSave = 7, kKeyQuickLoad = 8, kKeyFullScreen = 9, kKeyScreenshot = 10, kKeyLeave = 11
};

// The keys that are the window's own, as the desktop's window gives them.
std::optional<WindowKey> windowKeyOf(int32_t key) {
  switch (key) {
    case kKeyPageUp: return WindowKey::Backlog;
    case kKeyCopy: return WindowKey::CopyText;
    case kKeyQuickSave: return WindowKey::QuickSave;
    case kKeyQuickLoad: return WindowKey::QuickLoad;
    case kKeyFullScreen: return WindowKey::FullScreen;
    case kKeyScreenshot: return WindowKey::Screenshot;
    case kKeyLeave: return WindowKey::Leave;
    default: return std::nullopt;
  }
}

EM_JS(int, nev_take_input, (int32_t* event), {
  const e = nevPage.takeInput();
  if (!e) return 0;
  HEAP32.set(e, event >> 2);
  return 1;
});

EM_JS(void, nev_blit, (const uint8_t* rgba, int x, int y, int width, int height), {
  nevPage.blit(HEAPU8.subarray(rgba, rgba + width * height * 4), x, y, width, height);
});

EM_ASYNC_JS(void, nev_rest_until_input, (), {
  await nevPage.restUntilInput();
});

EM_JS(void, nev_emit, (const char* type, const char* json), {
  nevPage.emit(UTF8ToString(type), UTF8ToString(json));
});

EM_JS(void, nev_reading_mark, (const char* mark), {
  if (window.nevMenus) nevMenus.readingMark(UTF8ToString(mark));
});

EM_JS(void, nev_set_picture_size, (int width, int height), {
  nevPage.setPictureSize(width, height);
});

}  // namespace

WebPlayer::WebPlayer(NevContext& context, SoundBackend& sound, std::function<void()> atEachSleep)
    : context_(context),
      atEachSleep_(std::move(atEachSleep)),
      window_(context,
              [this](const SavePoint& point) {
                restartAt_ = point;
                context_.shared.stopRunner = 1;
              },
              [this] { stop(); },
              [&sound](int32_t music, int32_t effects) { sound.setVolumes(music, effects); }) {
  const int32_t width = context.shared.cwinX.load();
  const int32_t height = context.shared.cwinY.load();
  client_.assign(size_t(width) * height, 0);
  target_ = PixelTarget{client_.data(), width, height, width, 0};
  pendingPaints_.push_back(Rect{0, 0, width, height});
  nev_set_picture_size(width, height);

  PlatformServices& platform = context.platform;
  platform.invalidate = [this](const Rect* area) { invalidate(area); };
  platform.messageBox = [this](const std::string& text, const std::string& caption,
                               const std::string& details) {
    paint();  // the box comes over the picture as it is
    window_.showBox(text, caption, details);
  };
  platform.sleep = [this](int32_t milliseconds) { sleep(milliseconds); };
  platform.lineTyped = [this](const std::string& script, int32_t line, std::string_view text) {
    emit("text", "\"file\":" + jsonString(cp932ToUtf8Escaped(script)) +
                     ",\"line\":" + std::to_string(line) +
                     ",\"text\":" + jsonString(std::string(text)));
  };
  platform.sound = &sound;
  window_.setSlotDialog([this](bool canSave, int32_t lit) {
    return chooseWebSlot(context_, state_, window_, canSave, lit);
  });
  window_.setReopen([this](const std::string& code, const SavePoint& point) {
    languageChosen_ = LanguageChoice{code, point};
    stop();
  });
  sound.setEndOfPieceHandler([this](uint32_t piece) { onMusicNotify(context_, piece); });
}

WebPlayer::~WebPlayer() { releasePlayerSeams(context_.platform); }

void WebPlayer::keepSavesIn(std::string dataFolder, int resume) {
  dataFolder_ = std::move(dataFolder);
  resume_ = resume;
}

std::string WebPlayer::play() {
  if (!dataFolder_.empty()) openWebSaves(context_, state_, window_, dataFolder_, resume_);
  ScriptRunner runner(context_);
  window_.buildMenus();
  buildLanguageMenu(context_, state_, window_);
  storyClock_ = lastYield_ = emscripten_get_now();
  for (;;) {
    runner.run();
    if (!restartAt_ || ended_) break;
    // A load: the runner has returned; the save point's own starts afresh.
    readyToGoOnFrom(context_, *restartAt_);
    restartAt_.reset();
    waitTold_ = false;  // the loaded wait is a wait of its own
    showSavedPicturesAtOnce(context_);
    invalidate(nullptr);
  }
  runner.closeScript();
  paint();
  const std::string reason =
      storyEnded_ || context_.shared.endRequested.load() == 1 ? "E" : "script";
  // As the desktop's window closing: a finished story starts afresh, else the place is kept.
  state_.storyEnded = reason == "E";
  keepPlaceAtExit(context_, state_);
  storeWebSaves();
  context_.platform.sound->closeMusic(kAllMusicDevices);
  // Not an end: the same reading goes on in another language.
  if (languageChosen_) return "language";
  emit("frame", "\"at\":\"end\"");
  emit("end", "\"reason\":" + jsonString(reason));
  return reason;
}

void WebPlayer::stop() {
  ended_ = true;
  context_.shared.stopRunner = 1;
}

void WebPlayer::invalidate(const Rect* area) {
  addPendingPaint(pendingPaints_, area == nullptr ? Rect{0, 0, target_.width, target_.height}
                                                  : paintedArea(*area));
}

void WebPlayer::sleep(int32_t milliseconds) {
  if (ended_) return;
  if (runMessagePrologue(context_)) {
    storyEnded_ = true;
    stop();
    return;
  }
  // The runner catching up with the page's blinking: all of it in one moment, no paint seen.
  if (flipsOwed_ > 1) {
    --flipsOwed_;
    return;
  }
  if (atEachSleep_) atEachSleep_();
  const Presented shown = paint();
  pageBlink_.slept(shown.area ? &*shown.area : nullptr, rgba_, milliseconds);
  quietSleeps_ = shown.changed ? 0 : quietSleeps_ + 1;
  tellProgress();
  const ChoiceProgress& choice = context_.shared.choice;
  autoSlot_.keep(context_, state_,
                 waitTold_ || (choice.count.load() > 0 && !choice.decided.load()), false);
  if (flipsOwed_ == 1) {
    // The page flipped to this picture at the story's clock already: the runner goes on from there.
    flipsOwed_ = 0;
  } else {
    yieldUntilStoryClock(milliseconds);
  }
  if (flipsOwed_ > 0) return;
  if (takeInput()) quietSleeps_ = 0;
  double now = emscripten_get_now();
  // The story stands still under the open menus, as under a desktop's menu; their commands
  // are carried out meanwhile.
  while (menusOpen_ && !ended_ && context_.shared.stopRunner.load() == 0) {
    emscripten_sleep(kMenusOpenPoll);
    takeInput();
    now = lastYield_ = storyClock_ = emscripten_get_now();
  }
  // The runner stops skipping by itself at a choice, so the mark is read at each sleep.
  if (std::string mark = readingMark(context_); mark != readingMarkShown_) {
    readingMarkShown_ = std::move(mark);
    nev_reading_mark(readingMarkShown_.c_str());
  }
  if (ctrlDownAt_ >= 0 && !skipByCtrl_ && now - ctrlDownAt_ >= kSkipKeyHold) {
    skipByCtrl_ = true;
    onSkipKey(context_, state_, true);
  }
}

void WebPlayer::yieldUntilStoryClock(int32_t milliseconds) {
  const double now = emscripten_get_now();
  // Each wake-up comes a little late; the story's clock keeps its own time and makes that up
  // with the next sleeps, unless the page was held up long (a box, a background tab).
  if (storyClock_ < now - kLongestCatchUp) storyClock_ = now;
  storyClock_ += std::max(milliseconds, 0);
  if (storyClock_ - now >= kShortestYield && milliseconds >= kShortestYield &&
      pageBlink_.alternating() && restingAtWait()) {
    // The page flips the marker at the very times the runner would have; each flip it made is
    // one the runner owes. Past a minute's worth the count only keeps its parity: the runner
    // counts a wait's blinks up to an auto wait's length, far less than that.
    const int64_t flips = pageBlink_.blinkInPage(storyClock_);
    const int64_t most = kLongestReplay / std::max(milliseconds, 1);
    flipsOwed_ = flips <= most ? flips : most - (most - flips) % 2;
    canvasShowsClient_ = false;
    lastYield_ = emscripten_get_now();
  } else if (restingForInput()) {
    nev_rest_until_input();
    storyClock_ = lastYield_ = emscripten_get_now();
  } else if (storyClock_ - now >= kShortestYield || now - lastYield_ >= kLongestWork) {
    emscripten_sleep(static_cast<unsigned>(std::max(storyClock_ - now, 0.0)));
    lastYield_ = emscripten_get_now();
  }
}

// Nothing the page does at a time of its own is due: the story goes on (not stopping), no
// backlog or menus over it, no skip key held towards skipping, no auto slot to write.
bool WebPlayer::onlyInputDue() const {
  return context_.shared.stopRunner.load() == 0 && context_.reading.backlogOpen.load() == 0 &&
         !menusOpen_ && ctrlDownAt_ < 0 && !autoSlot_.due() && !ended_;
}

// Resting at a click wait with nothing under way that the runner's next blinks could change:
// no auto, skip, hidden text or original shown.
bool WebPlayer::restingAtWait() const {
  const SharedState& shared = context_.shared;
  const ReadingState& reading = context_.reading;
  return waitTold_ && shared.choice.count.load() == 0 && shared.hideText.load() == 0 &&
         reading.autoAdvance.load() == 0 && reading.skip.load() == int32_t(SkipMode::Off) &&
         reading.showOriginal.load() == 0 && onlyInputDue();
}

// In a loop of the runner's that only input moves on, a whole pass of which (a choice's every
// item) showed nothing new: the runner is left asleep until the reader (or a piece's end) has
// something for it.
bool WebPlayer::restingForInput() const {
  const SharedState& shared = context_.shared;
  return shared.awaitingInput.load() == 1 &&
         quietSleeps_ > std::max(shared.choice.count.load(), 1) && onlyInputDue();
}

bool WebPlayer::takeInput() {
  int32_t event[4];
  bool taken = false;
  bool savesMayChange = false;
  while (!ended_ && nev_take_input(event) != 0) {
    taken = true;
    savesMayChange = savesMayChange || event[0] != kPointerMove;
    if (runMessagePrologue(context_)) {
      storyEnded_ = true;
      stop();
      return taken;
    }
    const int32_t kind = event[0], y = event[2], detail = event[3];
    switch (kind) {
      case kPointerMove:
        onPointerMove(context_, state_.menuBar, y);
        break;
      case kPointerDown:
        if (detail == 0) {
          onPointerMove(context_, state_.menuBar, y);
          stopSkippingByReader(context_, state_);
          onLeftButton(context_, y);
        } else if (detail == 2) {
          onRightButton(context_);
        }
        break;
      case kKeyPressed:
        keyDown(detail, y != 0);
        break;
      case kKeyReleased:
        if (detail == kKeyControl) {
          ctrlDownAt_ = -1;
          skipByCtrl_ = false;
          onSkipKey(context_, state_, false);
        }
        break;
      case kMenuCommand:
        onMenuCommand(context_, state_, window_, detail);
        break;
      case kMenusOpened:
        menusOpen_ = true;
        refreshSaveMenu(context_, state_, window_);
        refreshReadingMenu(context_, state_, window_);
        break;
      case kPadButton:
        if (detail >= int32_t(PadButton::A) && detail <= int32_t(PadButton::AutoShoulder)) {
          onPadButton(context_, state_, window_, {PadButton(detail), y != 0});
        }
        break;
      case kMenusClosed:
        menusOpen_ = false;
        break;
      case kBacklogClosed:
        window_.backlogClosed();
        break;
      case kPageHidden:
        autoSlot_.keep(context_, state_, true, true);
        break;
      default:
        break;
    }
  }
  // A slot saved, loaded or deleted: kept in IndexedDB too.
  if (savesMayChange && !dataFolder_.empty()) storeWebSaves();
  return taken;
}

void WebPlayer::keyDown(int32_t key, bool repeat) {
  if (key != kKeyControl) ctrlDownAt_ = -1;  // Ctrl with another key (Ctrl+C) does not skip
  if (const std::optional<WindowKey> windowKey = windowKeyOf(key)) {
    onWindowKey(context_, state_, window_, *windowKey);
    return;
  }
  switch (key) {
    case kKeyAdvance:
      stopSkippingByReader(context_, state_);
      onLeftButton(context_, context_.shared.mouseY.load());
      break;
    case kKeyUp:
    case kKeyDown:
      if (!moveChoiceLight(context_, key == kKeyUp ? -1 : 1) && key == kKeyUp) {
        onWindowKey(context_, state_, window_, WindowKey::Backlog);
      }
      break;
    case kKeyControl:
      if (!repeat) ctrlDownAt_ = emscripten_get_now();
      break;
    default:
      break;
  }
}

WebPlayer::Presented WebPlayer::paint() {
  Presented presented;
  for (const Rect& area : pendingPaints_) {
    const int32_t left = std::max(area.left, 0), top = std::max(area.top, 0);
    const int32_t right = std::min(area.right, target_.width);
    const int32_t bottom = std::min(area.bottom, target_.height);
    const bool inside = left < right && top < bottom;
    const int32_t width = right - left, height = bottom - top;
    if (inside) {
      before_.resize(size_t(width) * height);
      for (int32_t y = top; y < bottom; ++y) {
        const Pixel* row = client_.data() + size_t(y) * target_.width;
        std::copy(row + left, row + right, before_.begin() + ptrdiff_t(y - top) * width);
      }
    }
    presentPicture(context_, target_, area);
    if (!inside) continue;
    bool same = canvasShowsClient_;
    rgba_.resize(size_t(width) * height * 4);
    uint8_t* out = rgba_.data();
    const Pixel* was = before_.data();
    for (int32_t y = top; y < bottom; ++y) {
      const Pixel* row = client_.data() + size_t(y) * target_.width;
      for (int32_t x = left; x < right; ++x) {
        const Pixel pixel = row[x];
        same = same && pixel == *was++;
        *out++ = uint8_t(pixel >> 16);
        *out++ = uint8_t(pixel >> 8);
        *out++ = uint8_t(pixel);
        *out++ = 255;
      }
    }
    // Handing the canvas the very pixels it shows would still make the browser present a frame.
    if (!same) nev_blit(rgba_.data(), left, top, width, height);
    presented.changed = presented.changed || !same;
    presented.area = pendingPaints_.size() == 1 ? std::optional(Rect{left, top, right, bottom}) : std::nullopt;
  }
  pendingPaints_.clear();
  if (presented.changed) canvasShowsClient_ = true;
  return presented;
}

// The page hears of each wait when ▼ first shows, of each choice once its items are all drawn
// and again when one is picked.
void WebPlayer::tellProgress() {
  const SharedState& shared = context_.shared;
  const ChoiceProgress& choice = shared.choice;
  if (choice.count.load() == 0 && shared.waitingForClick.load() == 1 && shared.clicked.load() == 0) {
    if (!waitTold_) {
      emit("frame", "\"at\":\"wait\"");
      autoSlot_.placeTaken();
    }
    waitTold_ = true;
  } else {
    waitTold_ = false;
  }
  const int32_t serial = choice.serial.load();
  if (choice.count.load() > 0 && serial != choiceTold_ && choice.item.load() == choice.count.load() - 1) {
    choiceTold_ = serial;
    emit("frame", "\"at\":\"choice\"");
    autoSlot_.placeTaken();
  }
  if (serial == choiceTold_ && serial != choiceDecidedTold_ && choice.decided.load()) {
    choiceDecidedTold_ = serial;
    emit("choice", "\"count\":" + std::to_string(choice.count.load()) +
                       ",\"selected\":" + std::to_string(choice.selected.load()));
  }
}

void WebPlayer::emit(const char* type, const std::string& fields) {
  const std::string json = std::string("{\"event\":\"") + type + "\"," + fields + "}";
  nev_emit(type, json.c_str());
}
