#pragma once
// WebPlayer: the page's window, played on the runner's own stack. The page has one thread, so
// the runner runs on it under Asyncify, and at each sleep the player does what a window thread
// would: takes the reader's input the page queued, presents pending paints to the canvas, tells
// the page what happened, and gives control back to the browser only when the story's clock is
// ahead of the page's or the work has gone on long enough — never at every tiny sleep.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backends/web/page_blink.h"
#include "backends/web/web_saves.h"
#include "backends/web/web_window.h"
#include "base/surface.h"
#include "engine/save_point.h"
#include "shell/window_proc.h"

struct NevContext;
class SoundBackend;

class WebPlayer {
 public:
  // `sound` plays the story's music and effects; `atEachSleep` is called at each sleep on the
  // runner's stack (a sound backend's queued ends of pieces are delivered there).
  WebPlayer(NevContext& context, SoundBackend& sound, std::function<void()> atEachSleep = {});
  ~WebPlayer();
  WebPlayer(const WebPlayer&) = delete;
  WebPlayer& operator=(const WebPlayer&) = delete;

  // The reader's saves and read marks in `dataFolder`; `resume` answers the question whether
  // to go on from the auto slot (1 yes, 0 no, -1 ask). Without it the story cannot be saved.
  void keepSavesIn(std::string dataFolder, int resume);

  // The translation being read (empty: the original), checked in the 言語 menu.
  void readIn(std::string language) { state_.language = std::move(language); }
  // The language the reader chose in the 言語 menu, and the place to go on from in it; nothing
  // when the reading ended otherwise.
  struct LanguageChoice {
    std::string code;
    SavePoint place;
  };
  const std::optional<LanguageChoice>& languageChosen() const { return languageChosen_; }

  // Plays until the story ends, the page closes it or the reader chooses another language; the
  // end's word ("E", "script", "language").
  std::string play();

 private:
  void sleep(int32_t milliseconds);
  void yieldUntilStoryClock(int32_t milliseconds);
  bool onlyInputDue() const;
  bool restingAtWait() const;
  bool restingForInput() const;
  void invalidate(const Rect* area);
  // Whether there was any.
  bool takeInput();
  void keyDown(int32_t key, bool repeat);
  struct Presented {
    std::optional<Rect> area;  // the one area painted, when there was exactly one
    bool changed = false;      // whether the canvas shows anything new
  };
  // Presents the pending paints; an area the canvas already shows as it is is not handed to it.
  Presented paint();
  void tellProgress();
  void emit(const char* type, const std::string& fields);
  void stop();

  NevContext& context_;
  std::function<void()> atEachSleep_;
  WebWindow window_;
  WindowState state_;
  std::vector<Pixel> client_;
  std::vector<uint8_t> rgba_;
  std::vector<Pixel> before_;  // an area of client_ as the canvas showed it before a paint
  // The canvas shows client_ (false at first, and after the page blinked the marker itself).
  bool canvasShowsClient_ = false;
  // Sleeps in a row that showed nothing new and took no input.
  int32_t quietSleeps_ = 0;
  PixelTarget target_;
  std::vector<Rect> pendingPaints_;
  PageBlink pageBlink_;
  // Flips of the marker the page showed that the runner still makes, at once and unseen, so
  // that it stands where the page does; input is taken at the last.
  int64_t flipsOwed_ = 0;
  double storyClock_ = 0;  // page ms the story has slept up to
  double lastYield_ = 0;
  double ctrlDownAt_ = -1;  // the skip key held since; -1: not held
  bool skipByCtrl_ = false;
  bool ended_ = false;
  bool storyEnded_ = false;  // the script's end request was taken (the prologue clears it)
  bool waitTold_ = false;
  bool menusOpen_ = false;  // the page's menus over the picture hold the story
  int32_t choiceTold_ = 0;
  int32_t choiceDecidedTold_ = 0;
  std::optional<SavePoint> restartAt_;
  std::optional<LanguageChoice> languageChosen_;
  std::string readingMarkShown_;  // the SKIP / AUTO mark the page shows
  std::string dataFolder_;
  int resume_ = -1;
  WebAutoSlot autoSlot_;
};
