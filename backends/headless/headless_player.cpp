#include "backends/headless/headless_player.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <thread>

#include "backends/headless/headless_sound.h"
#include "backends/headless/pending_paints.h"
#include "base/codepage.h"
#include "base/save_archive.h"
#include "engine/context.h"
#include "engine/input.h"
#include "engine/gfx/surfaces.h"
#include "engine/script/runner.h"
#include "engine/sound/music.h"

namespace {

constexpr int64_t kLargestClientPixels = int64_t{1} << 26;
// More than a page of text cells or a story's pictures ever leave waiting between two sleeps.
constexpr uint32_t kMostSavedPaints = 1024;

// The player's part of a save point, but for the client's picture, which is written from the
// player's own pixels rather than copied first.
struct SavedPlayer {
  int64_t clock = 0;
  int32_t width = 0, height = 0;
  std::vector<Rect> pendingPaints;
  int32_t mouseY = 0;
  MenuBarState menuBar;
};

void playerSection(SaveArchive& archive, SavedPlayer& player, std::vector<Pixel>& client) {
  archive.i64(player.clock);
  archive.require(player.clock >= 0 && player.clock <= kLongestSavedTime);
  archive.i32(player.width);
  archive.i32(player.height);
  archive.require(player.width > 0 && player.height > 0 &&
                  int64_t{player.width} * player.height <= kLargestClientPixels);
  if (archive.failed()) return;
  archive.pixels(client, size_t(player.width) * size_t(player.height));
  if (!archive.size(player.pendingPaints, kMostSavedPaints)) return;
  for (Rect& area : player.pendingPaints) {
    for (int32_t* edge : {&area.left, &area.top, &area.right, &area.bottom}) archive.i32(*edge);
  }
  archive.i32(player.mouseY);
  archive.flag(player.menuBar.menuBarPinned);
  archive.flag(player.menuBar.menuBarPopped);
}

class HeadlessPlayer {
 public:
  HeadlessPlayer(NevContext& context, const HeadlessOptions& options, std::ostream& events,
                 const FrameSink& keepFrame)
      : context_(context),
        options_(options),
        events_(events),
        keepFrame_(keepFrame),
        sound_([this] { return now_; },
               [this](SoundEvent event, std::string_view name, int32_t loop) {
                 logSound(event, name, loop);
               },
               options.onSoundCue) {
    sound_.setEndOfPieceHandler([this](uint32_t piece) { onMusicNotify(context_, piece); });
    const int32_t width = context.shared.cwinX.load();
    const int32_t height = context.shared.cwinY.load();
    client_.assign(size_t(width) * height, 0);
    target_ = PixelTarget{client_.data(), width, height, width, 0};
    pendingPaints_.push_back(Rect{0, 0, width, height});  // the window's first paint
  }

  void invalidate(const Rect* area) {
    addPendingPaint(pendingPaints_, area == nullptr ? Rect{0, 0, target_.width, target_.height}
                                                    : paintedArea(*area));
  }

  void messageBox(const std::string& text, const std::string& caption) {
    ++result_.boxes;
    if (options_.onBox) options_.onBox(caption, text);
    log("\"event\":\"box\",\"caption\":" + jsonString(caption) + ",\"text\":" + jsonString(text));
  }

  SoundBackend& sound() { return sound_; }

  // What a save point needs of the player to go on exactly from there, written over `state`.
  void state(std::string& state) {
    SavedPlayer saved{now_, target_.width, target_.height, pendingPaints_,
                      context_.shared.mouseY.load(), menuBar_};
    SaveArchive out(std::move(state));
    playerSection(out, saved, client_);
    state = out.takeData();
  }

  // Nothing is changed when the state cannot be restored; `problem` says why. A save without
  // the player's part (the desktop writes none) starts from the player's first picture.
  bool restore(std::string_view bytes, uint32_t version, std::string& problem) {
    if (bytes.empty()) return true;
    SavedPlayer saved;
    std::vector<Pixel> client;
    SaveArchive in(bytes, version);
    playerSection(in, saved, client);
    if (!in.readWhole()) {
      problem = "damaged";
      return false;
    }
    if (saved.width != target_.width || saved.height != target_.height) {
      problem = "made with another client size";
      return false;
    }
    // Merged as the live paints were, and inside the client, which is all a paint shows.
    std::vector<Rect> pending;
    for (const Rect& area : saved.pendingPaints) {
      const Rect inside{std::max(area.left, 0), std::max(area.top, 0),
                        std::min(area.right, target_.width), std::min(area.bottom, target_.height)};
      if (inside.left < inside.right && inside.top < inside.bottom) {
        addPendingPaint(pending, inside);
      }
    }
    now_ = saved.clock;
    startedAt_ = saved.clock;
    client_ = std::move(client);
    target_.pixels = client_.data();
    pendingPaints_ = std::move(pending);
    context_.shared.mouseY = saved.mouseY;
    menuBar_ = saved.menuBar;
    return true;
  }

  void logText(const std::string& script, int32_t line, std::string_view text) {
    log("\"event\":\"text\",\"file\":" + jsonString(cp932ToUtf8Escaped(script)) +
        ",\"line\":" + std::to_string(line) + ",\"text\":" + jsonString(std::string(text)));
  }

  void logLoad(const std::string& file) {
    log("\"event\":\"load\",\"file\":" + jsonString(file));
  }

  void refuseLoad() {
    end(HeadlessEnd::SaveNotLoaded);
  }

  void scriptLine(const ScriptCursor& cursor) {
    if (options_.onScriptLine) options_.onScriptLine(cursor);
    if (++steps_ > options_.limits.maxSteps) end(HeadlessEnd::MaxSteps);
    stopIfAsked();
  }

  void sleep(int32_t milliseconds) {
    if (stopIfAsked()) return;
    const int64_t wakeAt = now_ + (milliseconds > 0 ? milliseconds : 0);
    // A piece that ends during the sleep ends at its own time, so a loop keeps its length.
    for (auto end = sound_.pendingEnd(); end && *end <= wakeAt; end = sound_.pendingEnd()) {
      holdPicture(std::max(now_, *end));
      now_ = std::max(now_, *end);
      if (passedTimeLimit()) return;
      handleMessage();
      if (ended()) return;
      sound_.endPiece();
    }
    holdPicture(wakeAt);
    now_ = wakeAt;
    if (passedTimeLimit()) return;
    handleMessage();
    paint();
    if (ended()) return;
    if (context_.shared.choice.count > 0) {
      driveChoice();
    } else if (context_.shared.waitingForClick.load() == 1 && context_.shared.clicked.load() == 0) {
      if (!holding_) {
        writeFrame("wait");
        if (ended()) return;
        startHold();
      }
      if (holdEnded()) leftClick(context_.shared.mouseY.load());
    } else {
      holding_ = false;  // the wait ended by itself
    }
  }

  // After the runner has returned.
  HeadlessResult finish() {
    if (!ended_) {
      ended_ = true;
      result_.end = context_.shared.endRequested.load() == 1 ? HeadlessEnd::StoryEnd
                                                            : HeadlessEnd::ScriptEnd;
    }
    // The last picture, unless the frames ran out or could not be kept.
    if (result_.end != HeadlessEnd::MaxFrames && result_.end != HeadlessEnd::FrameNotKept &&
        result_.end != HeadlessEnd::SaveNotLoaded && result_.end != HeadlessEnd::Stopped &&
        result_.end != HeadlessEnd::Interrupted) {
      paint();
      writeFrame("end");
    }
    log("\"event\":\"end\",\"reason\":" + jsonString(endReasonName(result_.end)));
    flushLog();
    return result_;
  }

 private:
  bool ended() const { return ended_; }

  void end(HeadlessEnd reason) {
    if (ended_) return;
    ended_ = true;
    result_.end = reason;
    context_.shared.stopRunner = 1;
  }

  // True when the run ends here because it was asked to.
  bool stopIfAsked() {
    if (ended_ || !options_.interrupted || !options_.interrupted()) return false;
    end(HeadlessEnd::Interrupted);
    return true;
  }

  bool passedTimeLimit() {
    if (now_ - startedAt_ > options_.limits.maxTime) end(HeadlessEnd::MaxTime);
    return ended();
  }

  // Every message the window handles runs the prologue first; an end request ends here.
  void handleMessage() {
    if (runMessagePrologue(context_)) end(HeadlessEnd::StoryEnd);
  }

  void holdPicture(int64_t until) {
    if (options_.onPictureHeld && until > now_) options_.onPictureHeld(now_, until, target_);
  }

  // The reader looks at the wait or choice for a while before clicking.
  void startHold() {
    holding_ = true;
    holdUntil_ = now_;
    if (options_.clickHold) holdUntil_ += options_.clickHold(context_.reading.lastLineUnits);
  }

  bool holdEnded() const { return now_ >= holdUntil_; }

  void leftClick(int32_t y) {
    holding_ = false;
    handleMessage();
    onLeftButton(context_, y);
  }

  void paint() {
    for (const Rect& area : pendingPaints_) presentPicture(context_, target_, area);
    pendingPaints_.clear();
  }

  void driveChoice() {
    const ChoiceProgress& choice = context_.shared.choice;
    if (choice.serial != choiceSerial_) {
      choiceSerial_ = choice.serial;
      choicePhase_ = ChoicePhase::LearningBands;
    }
    switch (choicePhase_) {
      case ChoicePhase::LearningBands:
        // Every band is known once the first pass has drawn the last item.
        if (choice.item == choice.count - 1) {
          const size_t next = choicesUsed_++;
          pick_ = next < options_.choices.size() ? options_.choices[next] : 0;
          if (options_.pickItem) {
            pick_ = options_.pickItem(choice.count);
            if (pick_ < 0) {
              end(HeadlessEnd::Stopped);
              return;
            }
          }
          if (pick_ < 0 || pick_ >= choice.count) pick_ = 0;
          if (choice.bandTop[pick_] > choice.bandBottom[pick_]) {
            log("\"event\":\"choice-unreachable\",\"count\":" + std::to_string(choice.count) +
                ",\"item\":" + std::to_string(pick_));
            end(HeadlessEnd::UnreachableChoice);
            return;
          }
          pointerY_ = static_cast<int32_t>(
              (int64_t{choice.bandTop[pick_]} + choice.bandBottom[pick_]) / 2);
          handleMessage();
          onPointerMove(context_, menuBar_, pointerY_);
          choicePhase_ = ChoicePhase::Pointing;
        }
        break;
      case ChoicePhase::Pointing:
        if (choice.item == pick_ && choice.highlighted) {
          if (!holding_) {
            writeFrame("choice");
            if (ended()) return;
            startHold();
          }
          if (!holdEnded()) break;
          leftClick(pointerY_);
          choicePhase_ = ChoicePhase::Clicked;
        }
        break;
      case ChoicePhase::Clicked:
        if (choice.decided) {
          log("\"event\":\"choice\",\"count\":" + std::to_string(choice.count) +
              ",\"selected\":" + std::to_string(choice.selected));
          choicePhase_ = ChoicePhase::Done;
        }
        break;
      case ChoicePhase::Done:
        break;
    }
  }

  void writeFrame(const char* at) {
    const int32_t number = result_.frames + 1;
    if (!keepFrame_(number, at, target_)) {
      // Whatever ended the run before, a frame lost is what the caller must hear of.
      ended_ = true;
      result_.end = HeadlessEnd::FrameNotKept;
      context_.shared.stopRunner = 1;
      return;
    }
    ++result_.frames;
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", number);
    log("\"event\":\"frame\",\"file\":" + jsonString(name) + ",\"at\":" + jsonString(at));
    flushLog();
    if (result_.frames >= options_.limits.maxFrames) end(HeadlessEnd::MaxFrames);
  }

  void logSound(SoundEvent event, std::string_view name, int32_t loop) {
    const std::string text = jsonString(cp932ToUtf8Escaped(name));
    switch (event) {
      case SoundEvent::Music:
      case SoundEvent::MusicReplay:
        log("\"event\":\"music\",\"file\":" + text + ",\"loop\":" + std::to_string(loop) +
            (event == SoundEvent::MusicReplay ? ",\"replay\":true" : ""));
        break;
      case SoundEvent::MusicStop:
        log("\"event\":\"music-stop\"");
        break;
      case SoundEvent::Sound:
        log("\"event\":\"sound\",\"name\":" + text);
        break;
    }
  }

  // Lines wait here and reach the stream whole, at each frame, at the end and whenever
  // enough have gathered: a write per line was a good part of a long run's time, and a run
  // cut short still leaves a log of whole lines.
  void log(const std::string& fields) {
    pendingLog_ += "{\"t\":";
    pendingLog_ += std::to_string(now_);
    pendingLog_ += ',';
    pendingLog_ += fields;
    pendingLog_ += "}\n";
    if (pendingLog_.size() >= kLogChunk) flushLog();
  }

  void flushLog() {
    events_.write(pendingLog_.data(), std::streamsize(pendingLog_.size()));
    events_.flush();
    pendingLog_.clear();
  }

  static constexpr size_t kLogChunk = 64 * 1024;

  enum class ChoicePhase { LearningBands, Pointing, Clicked, Done };

  NevContext& context_;
  const HeadlessOptions& options_;
  std::ostream& events_;
  const FrameSink& keepFrame_;
  std::vector<Pixel> client_;
  PixelTarget target_;
  std::vector<Rect> pendingPaints_;
  std::string pendingLog_;
  MenuBarState menuBar_;
  int64_t now_ = 0;
  int64_t startedAt_ = 0;  // the clock's reading at the start or the load
  int64_t steps_ = 0;
  bool ended_ = false;
  HeadlessResult result_;
  int32_t choiceSerial_ = 0;
  ChoicePhase choicePhase_ = ChoicePhase::Done;
  size_t choicesUsed_ = 0;
  int32_t pick_ = 0;
  int32_t pointerY_ = 0;
  bool holding_ = false;  // a wait's or choice's frame is written; its click is to come
  int64_t holdUntil_ = 0;
  HeadlessSound sound_;
};

}  // namespace

const char* endReasonName(HeadlessEnd end) {
  switch (end) {
    case HeadlessEnd::StoryEnd:
      return "E";
    case HeadlessEnd::ScriptEnd:
      return "script";
    case HeadlessEnd::MaxFrames:
      return "max-frames";
    case HeadlessEnd::MaxSteps:
      return "max-steps";
    case HeadlessEnd::MaxTime:
      return "max-time";
    case HeadlessEnd::UnreachableChoice:
      return "choice-unreachable";
    case HeadlessEnd::FrameNotKept:
      return "frame-not-written";
    case HeadlessEnd::SaveNotLoaded:
      return "save-not-loaded";
    case HeadlessEnd::Stopped:
      return "stopped";
    case HeadlessEnd::Interrupted:
      return "interrupted";
  }
  return "";
}

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : validUtf8Escaped(utf8)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

HeadlessResult playHeadless(NevContext& context, const HeadlessOptions& options,
                            std::ostream& events, const FrameSink& keepFrame) {
  HeadlessPlayer player(context, options, events, keepFrame);
  PlatformServices& platform = context.platform;
  platform.invalidate = [&player](const Rect* area) { player.invalidate(area); };
  platform.messageBox = [&player](const std::string& text, const std::string& caption,
                                  const std::string&) {
    player.messageBox(text, caption);
  };
  platform.sleep = [&player](int32_t milliseconds) { player.sleep(milliseconds); };
  platform.scriptLine = [&player](const ScriptCursor& cursor) { player.scriptLine(cursor); };
  platform.playerState = [&player](std::string& state) { player.state(state); };
  platform.lineTyped = [&player, &options](const std::string& script, int32_t line,
                                           std::string_view text) {
    player.logText(script, line, text);
    if (options.onLineTyped) options.onLineTyped(text);
  };
  platform.sound = &player.sound();

  const bool loading = context.resumeAt.taken;
  std::string loadProblem;
  if (loading && !player.restore(context.resumeAt.playerState, context.resumeAt.playerStateVersion,
                                 loadProblem)) {
    player.refuseLoad();
  } else {
    if (loading) player.logLoad(options.loadedFrom);
    ScriptRunner runner(context);
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // A build without threads: the player's part runs at each sleep on this same stack anyway.
    runner.run();
#else
    std::thread thread([&runner] { runner.run(); });
    thread.join();
#endif
  }
  HeadlessResult result = player.finish();
  result.loadProblem = loadProblem;
  releasePlayerSeams(platform);
  return result;
}
