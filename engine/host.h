#pragma once
// What the story player asks of the machine: message boxes, repaints of the main window,
// sleeping, glyphs, music and sound effects. The desktop shell and the headless player each
// fill these in; what they leave alone is a null object (a box on stderr, the real clock, no
// glyphs, silence), so the engine never asks whether a seam is there.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/font.h"
#include "base/problem.h"
#include "base/surface.h"

class ScriptCursor;
class StoryFiles;

// Failures are reported in modal boxes with one OK button. A box blocks only the thread that
// shows it. Text and caption are UTF-8; callers convert story bytes with cp932ToUtf8. `details`
// go in the box's details area, out of the way; empty: the box has none.
using MessageBoxFunction = std::function<void(const std::string& text, const std::string& caption,
                                              const std::string& details)>;

// Without a window: the box is one line on standard error, and OK is pressed at once. The
// details are left out: the problem's own line has just said them.
void printMessageBox(const std::string& text, const std::string& caption,
                     const std::string& details = {});

// Every failure the reader is told of: the box keeps the system's terse text ("nev.ini") with
// the full path and what to do in its details, and a terminal or a log first gets
// "nev: <detail>; <advice>", one plain line. A problem that shows no box is that line alone.
void reportProblem(const MessageBoxFunction& showBox, const Problem& problem);
// The line alone, where no box can be shown.
void printProblem(const Problem& problem);

// Sleeps on the real clock.
void sleepMilliseconds(int32_t milliseconds);

// A close request for this identifier closes every music device.
inline constexpr uint32_t kAllMusicDevices = 0xFFFFFFFF;

// Told with the number of the piece whose music data has ended; called on a thread of the
// backend's own, so the owner passes it on to the window thread.
using EndOfPieceHandler = std::function<void(uint32_t piece)>;

// What the system is doing with sound, for players that keep a log.
enum class SoundEvent { Music, MusicReplay, MusicStop, Sound };

// Music devices that each play one MIDI file and tell when its data has ended, and one
// channel of sound effects.
class SoundBackend {
 public:
  virtual ~SoundBackend() = default;

  // Set before the first piece plays.
  virtual void setEndOfPieceHandler(EndOfPieceHandler handler) = 0;
  // Opens the MIDI file a story names, from its files, on a new device. 0 with `deviceId` set,
  // or an error code.
  virtual uint32_t openMusic(const StoryFiles& files, const std::string& fileName,
                             uint32_t& deviceId) = 0;
  // Plays an open device from its beginning; when its data has ended, the end-of-piece
  // handler hears `piece`. 0, or an error code.
  virtual uint32_t playMusic(uint32_t deviceId, uint32_t piece) = 0;
  // How far into its piece a playing device is, in milliseconds; nothing when it is not
  // playing or cannot tell.
  virtual std::optional<int64_t> musicPosition(uint32_t /*deviceId*/) { return std::nullopt; }
  // As playMusic, from `position` milliseconds in where the backend can seek there.
  virtual uint32_t playMusicFrom(uint32_t deviceId, uint32_t piece, int64_t /*position*/) {
    return playMusic(deviceId, piece);
  }
  // Stops and releases the device, or every device for kAllMusicDevices; no end is told.
  virtual uint32_t closeMusic(uint32_t deviceId) = 0;
  // Starts a sound effect by its story name, from its files, stopping the one before; music
  // goes on.
  virtual void playSound(const StoryFiles& files, const std::string& name) = 0;
  virtual void note(SoundEvent, std::string_view /*name*/, int32_t /*loop*/) {}
  // Percent of full volume for the music and for the sound effects.
  virtual void setVolumes(int32_t /*music*/, int32_t /*sound*/) {}
};

// No audio: no device opens, so a story's music fails quietly as on a machine without one.
class SilentSound final : public SoundBackend {
 public:
  void setEndOfPieceHandler(EndOfPieceHandler) override {}
  uint32_t openMusic(const StoryFiles&, const std::string&, uint32_t&) override { return 1; }
  uint32_t playMusic(uint32_t, uint32_t) override { return 1; }
  uint32_t closeMusic(uint32_t) override { return 1; }
  void playSound(const StoryFiles&, const std::string&) override {}
};

// No font system: every font can be made and every glyph is empty.
class NoGlyphs final : public GlyphRasterizer {
 public:
  GlyphMask rasterize(const FontSpec&, const std::string&) override { return {}; }
  bool canMake(const FontSpec&) override { return true; }
};

// Stateless, so one of each serves every context.
SoundBackend& silentSound();
GlyphRasterizer& noGlyphs();

struct PlatformServices {
  MessageBoxFunction messageBox = printMessageBox;
  // Marks client pixels for a later paint on the window thread, without erasing; a null area
  // means the whole client area. Callable from any thread.
  std::function<void(const Rect* clientArea)> invalidate = [](const Rect*) {};
  // Pauses the calling thread; the headless player advances a virtual clock instead.
  std::function<void(int32_t milliseconds)> sleep = sleepMilliseconds;
  // Told of every script line the runner carries out (the cursor holds it), so a player can
  // bound a story that loops without ever waiting. On the runner's thread.
  std::function<void(const ScriptCursor& cursor)> scriptLine = [](const ScriptCursor&) {};
  // Told of each text line once it is typed (its script, 1-based line and its text in UTF-8, as
  // the reader reads it, without the line feed), and of each choice's items (UTF-8 likewise) as
  // the choice begins: for logs and other tools.
  std::function<void(const std::string& script, int32_t line, std::string_view text)> lineTyped =
      [](const std::string&, int32_t, std::string_view) {};
  std::function<void(const std::vector<std::string>& items)> choiceOffered =
      [](const std::vector<std::string>&) {};
  // What a player itself must keep in a save point to go on from it exactly (the headless
  // player's clock and picture); asked on the runner's thread as each save point is taken,
  // written over the save point's own bytes so that their room is used again.
  std::function<void(std::string& state)> playerState = [](std::string& state) { state.clear(); };
  GlyphRasterizer* glyphs = &noGlyphs();
  SoundBackend* sound = &silentSound();
};

// A player gone: every seam it filled in goes back to the null objects; the glyphs stay the
// story's own.
void releasePlayerSeams(PlatformServices& platform);
