#pragma once
// The headless player: the reader's part and the window's, played on the runner's thread
// whenever the runner sleeps, on a virtual clock. It clicks through waits, picks the items it
// is given at choices, and hands each frame at a wait or choice to its caller. The same story
// always gives the same frames and the same log.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "backends/headless/headless_sound.h"
#include "base/surface.h"
#include "engine/script/script_cursor.h"

struct NevContext;

struct HeadlessLimits {
  int32_t maxFrames = 10000;
  // Script lines carried out, and virtual milliseconds: far beyond any real story, so that
  // only a story that loops without end meets them.
  int64_t maxSteps = 1'000'000;
  int64_t maxTime = 24 * 3600 * 1000LL;
};

struct HeadlessOptions {
  std::vector<int32_t> choices;  // the item to pick at each choice, in order; then 0
  HeadlessLimits limits;
  // Named in the log's first event when the run goes on from context.resumeAt.
  std::string loadedFrom;
  // For a caller exploring the story, on the runner's thread. At each choice once its bands
  // are known: the item to pick (instead of `choices`), or -1 to end the run there.
  std::function<int32_t(int32_t count)> pickItem;
  // Each script line as the runner carries it out (its cursor tells which), each line typed,
  // each box.
  std::function<void(const ScriptCursor& cursor)> onScriptLine;
  std::function<void(std::string_view text)> onLineTyped;
  std::function<void(const std::string& caption, const std::string& text)> onBox;
  // Asked at each script line and sleep: true ends the run there, as a limit would.
  std::function<bool()> interrupted;

  // For a player that shows time passing, as a video does. The client's picture, which stays
  // as it is from `from` until the clock reaches `until`, told before the clock moves on.
  std::function<void(int64_t from, int64_t until, const PixelTarget& client)> onPictureHeld;
  // Each piece of music and sound effect as it starts or stops, with its file.
  std::function<void(const SoundCue& cue)> onSoundCue;
  // How long the reader looks at a click wait or choice before clicking, in virtual
  // milliseconds, from the characters of the line before it; unset: clicked at once.
  std::function<int64_t(int32_t units)> clickHold;
};

// A frame of the client area, numbered from 1, taken at a "wait", "choice" or at the "end".
// False when it could not be kept: the run ends there.
using FrameSink = std::function<bool(int32_t number, const char* at, const PixelTarget& client)>;

enum class HeadlessEnd {
  StoryEnd,        // @E
  ScriptEnd,       // the runner ran out of lines
  MaxFrames,
  MaxSteps,
  MaxTime,
  UnreachableChoice,  // the item to pick has no hit band: no pointer position can pick it
  FrameNotKept,
  SaveNotLoaded,  // the player's part of the save point cannot be restored
  Stopped,        // pickItem ended the run at a choice
  Interrupted,    // options.interrupted said so
};

struct HeadlessResult {
  HeadlessEnd end = HeadlessEnd::ScriptEnd;
  int32_t frames = 0;
  int32_t boxes = 0;
  std::string loadProblem;  // why, at SaveNotLoaded
};

// The word the log uses for an end.
const char* endReasonName(HeadlessEnd end);

// Plays the story the context was opened on, or goes on from context.resumeAt when it is taken: its
// clock, picture and pending paints as they were when the save point was taken. `context` holds its configuration, its message font
// and its client size; the player fills in the host seams. Each log line goes to `events`.
HeadlessResult playHeadless(NevContext& context, const HeadlessOptions& options,
                            std::ostream& events, const FrameSink& keepFrame);

// A string as a JSON string literal; control bytes as \u escapes, a byte that is no UTF-8 as
// the text \xNN.
std::string jsonString(const std::string& utf8);
