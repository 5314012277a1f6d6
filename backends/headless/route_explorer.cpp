#include "backends/headless/route_explorer.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/headless/headless_player.h"
#include "base/codepage.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/png_file.h"
#include "base/story_files.h"
#include "base/text_file.h"
#include "engine/context.h"
#include "engine/zip_story_files.h"
#include "engine/script/arguments.h"
#include "engine/script/commands.h"
#include "engine/script/runner.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kFrameShrink = 4;  // storyboard frames are a quarter of the picture's size

// Where a choice stands: its script, the lines read to its end, and the layout that decides
// which items can be hit at all.
struct ChoiceKey {
  std::string file;
  int32_t linesRead = 0;
  std::array<int32_t, kTextWindowFields> layout = {};
  auto operator<=>(const ChoiceKey&) const = default;
};

// An explored choice as its waiting items go on from it: one for all of them, so that a choice
// of many items costs one save point.
struct ChoiceSpot {
  SavePoint point;
  std::vector<int32_t> picked;  // before this choice
  std::vector<int32_t> pickedAt;
  std::vector<ChoiceKey> path;  // the choice points on the way here, this one last
};

// The lines a route carried out, and the files it named (found in the folder once the
// exploration is over, not as each line runs).
struct Coverage {
  std::set<std::pair<std::string, int32_t>> lines;  // folded script name, line from 1
  std::map<std::string, std::string> scripts;       // folded → as the story named it
  std::set<std::string> namedFiles;                 // as the story named them
};

void noteNamedFile(Coverage& coverage, const char* name) {
  if (name != nullptr) coverage.namedFiles.emplace(withoutLineEnd(name));
}

// The line, and the pictures, music and sounds a command line names; the scripts a route reads
// are noted as it reads them.
void noteLine(Coverage& coverage, const ScriptCursor& script) {
  const std::string file = foldAsciiCase(script.scriptName());
  coverage.scripts.emplace(file, script.scriptName());
  coverage.lines.insert({file, script.linesRead()});
  const char* line = script.line();
  if (line[0] != '@') return;
  char copy[kScriptLineSize];
  std::snprintf(copy, sizeof copy, "%s", line + 2);
  char* cursor = copy;
  for (ArgumentKind kind : commandDefinition(commandForLetter(line[1])).arguments) {
    const char* argument = nextArgument(cursor);
    if (kind == ArgumentKind::PictureFile || kind == ArgumentKind::MusicFile ||
        kind == ArgumentKind::SoundFile) {
      noteNamedFile(coverage, argument);
    }
  }
}

// A folder entry's name as text: kept when it is UTF-8 already, else read as code page 932.
std::string entryNameText(const std::string& name) {
  const std::string asUtf8 = validUtf8Escaped(name);
  return asUtf8 == name ? name : cp932ToUtf8Escaped(name);
}

// A route's folder and frames once its turn has named them, written outside the exploration's
// lock so that the other jobs play on meanwhile.
struct RouteFiles {
  fs::path folder;
  std::vector<std::pair<fs::path, std::vector<uint8_t>>> frames;
};

struct PlayedFrame {
  std::vector<uint8_t> png;  // the storyboard's small picture; empty when nothing is written
  std::string text;
};

// A save point's room for pictures and bytes, emptied of everything else.
SavePoint roomOf(SavePoint&& point) {
  SavePoint room;
  for (auto pixels : {&SavePoint::display, &SavePoint::compose, &SavePoint::overlay}) {
    room.*pixels = std::move(point.*pixels);
    (room.*pixels).clear();
  }
  room.playerState = std::move(point.playerState);
  room.playerState.clear();
  return room;
}

// One route: queued, played (perhaps before its turn), then taken into the report at its turn.
struct RouteRun {
  enum class State { Queued, Playing, Played };
  State state = State::Queued;
  std::shared_ptr<const ChoiceSpot> from;  // none: the story's start
  int32_t item = 0;
  ExploredRoute route;
  std::vector<ChoiceKey> path;
  Coverage coverage;
  std::vector<PlayedFrame> frames;
  int32_t boxes = 0;
  bool limitMet = false;
  bool cannotStart = false;
  bool dropped = false;  // its turn would come past --max-routes
};

class Explorer {
 public:
  Explorer(const RoutesOptions& options, std::shared_ptr<const StoryFiles> files,
           RoutesReport& report)
      : options_(options), files_(std::move(files)), report_(report) {}

  void run() {
    head_ = std::make_shared<RouteRun>();
    // A route waiting at a choice for its turn keeps its thread but not its job, so that as many
    // routes again may wait while the jobs play on; one job plays no route ahead of its turn.
    const int32_t threads = jobs_ > 1 ? 2 * jobs_ : 1;
    std::vector<std::thread> helpers;
    for (int32_t thread = 1; thread < threads; ++thread) helpers.emplace_back([this] { work(); });
    work();
    for (std::thread& helper : helpers) helper.join();
    if (report_.startProblem.empty()) findUncovered();
  }

 private:
  // Plays routes while a job is free until the exploration is over: the route whose turn it is
  // first, else the queued route nearest its turn.
  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (finished_) return;
      const std::shared_ptr<RouteRun> run = playing_ < jobs_ ? nextToPlay() : nullptr;
      if (!run) {
        changed_.wait(lock);
        continue;
      }
      run->state = RouteRun::State::Playing;
      ++playing_;
      lock.unlock();
      play(*run);
      lock.lock();
      --playing_;
      run->state = RouteRun::State::Played;
      if (run == head_) takeTurns();
      if (!unwritten_.empty()) writeTurns(lock);
      changed_.notify_all();
    }
  }

  std::shared_ptr<RouteRun> nextToPlay() const {
    if (head_ && head_->state == RouteRun::State::Queued) return head_;
    for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
      if ((*it)->state == RouteRun::State::Queued) return *it;
    }
    return nullptr;
  }

  // The route whose turn it was has been played: it and every route played ahead of its turn
  // after it go into the report, until a route still to be played has its turn.
  void takeTurns() {
    while (head_ && head_->state == RouteRun::State::Played) {
      if (head_->cannotStart) {
        finished_ = true;
        return;
      }
      report(*head_);
      head_.reset();
      if (finished_) return;
      if (queue_.empty()) {
        finished_ = true;
        return;
      }
      if (int32_t(report_.routes.size()) >= options_.maxRoutes) {
        report_.limitMet = true;
        finished_ = true;
        return;
      }
      head_ = queue_.back();
      queue_.pop_back();
    }
  }

  // A route at its turn joins the report, its frames named by its number.
  void report(RouteRun& run) {
    const int32_t number = int32_t(report_.routes.size());
    char folder[16];
    std::snprintf(folder, sizeof folder, "r%04d", number);
    RouteFiles files{fs::path(options_.outDir) / folder, {}};
    for (size_t k = 0; k < run.frames.size(); ++k) {
      char name[64];
      std::snprintf(name, sizeof name, "%s/%04d.png", folder, int(k + 1));
      std::vector<uint8_t>& png = run.frames[k].png;
      if (!options_.outDir.empty()) {
        if (written_ + int64_t(png.size()) > options_.maxOutput) {
          report_.outputFull = true;
          report_.limitMet = true;
          finished_ = true;
          break;
        }
        written_ += int64_t(png.size());
        files.frames.emplace_back(fs::path(options_.outDir) / name, std::move(png));
      }
      run.route.frames.push_back({name, std::move(run.frames[k].text)});
    }
    run.frames.clear();
    for (const auto& [file, name] : run.coverage.scripts) coverage_.scripts.emplace(file, name);
    coverage_.lines.insert(run.coverage.lines.begin(), run.coverage.lines.end());
    coverage_.namedFiles.insert(run.coverage.namedFiles.begin(), run.coverage.namedFiles.end());
    report_.boxes += run.boxes;
    if (run.limitMet) report_.limitMet = true;
    report_.routes.push_back(std::move(run.route));
    if (!options_.outDir.empty()) unwritten_.push_back(std::move(files));
  }

  // Writes the routes the turns have named, with the lock let go meanwhile; the first file that
  // cannot be written ends the exploration.
  void writeTurns(std::unique_lock<std::mutex>& lock) {
    const std::vector<RouteFiles> routes = std::exchange(unwritten_, {});
    lock.unlock();
    const std::optional<fs::path> unwritable = firstUnwritable(routes);
    lock.lock();
    if (unwritable && report_.startProblem.empty()) {
      report_.startProblem = "cannot write " + unwritable->string();
      finished_ = true;
    }
  }

  static std::optional<fs::path> firstUnwritable(const std::vector<RouteFiles>& routes) {
    for (const RouteFiles& route : routes) {
      std::error_code error;
      fs::create_directories(route.folder, error);
      for (const auto& [path, png] : route.frames) {
        if (!writeFile(path.string(), png)) return path;
      }
    }
    return std::nullopt;
  }

  static bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
  }

  std::unique_ptr<StorySession> freshSession(std::string& problem) {
    Problem why;
    const StoryBackends backends{
        [this] { return std::make_unique<FreeTypeGlyphRasterizer>(faces_); }, {}};
    std::unique_ptr<StorySession> session = openStory(files_, backends, why, options_.language);
    if (!session) problem = why.detail;
    return session;
  }

  void play(RouteRun& run) {
    std::string problem;
    std::unique_ptr<StorySession> session = freshSession(problem);
    if (!session) {
      std::lock_guard guard(mutex_);
      if (report_.startProblem.empty()) report_.startProblem = problem;
      run.cannotStart = true;
      return;
    }
    NevContext& context = session->context();
    {
      std::lock_guard guard(mutex_);
      scrambledScripts_ = context.config.scrambledScripts;
      context.savePoints.latest = spareSavePoint();
      if (run.from) context.resumeAt = spareSavePoint();
    }
    ExploredRoute& route = run.route;
    bool resumedChoiceTaken = run.from == nullptr;
    if (run.from) {
      context.resumeAt = run.from->point;
      route.picked = run.from->picked;
      route.picked.push_back(run.item);
      route.pickedAt = run.from->pickedAt;
      run.path = run.from->path;
      // The choice's pictures go as soon as its last waiting route has them, not at its turn.
      run.from.reset();
    }
    HeadlessOptions play;
    play.limits.maxSteps = options_.maxSteps;
    play.limits.maxFrames = options_.maxFrames;
    std::string typed;
    play.onLineTyped = [&typed](std::string_view text) { typed += std::string(text) + "\n"; };
    play.onBox = [&route](const std::string& caption, const std::string& text) {
      route.boxes.emplace_back(validUtf8Escaped(caption), validUtf8Escaped(text));
    };
    play.onScriptLine = [&run, this](const ScriptCursor& script) {
      noteLine(run.coverage, script);
      if (options_.onRouteLine) options_.onRouteLine(script, run.route.picked);
    };
    play.pickItem = [&](int32_t count) -> int32_t {
      if (!resumedChoiceTaken) {
        resumedChoiceTaken = true;
        return run.item;
      }
      return atChoice(context, run, count);
    };
    const bool keepPictures = !options_.outDir.empty();
    const FrameSink keepFrame = [&](int32_t, const char* at, const PixelTarget& client) {
      if (std::string_view(at) == "wait") ++route.waits;
      PlayedFrame frame{{}, std::move(typed)};
      typed.clear();
      if (keepPictures) {
        frame.png = smallFrame(client);
        if (frame.png.empty()) return false;
      }
      run.frames.push_back(std::move(frame));
      return true;
    };
    std::ostringstream events;
    const HeadlessResult result = playHeadless(context, play, events, keepFrame);
    switch (result.end) {
      case HeadlessEnd::StoryEnd:
        route.end = "E";
        break;
      case HeadlessEnd::ScriptEnd:
        route.end = "script-end";
        break;
      case HeadlessEnd::Stopped:
        break;  // a join or a loop, said by atChoice
      case HeadlessEnd::UnreachableChoice:
        route.end = "unreachable";
        break;
      default:
        route.end = "limit";
        run.limitMet = true;
        break;
    }
    run.boxes = result.boxes;
    std::lock_guard guard(mutex_);
    keepSpare(std::move(context.resumeAt));
    keepSpare(std::move(context.savePoints.latest));
  }

  // Sessions come and go with their routes, but their save points' room is used again: memory
  // fresh from the system costs a fault a page, and memory given back interrupts every
  // processor the jobs run on.
  SavePoint spareSavePoint() {
    if (spareSavePoints_.empty()) return {};
    SavePoint spare = std::move(spareSavePoints_.back());
    spareSavePoints_.pop_back();
    return spare;
  }

  void keepSpare(SavePoint&& point) {
    if (point.display.capacity() == 0 || spareSavePoints_.size() >= size_t(4 * jobs_)) return;
    spareSavePoints_.push_back(roomOf(std::move(point)));
  }

  // The storyboard's small picture of a frame.
  static std::vector<uint8_t> smallFrame(const PixelTarget& client) {
    const int32_t width = std::max(1, client.width / kFrameShrink);
    const int32_t height = std::max(1, client.height / kFrameShrink);
    const std::vector<Pixel> pixels =
        shrinkPixels(client.pixels, client.width, client.height, client.stride, width, height);
    return pngFileBytes(pixels.data(), width, height);
  }

  // A choice on the route. Only the route whose turn it is explores a choice point; a route
  // played ahead of its turn waits here until the point is known explored (a join) or its turn
  // comes, so that every choice point and route number is given as one job would give it.
  int32_t atChoice(NevContext& context, RouteRun& run, int32_t count) {
    ChoiceKey key;
    {
      std::lock_guard guard(context.savePoints.lock);
      const SavePoint& point = context.savePoints.latest;
      key = {foldAsciiCase(point.scriptName), point.linesRead, point.textWindow};
    }
    std::unique_lock lock(mutex_);
    const auto decided = [&] {
      return finished_ || run.dropped || explored_.count(key) > 0 || head_.get() == &run;
    };
    if (!decided()) {
      --playing_;
      changed_.notify_all();
      changed_.wait(lock, decided);
      ++playing_;
    }
    if (finished_ || run.dropped) return -1;
    ExploredRoute& route = run.route;
    if (auto known = explored_.find(key); known != explored_.end()) {
      const bool onOwnPath = std::find(run.path.begin(), run.path.end(), key) != run.path.end();
      route.end = onOwnPath ? "loop" : "join";
      route.joins = known->second;
      return -1;
    }
    // The routes that go on from a new choice point take over the session's save point, pictures
    // and all, rather than a copy: an explored session is never saved, and the runner writes its
    // next save point into room of its own.
    SavePoint point = spareSavePoint();
    {
      std::lock_guard guard(context.savePoints.lock);
      std::swap(point, context.savePoints.latest);
    }
    ChoicePoint choice;
    choice.id = int32_t(report_.choices.size());
    choice.file = cp932ToUtf8Escaped(point.scriptName);
    choice.line = point.waitLine + 1;
    choice.firstBranchLine = choice.line + count + 1;
    // In a translation the items read as the reader sees them, untranslated ones in the original.
    for (size_t k = 0; k < point.choiceItems.size(); ++k) {
      const std::string* translated =
          translatedLine(context, point.scriptName, choice.line + 1 + int32_t(k));
      choice.items.push_back(translated != nullptr
                                 ? *translated
                                 : cp932ToUtf8Escaped(withoutLineEnd(point.choiceItems[k])));
    }
    // The items are read with the choice command: they count as carried out.
    for (int32_t k = 1; k <= count; ++k) run.coverage.lines.insert({key.file, choice.line + k});
    explored_[key] = choice.id;
    choiceFiles_.push_back(key.file);
    route.pickedAt.push_back(choice.id);
    report_.choices.push_back(std::move(choice));
    run.path.push_back(key);
    queueItems(std::make_shared<const ChoiceSpot>(
                   ChoiceSpot{std::move(point), route.picked, route.pickedAt, run.path}),
               count);
    route.picked.push_back(0);
    changed_.notify_all();
    return 0;
  }

  // The other items wait their turn, the first goes on now. Routes past --max-routes are never
  // played: the queue holds no more than could be, dropping the routes whose turn is last.
  void queueItems(const std::shared_ptr<const ChoiceSpot>& spot, int32_t count) {
    const size_t room = size_t(std::max(0, options_.maxRoutes - int32_t(report_.routes.size()) - 1));
    for (int32_t item = count - 1; item >= 1; --item) {
      if (queue_.size() >= room) {
        report_.limitMet = true;
        if (queue_.empty()) break;
        queue_.front()->dropped = true;
        queue_.pop_front();
      }
      auto run = std::make_shared<RouteRun>();
      run->from = spot;
      run->item = item;
      queue_.push_back(std::move(run));
    }
  }

  void findUncovered() {
    std::set<std::string> scripts;
    for (const auto& [file, name] : coverage_.scripts) scripts.insert(name);
    for (const std::string& name : scripts) {
      TextFile script;
      if (!files_->openScript(name, script)) continue;
      const std::vector<std::string> lines = readScriptLines(script, scrambledScripts_);
      const std::string file = foldAsciiCase(name);
      auto ran = [&](int32_t line) { return coverage_.lines.count({file, line}) > 0; };
      for (int32_t index = 0; index < int32_t(lines.size()); ++index) {
        const int32_t line = index + 1;
        const std::string text(withoutLineEnd(lines[size_t(index)]));
        const Command command =
            text.size() >= 2 && text[0] == '@' ? commandForLetter(text[1]) : Command::None;
        const bool label = commandDefinition(command).flow == CommandFlow::JumpTarget;
        const bool comment = command == Command::Comment;
        if (comment) continue;
        // A jump reads past its label without carrying it out: the line after it tells.
        if (ran(line) || (label && ran(line + 1)) || text.empty()) continue;
        const UnreachedLine unreached{cp932ToUtf8Escaped(name), line, cp932ToUtf8Escaped(text)};
        report_.unreachedLines.push_back(unreached);
        if (label) report_.unreachedLabels.push_back(unreached);
      }
    }
    for (const ChoicePoint& choice : report_.choices) {
      const std::string& file = choiceFiles_[size_t(choice.id)];
      for (int32_t item = 0; item < int32_t(choice.items.size()); ++item) {
        if (coverage_.lines.count({file, choice.firstBranchLine + item}) == 0) {
          report_.itemsNeverRun.push_back({choice.id, item});
        }
      }
    }
    std::error_code error;
    std::set<std::string> usedFiles;  // host paths
    for (const std::string& name : coverage_.namedFiles) {
      if (std::optional<std::string> path = files_->resolve(name)) {
        usedFiles.insert(fs::weakly_canonical(*path, error).string());
      }
    }
    for (const std::string& entry : files_->list()) {
      const std::string extension = foldAsciiCase(fs::path(entry).extension().string());
      if (extension != ".bmp" && extension != ".mid" && extension != ".wav") continue;
      const std::optional<std::string> path = files_->resolve(entry);
      if (path && usedFiles.count(fs::weakly_canonical(*path, error).string()) == 0) {
        report_.unusedFiles.push_back(entryNameText(entry));
      }
    }
    std::sort(report_.unusedFiles.begin(), report_.unusedFiles.end());
  }

  const RoutesOptions& options_;
  const int32_t jobs_ = std::max(1, options_.jobs);
  std::shared_ptr<const StoryFiles> files_;
  RoutesReport& report_;
  // One cache of face lookups and font files for every route's own rasterizer.
  const FaceSource faces_ = fontconfigFaces();

  // Everything below is the exploration's shared part, behind mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  int32_t playing_ = 0;  // routes played and not waiting at a choice for their turn
  std::shared_ptr<RouteRun> head_;  // the route whose turn it is
  // Routes waiting their turn, the next last; some may be played already.
  std::deque<std::shared_ptr<RouteRun>> queue_;
  std::map<ChoiceKey, int32_t> explored_;
  std::vector<std::string> choiceFiles_;  // each choice point's folded script name
  int32_t scrambledScripts_ = 0;
  Coverage coverage_;
  int64_t written_ = 0;
  std::vector<RouteFiles> unwritten_;  // named at their turns, not written yet
  std::vector<SavePoint> spareSavePoints_;  // a few, emptied: see spareSavePoint
  bool finished_ = false;
};

}  // namespace

RoutesReport exploreRoutes(const RoutesOptions& options) {
  RoutesReport report;
  Problem folderProblem;
  std::optional<OpenedStory> story = openStoryFolderOrZip(options.storyDir, folderProblem);
  if (!story) {
    report.startProblem = "cannot open story folder " + printableText(options.storyDir);
    return report;
  }
  Explorer explorer(options, std::move(story->files), report);
  explorer.run();
  return report;
}
