#include "backends/headless/warp.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>

#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/headless/headless_player.h"
#include "backends/headless/route_explorer.h"
#include "base/codepage.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/text_file.h"
#include "engine/context.h"
#include "engine/input.h"
#include "engine/script/commands.h"
#include "engine/script/saved_place.h"
#include "engine/story_session.h"
#include "engine/zip_story_files.h"

namespace {

// Routes played at once while looking: enough to use the machine, few enough to stay light.
constexpr unsigned kMostJobs = 8;

Problem lineProblem(const WarpTarget& target, const std::string& why) {
  return Problem{ProblemKind::StoryFile, {}, {},
                 printableText(target.file) + ":" + std::to_string(target.line) + ": " + why, 0,
                 "nev check --routes lists the lines no route reaches"};
}

// Which script lines count as the target: the line itself, and for a label the line after it,
// since a jump reads past its label without carrying it out.
class TargetLines {
 public:
  TargetLines(const StoryFiles& files, std::string resolved, int32_t line, bool label)
      : files_(files), resolved_(std::move(resolved)), line_(line), label_(label) {}

  bool hit(const ScriptCursor& cursor) { return atLine(cursor) && inScript(cursor); }

  // Most lines are told apart by their number alone, without a look at their script's name.
  bool atLine(const ScriptCursor& cursor) const {
    const int32_t line = cursor.linesRead();
    return line == line_ || (label_ && line == line_ + 1);
  }

  bool inScript(const ScriptCursor& cursor) {
    const auto known = scripts_.find(cursor.scriptName());
    if (known != scripts_.end()) return known->second;
    const bool target = files_.resolve(cursor.scriptName()) == resolved_;
    scripts_.emplace(cursor.scriptName(), target);
    return target;
  }

 private:
  const StoryFiles& files_;
  const std::string resolved_;
  const int32_t line_;
  const bool label_;
  std::map<std::string, bool> scripts_;  // as the story names them: the target or not
};

// The fewest picks, then the first in the order routes are numbered: the same for any jobs.
bool fewerPicks(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The first route to the line, as its picks from the story's start; nothing when no route
// reaches it. A line among a choice's items is reached with the choice itself.
std::optional<std::vector<int32_t>> firstRouteTo(const std::string& storyDir,
                                                 const StoryFiles& files, WarpTarget& target,
                                                 const std::string& resolved, bool label,
                                                 bool& limitMet) {
  std::mutex lock;
  std::optional<std::vector<int32_t>> best;
  RoutesOptions explore;
  explore.storyDir = storyDir;
  explore.maxFrames = std::numeric_limits<int32_t>::max();  // no frame is kept
  explore.jobs = int32_t(std::clamp(std::thread::hardware_concurrency(), 1u, kMostJobs));
  TargetLines lines(files, resolved, target.line, label);
  explore.onRouteLine = [&](const ScriptCursor& cursor, const std::vector<int32_t>& picked) {
    if (!lines.atLine(cursor)) return;
    std::lock_guard guard(lock);
    if (lines.inScript(cursor) && (!best || fewerPicks(picked, *best))) best = picked;
  };
  const RoutesReport report = exploreRoutes(explore);
  limitMet = report.limitMet;
  if (best) return best;
  for (const ChoicePoint& choice : report.choices) {
    const bool itemLine = target.line > choice.line &&
                          target.line <= choice.line + int32_t(choice.items.size());
    if (itemLine && files.resolve(choice.file) == resolved) {
      target.line = choice.line;
      return firstRouteTo(storyDir, files, target, resolved, false, limitMet);
    }
  }
  return std::nullopt;
}

struct PlayedTo {
  SavePoint point;
  size_t picked = 0;  // picks made by then
};

// The story played headless with `picks` (then the first item) until `stop` says so at a line,
// and the save point taken last before it; nothing when the play ends first.
std::optional<PlayedTo> playPicksUntil(
    NevContext& context, const std::vector<int32_t>& picks,
    const std::function<bool(const ScriptCursor& cursor, size_t picked)>& stop) {
  PlayedTo to;
  size_t picked = 0;
  bool reached = false;
  HeadlessOptions play;
  play.pickItem = [&](int32_t) {
    const size_t next = picked++;
    return next < picks.size() ? picks[next] : 0;
  };
  play.onScriptLine = [&](const ScriptCursor& cursor) {
    if (reached || !stop(cursor, picked)) return;
    reached = true;
    to.picked = picked;
    std::lock_guard guard(context.savePoints.lock);
    to.point = context.savePoints.latest;
  };
  play.interrupted = [&reached] { return reached; };
  std::ostream nowhere(nullptr);
  playHeadless(context, play, nowhere,
               [](int32_t, const char*, const PixelTarget&) { return true; });
  if (!reached) return std::nullopt;
  return to;
}

StoryBackends headlessBackends() {
  return {[] { return std::make_unique<FreeTypeGlyphRasterizer>(fontconfigFaces()); }, {}};
}

}  // namespace

bool parseWarpTarget(std::string_view text, WarpTarget& target, std::string& error) {
  const size_t colon = text.rfind(':');
  const std::string_view number = colon == std::string_view::npos ? "" : text.substr(colon + 1);
  int64_t line = 0;
  for (char digit : number) {
    if (digit < '0' || digit > '9' || line > 1'000'000'000) {
      line = 0;
      break;
    }
    line = line * 10 + (digit - '0');
  }
  if (colon == 0 || number.empty() || line <= 0 || line > INT32_MAX) {
    error = "--warp takes a script and a line from 1, e.g. start.txt:12";
    return false;
  }
  target.file = std::string(text.substr(0, colon));
  target.line = int32_t(line);
  return true;
}

std::optional<WarpStart> findWarpStart(const std::string& storyDir, const WarpTarget& asked,
                                       int32_t clientWidth, int32_t clientHeight,
                                       std::string_view language, Problem& problem) {
  std::optional<OpenedStory> story = openStoryFolderOrZip(storyDir, problem);
  if (!story) return std::nullopt;
  const StoryFiles& files = *story->files;
  std::unique_ptr<StorySession> session =
      openStory(story->files, headlessBackends(), problem, language);
  if (!session) return std::nullopt;
  NevContext& context = session->context();
  if (clientWidth > 0) onClientSize(context, clientWidth, clientHeight);

  WarpTarget target = asked;
  const std::optional<std::string> resolved = files.resolve(target.file);
  TextFile script;
  if (!resolved || !files.openScript(target.file, script)) {
    problem = lineProblem(target, "the story has no such script");
    return std::nullopt;
  }
  const std::vector<std::string> lines = readScriptLines(script, context.config.scrambledScripts);
  if (target.line > int32_t(lines.size())) {
    problem = lineProblem(target, "the script ends at line " + std::to_string(lines.size()));
    return std::nullopt;
  }
  const std::string& text = lines[size_t(target.line - 1)];
  const bool label = text.size() >= 2 && text[0] == '@' &&
                     commandDefinition(commandForLetter(text[1])).flow == CommandFlow::JumpTarget;
  bool limitMet = false;
  const std::optional<std::vector<int32_t>> picks =
      firstRouteTo(storyDir, files, target, *resolved, label, limitMet);
  if (!picks) {
    // In the coverage report's words, and why the report may not be the last word.
    problem = lineProblem(asked, limitMet ? "no route reaches this line (the routes were explored "
                                            "only up to their limits)"
                                          : "no route reaches this line");
    return std::nullopt;
  }

  // The route again from the start, up to the line: the last save point taken is the start.
  TargetLines targetLines(files, *resolved, target.line, label && target.line == asked.line);
  const std::optional<PlayedTo> played = playPicksUntil(
      context, *picks, [&](const ScriptCursor& cursor, size_t) { return targetLines.hit(cursor); });
  if (!played) {
    problem = lineProblem(asked, "the route that reached this line did not reach it again");
    return std::nullopt;
  }
  WarpStart start;
  start.point = played->point;
  const size_t pickedAtLine = played->picked;
  const bool atChoice = start.point.taken && start.point.kind == SavePointKind::Choice;
  const size_t from = std::min(picks->size(), atChoice && pickedAtLine > 0 ? pickedAtLine - 1
                                                                            : pickedAtLine);
  start.picks.assign(picks->begin() + std::ptrdiff_t(from), picks->end());
  return start;
}

std::optional<SavePoint> replayPicksToLine(std::shared_ptr<const StoryFiles> files,
                                           const std::vector<int32_t>& picks,
                                           const std::string& scriptPath, int32_t line,
                                           std::string_view language) {
  Problem problem;
  std::unique_ptr<StorySession> session = openStory(files, headlessBackends(), problem, language);
  if (!session) return std::nullopt;
  TargetLines lines(*files, scriptPath, line, false);
  const std::optional<PlayedTo> played = playPicksUntil(
      session->context(), picks, [&](const ScriptCursor& cursor, size_t picked) {
        return picked >= picks.size() && cursor.linesRead() >= line && lines.inScript(cursor);
      });
  if (!played) return std::nullopt;
  SavePoint point = played->point;
  point.playerState.clear();  // the window keeps no player's part of its own
  return point;
}
