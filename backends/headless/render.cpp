#include "backends/headless/render.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/headless/output_folder.h"
#include "backends/headless/stop_signals.h"
#ifdef NEV_HAVE_VIDEO
#include "backends/headless/video_render.h"
#endif
#include "base/codepage.h"
#include "base/file_bytes.h"
#include "base/freetype_glyph_rasterizer.h"
#include "base/output_target.h"
#include "base/png_file.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/input.h"
#include "engine/zip_story_files.h"
#include "engine/messages.h"
#include "engine/save_game.h"
#include "engine/story_session.h"
#include "engine/text/message_window.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogName = "events.jsonl";

// Reads the save into context.resumeAt, or says on stderr why it cannot be.
bool loadSave(NevContext& context, const std::string& path) {
  if (const std::optional<Problem> problem = readSave(context, path, context.resumeAt)) {
    std::fputs(problemLine(*problem, "nev render").c_str(), stderr);
    return false;
  }
  return true;
}

// Every file the run is to write beside OUT_DIR may be written, before anything is.
bool outputTargetsAllowed(const RenderOptions& options) {
  std::vector<std::string> targets;
  for (const auto& [frame, path] : options.saveAt) targets.push_back(path);
  if (!options.readMarks.empty()) targets.push_back(options.readMarks);
  for (const std::string& path : targets) {
    if (const std::optional<Problem> problem = outputTargetProblem(path, options.storyDir)) {
      std::fprintf(stderr, "nev render: cannot write %s\n", problem->detail.c_str());
      return false;
    }
  }
  return true;
}

// Frame `number` has been written; its save point goes to every file asked for it.
bool keepSavePoints(NevContext& context, const std::vector<std::pair<int32_t, std::string>>& saveAt,
                    int32_t number, const char* at, std::set<int32_t>& saved,
                    std::string& problem) {
  const std::string_view kind = at;
  if (kind != "wait" && kind != "choice") return true;
  for (const auto& [frame, path] : saveAt) {
    // A fixed date, so that the same command always writes the same file.
    const std::optional<Problem> why =
        frame == number ? writeLatestSave(context, path, 0) : std::nullopt;
    if (why) {
      problem = why->detail;
      return false;
    }
    if (frame == number) saved.insert(frame);
  }
  return true;
}

// A save asked for at a frame the run never wrote (or that was no wait or choice) is no
// success: status 3, as for a limit met.
int warnOfSavesNotWritten(const RenderOptions& options, const std::set<int32_t>& saved, int status) {
  for (const auto& [frame, path] : options.saveAt) {
    if (saved.count(frame) != 0) continue;
    std::fprintf(stderr, "nev render: frame %d was never reached at a wait or choice; %s is not written\n",
                 frame, printableText(path).c_str());
    if (status == 0 || status == 2) status = 3;
  }
  return status;
}

// The session the run plays, with its client size, read marks and save loaded; nothing when
// one of them is refused (said on stderr), before the output is touched.
std::unique_ptr<StorySession> openRun(const RenderOptions& options, const WarpStart* warp) {
  Problem folderProblem;
  std::optional<OpenedStory> story = openStoryFolderOrZip(options.storyDir, folderProblem);
  if (!story) {
    std::fprintf(stderr, "nev render: cannot open story %s\n",
                 isStoryZipPath(options.storyDir) ? folderProblem.detail.c_str()
                     : ("folder " + printableText(options.storyDir)).c_str());
    return nullptr;
  }
  Problem problem;
  const StoryBackends backends{
      [] { return std::make_unique<FreeTypeGlyphRasterizer>(fontconfigFaces()); }, {}};
  std::unique_ptr<StorySession> session =
      openStory(std::move(story->files), backends, problem, options.language);
  if (!session) {
    reportProblem(printMessageBox, problem);
    return nullptr;
  }
  NevContext& context = session->context();
  if (options.clientWidth > 0) onClientSize(context, options.clientWidth, options.clientHeight);

  context.reading.skip = options.skip;
  context.reading.skipStays = 1;
  if (!options.readMarks.empty()) {
    if (const std::optional<Problem> unusable = context.reading.marks.open(options.readMarks)) {
      std::fprintf(stderr, "nev render: cannot use %s\n", unusable->detail.c_str());
      return nullptr;
    }
  }
  if (!options.loadFile.empty() && !loadSave(context, options.loadFile)) return nullptr;
  if (warp != nullptr && warp->point.taken) context.resumeAt = warp->point;
  return session;
}

}  // namespace

std::unique_ptr<StorySession> openRenderSession(RenderOptions& run) {
  // The line's place is found before the output is touched; the picks that lead on from it
  // come before those asked for.
  std::optional<WarpStart> warp;
  if (run.warp) {
    Problem unreached;
    warp = findWarpStart(run.storyDir, *run.warp, run.clientWidth, run.clientHeight,
                         run.language, unreached);
    if (!warp) {
      std::fputs(problemLine(unreached, "nev render").c_str(), stderr);
      return nullptr;
    }
    run.play.choices.insert(run.play.choices.begin(), warp->picks.begin(), warp->picks.end());
  }
  return openRun(run, warp ? &*warp : nullptr);
}

bool namesVideoFile(const std::string& out) {
  const size_t dot = out.rfind('.');
  if (dot == std::string::npos || out.find('/', dot) != std::string::npos) return false;
  std::string ending = out.substr(dot + 1);
  for (char& c : ending) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ending == "webm" || ending == "mkv" || ending == "mp4";
}

namespace {

// Plays the open session into `outDir`; the exit status.
int playStory(const RenderOptions& options, NevContext& context, const fs::path& outDir,
              std::ostream& events, const StopSignals& signals) {
  std::string lostFrame;
  std::set<int32_t> saved;
  const FrameSink keepFrame = [&](int32_t number, const char* at, const PixelTarget& client) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", number);
    const std::string path = (outDir / name).string();
    if (!options.eventsOnly && !writePngFile(path, client.pixels, client.width, client.height)) {
      lostFrame = "cannot write " + path;
      return false;
    }
    return keepSavePoints(context, options.saveAt, number, at, saved, lostFrame);
  };
  HeadlessOptions play = options.play;
  play.loadedFrom = options.loadFile;
  if (options.warp && context.resumeAt.taken) {
    play.loadedFrom = options.warp->file + ":" + std::to_string(options.warp->line);
  }
  play.interrupted = [&signals] { return signals.received() != 0; };
  const HeadlessResult result = playHeadless(context, play, events, keepFrame);
  int status = 1;
  switch (result.end) {
    case HeadlessEnd::StoryEnd:
    case HeadlessEnd::ScriptEnd:
      status = result.boxes > 0 ? 2 : 0;
      break;
    case HeadlessEnd::FrameNotKept:
      std::fprintf(stderr, "nev render: %s\n", lostFrame.c_str());
      status = 1;
      break;
    case HeadlessEnd::SaveNotLoaded:
      std::fprintf(stderr, "nev render: %s: %s\n", options.loadFile.c_str(),
                   result.loadProblem.c_str());
      status = 1;
      break;
    case HeadlessEnd::Interrupted:
      // As a shell tells a program a signal ended.
      return 128 + signals.received();
    default:
      status = 3;
      break;
  }
  if (status != 1) status = warnOfSavesNotWritten(options, saved, status);
  return status;
}

}  // namespace

int renderStory(const RenderOptions& options) {
  if (namesVideoFile(options.outDir)) {
#ifdef NEV_HAVE_VIDEO
    return renderVideo(options);
#else
    std::fprintf(stderr, "nev render: this nev was built without video (FFmpeg's libraries were"
                         " missing); give a folder to write frames into instead\n");
    return 1;
#endif
  }
  if (!outputTargetsAllowed(options)) return 1;
  Problem refused;
  std::optional<OutputFolder> out =
      OutputFolder::inspect(options.outDir, OutputKind::Render, refused);
  if (!out) {
    std::fputs(problemLine(refused, "nev render").c_str(), stderr);
    return 1;
  }
  RenderOptions run = options;
  std::unique_ptr<StorySession> session = openRenderSession(run);
  if (!session) return 1;

  // From here a signal ends the run with its output kept and its log closed.
  const StopSignals signals;
  if (const std::optional<Problem> unusable = out->begin()) {
    std::fputs(problemLine(*unusable, "nev render").c_str(), stderr);
    return 1;
  }
  std::ofstream events(out->staging() / kLogName, std::ios::trunc);
  if (!events) {
    std::fprintf(stderr, "nev render: cannot write to %s\n",
                 printableText(out->staging().string()).c_str());
    return 1;
  }
  const int status = playStory(run, session->context(), out->staging(), events, signals);
  events.close();
  // A run that failed leaves the earlier output as it was.
  if (status == 1) return 1;
  if (!events) {
    std::fprintf(stderr, "nev render: cannot write to %s\n",
                 printableText(out->staging().string()).c_str());
    return 1;
  }
  if (const std::optional<Problem> unfilled = out->finish()) {
    std::fputs(problemLine(*unfilled, "nev render").c_str(), stderr);
    return 1;
  }
  return status;
}
