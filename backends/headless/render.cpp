#include "backends/headless/render.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "engine/context.h"
#include "engine/input.h"
#include "engine/gfx/surfaces.h"
#include "base/codepage.h"
#include "backends/qt/png_file.h"
#include "backends/qt/qt_glyph_rasterizer.h"
#include "engine/script/arguments.h"
#include "backends/headless/headless_sound.h"
#include "engine/sound/music.h"
#include "engine/text/message_window.h"

namespace fs = std::filesystem;

namespace {

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Plays the reader's part and the window's, on the runner's thread, whenever the runner sleeps.
class HeadlessPlayer {
 public:
  HeadlessPlayer(NevContext& context, const RenderOptions& options, std::ofstream& events)
      : context_(context),
        options_(options),
        events_(events),
        sound_([this] { return now_; },
               [this](SoundEvent event, std::string_view name, int32_t loop) {
                 logSound(event, name, loop);
               }) {
    sound_.setEndOfPieceHandler([this](uint32_t piece) { onMusicNotify(context_, piece); });
    const int32_t width = context.words.cwinX.load();
    const int32_t height = context.words.cwinY.load();
    client_.assign(size_t(width) * height, 0);
    target_ = PixelTarget{client_.data(), width, height, width, 0};
    pendingPaints_.push_back(Rect{0, 0, width, height});  // the window's first paint
  }

  void invalidate(const Rect* area) {
    const int32_t width = target_.width, height = target_.height;
    pendingPaints_.push_back(area == nullptr ? Rect{0, 0, width, height} : paintedArea(*area));
  }

  void messageBox(const std::string& text, const std::string& caption) {
    ++boxes_;
    log("\"event\":\"box\",\"caption\":" + jsonString(caption) + ",\"text\":" + jsonString(text));
  }

  SoundBackend& sound() { return sound_; }

  void sleep(int32_t milliseconds) {
    const int64_t wakeAt = now_ + (milliseconds > 0 ? milliseconds : 0);
    // A piece that ends during the sleep ends at its own time, so a loop keeps its length.
    for (auto end = sound_.pendingEnd(); end && *end <= wakeAt; end = sound_.pendingEnd()) {
      now_ = std::max(now_, *end);
      handleMessage();
      if (ended()) return;
      sound_.endPiece();
    }
    now_ = wakeAt;
    handleMessage();
    paint();
    if (ended()) return;
    if (context_.runner.choice.count > 0) {
      driveChoice();
    } else if (context_.words.waitingForClick.load() == 1 && context_.words.clicked.load() == 0) {
      writeFrame("wait");
      if (!ended()) leftClick(context_.words.mouseY.load());
    }
  }

  // After the runner has returned.
  void finish() {
    if (endReason_.empty()) endReason_ = context_.words.endRequested.load() == 1 ? "E" : "script";
    paint();
    if (endReason_ != "max-frames") writeFrame("end");
    log("\"event\":\"end\",\"reason\":" + jsonString(endReason_));
  }

  int exitStatus() const {
    if (endReason_ == "max-frames") return 3;
    return boxes_ > 0 ? 2 : 0;
  }

  int32_t frames() const { return frames_; }

 private:
  bool ended() const { return !endReason_.empty(); }

  void end(const char* reason) {
    if (endReason_.empty()) endReason_ = reason;
    context_.words.stopRunner = 1;
  }

  // Every message the window handles runs the prologue first; an end request ends here.
  void handleMessage() {
    if (runMessagePrologue(context_)) end("E");
  }

  void leftClick(int32_t y) {
    handleMessage();
    onLeftButton(context_, y);
  }

  void paint() {
    for (const Rect& area : pendingPaints_) presentPicture(context_, target_, area);
    pendingPaints_.clear();
  }

  void driveChoice() {
    const ChoiceProgress& choice = context_.runner.choice;
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
          if (pick_ < 0 || pick_ >= choice.count) pick_ = 0;
          pointerY_ = (choice.bandTop[pick_] + choice.bandBottom[pick_]) / 2;
          handleMessage();
          onPointerMove(context_, menuBar_, pointerY_);
          choicePhase_ = ChoicePhase::Pointing;
        }
        break;
      case ChoicePhase::Pointing:
        if (choice.item == pick_ && choice.highlighted) {
          writeFrame("choice");
          if (ended()) return;
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
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", frames_ + 1);
    writePngFile((fs::path(options_.outDir) / name).string(), client_.data(), target_.width,
                 target_.height);
    ++frames_;
    log("\"event\":\"frame\",\"file\":" + jsonString(name) + ",\"at\":" + jsonString(at));
    if (frames_ >= options_.maxFrames) end("max-frames");
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

  void log(const std::string& fields) {
    events_ << "{\"t\":" << now_ << "," << fields << "}\n";
    events_.flush();
  }

  enum class ChoicePhase { LearningBands, Pointing, Clicked, Done };

  NevContext& context_;
  const RenderOptions& options_;
  std::ofstream& events_;
  std::vector<Pixel> client_;
  PixelTarget target_;
  std::vector<Rect> pendingPaints_;
  MenuBarState menuBar_;
  int64_t now_ = 0;
  int32_t frames_ = 0;
  int32_t boxes_ = 0;
  std::string endReason_;
  int32_t choiceSerial_ = 0;
  ChoicePhase choicePhase_ = ChoicePhase::Done;
  size_t choicesUsed_ = 0;
  int32_t pick_ = 0;
  int32_t pointerY_ = 0;
  HeadlessSound sound_;
};

// Frames of an earlier run would be mistaken for this one's (the log is written afresh).
void clearEarlierOutput(const fs::path& outDir) {
  static const std::regex kFrameName("[0-9]{4}\\.png");
  std::error_code error;
  for (fs::directory_iterator it(outDir, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (std::regex_match(name, kFrameName)) fs::remove(it->path(), error);
  }
}

}  // namespace

int renderStory(const RenderOptions& options) {
  std::error_code error;
  fs::create_directories(options.outDir, error);
  clearEarlierOutput(options.outDir);
  std::ofstream events(fs::path(options.outDir) / "events.jsonl", std::ios::trunc);
  if (error || !events) {
    std::fprintf(stderr, "nev: cannot write to %s\n", options.outDir.c_str());
    return 1;
  }

  if (chdir(options.storyDir.c_str()) != 0) {
    std::fprintf(stderr, "nev: cannot open story folder %s\n", options.storyDir.c_str());
    return 1;
  }
  auto context = makeContext();
  if (auto problem = readConfig(context->config)) {
    printMessageBox(problem->text, problem->caption);
    return 1;
  }

  ensureGuiApplication();
  QtGlyphRasterizer glyphs;
  context->platform.glyphs = &glyphs;
  createMessageFont(*context);
  onClientSize(*context, options.clientWidth > 0 ? options.clientWidth : context->config.screenWidth,
               options.clientHeight > 0 ? options.clientHeight : context->config.screenHeight);

  HeadlessPlayer player(*context, options, events);
  context->platform.invalidate = [&player](const Rect* area) { player.invalidate(area); };
  context->platform.messageBox = [&player](const std::string& text, const std::string& caption) {
    player.messageBox(text, caption);
  };
  context->platform.sleep = [&player](int32_t milliseconds) { player.sleep(milliseconds); };
  context->platform.sound = &player.sound();

  createDisplaySurface(*context);
  const RunnerOperations operations = standardRunnerOperations(*context);
  std::thread runner([&] { ScriptRunner(*context, operations); });
  runner.join();
  player.finish();
  releaseSurfaces(*context);
  releaseGuiApplication();
  return player.exitStatus();
}
