#include "app/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "authoring/check.h"
#include "authoring/check_translation.h"
#include "authoring/script_conversion.h"
#include "authoring/translation_folder.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "backends/headless/render.h"
#include "backends/headless/routes.h"
#include "backends/headless/web_export.h"
#include "engine/zip_story_files.h"
#include "engine/reading.h"
#include "backends/qt/desktop_shell.h"
#include "backends/qt/qt_environment.h"
#include "base/codepage.h"
#include "base/output_target.h"
#include "base/story_files.h"
#include "base/surface.h"
#include "engine/script/arguments.h"

namespace fs = std::filesystem;

namespace {

bool isSet(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

bool endingProblemsInBox(DisplayKind display, bool stderrIsTerminal) {
  return display == DisplayKind::Desktop && !stderrIsTerminal;
}

namespace {

DisplayKind currentDisplayKind() {
  return displayKindOf(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                       std::getenv("QT_QPA_PLATFORM"));
}

bool parsePositive(const std::string& text, int32_t& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  NumberReading reading = readDecimal(text.c_str());
  value = reading.value;
  return !reading.overflowed && value > 0;
}

bool parsePositive(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoll(text);
  return value > 0;
}

int runCheckCommand(int argc, const char* const argv[]) {
  std::vector<std::string> folders;
  bool routes = false;
  std::string language;
  for (int i = 0; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--routes") {
      routes = true;
    } else if (std::string_view(argv[i]) == "--lang" && i + 1 < argc) {
      language = argv[++i];
      if (!isLanguageCode(language)) {
        std::fprintf(stderr, "nev check: %s is no language code; write one such as en or pt_BR\n",
                     printableText(language).c_str());
        return 2;
      }
    } else {
      folders.push_back(argv[i]);
    }
  }
  if (folders.size() != 1 || folders[0].empty() || folders[0][0] == '-') {
    std::fprintf(stderr, "nev check: give exactly one story folder\n%s", usageText());
    return 2;
  }
  const std::string storyDir = folders[0];
  std::vector<CheckFinding> findings;
  if (!language.empty()) {
    // A translation's check leaves the story's own findings to its author.
    if (isStoryZipPath(storyDir)) {
      std::fprintf(stderr, "nev check: --lang checks a story folder, not a zip\n");
      return 2;
    }
    findings = checkTranslation(storyDir, language, fontconfigFaces());
  } else if (isStoryZipPath(storyDir)) {
    Problem problem;
    const std::shared_ptr<const ZipStoryFiles> zip = openStoryZip(storyDir, problem);
    if (!zip) {
      std::fprintf(stderr, "nev check: %s\n", printableText(problem.detail).c_str());
      return 1;
    }
    findings = checkStory(*zip);
  } else {
    std::error_code error;
    fs::directory_iterator folder(storyDir, error);
    if (error) {
      std::fprintf(stderr, "nev check: cannot read story folder %s: %s\n", storyDir.c_str(),
                   error.message().c_str());
      return 1;
    }
    findings = checkStory(storyDir);
  }
  // The exploration's findings join the lint's as warnings: lines no route carries out.
  if (routes && language.empty() && !hasError(findings)) {
    RoutesOptions options;
    options.storyDir = storyDir;
    const RoutesReport report = exploreRoutes(options);
    for (const UnreachedLine& line : report.unreachedLines) {
      findings.push_back({line.file, line.line, FindingSeverity::Warning, "no route reaches this line"});
    }
  }
  for (const CheckFinding& finding : findings) std::printf("%s\n", formatFinding(finding).c_str());
  return hasError(findings) ? 1 : 0;
}

int runRoutesCommand(int argc, const char* const argv[]) {
  RoutesOptions options;
  options.jobs = int32_t(std::clamp(std::thread::hardware_concurrency(), 1u, 256u));
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string_view word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--max-routes" && hasValue) {
      if (!parsePositive(argv[++i], options.maxRoutes)) {
        std::fprintf(stderr, "nev routes: --max-routes takes a positive number\n");
        return 1;
      }
    } else if (word == "--max-steps" && hasValue) {
      if (!parsePositive(argv[++i], options.maxSteps)) {
        std::fprintf(stderr, "nev routes: --max-steps takes a positive number\n");
        return 1;
      }
    } else if (word == "--max-frames" && hasValue) {
      if (!parsePositive(argv[++i], options.maxFrames)) {
        std::fprintf(stderr, "nev routes: --max-frames takes a positive number\n");
        return 1;
      }
    } else if (word == "--max-output" && hasValue) {
      if (!parsePositive(argv[++i], options.maxOutput)) {
        std::fprintf(stderr, "nev routes: --max-output takes a positive number of bytes\n");
        return 1;
      }
    } else if (word == "--jobs" && hasValue) {
      if (!parsePositive(argv[++i], options.jobs) || options.jobs > 256) {
        std::fprintf(stderr, "nev routes: --jobs takes a number from 1 to 256\n");
        return 1;
      }
    } else if (word == "--lang" && hasValue) {
      options.language = argv[++i];
    } else if (word.size() > 1 && word[0] == '-') {
      std::fprintf(stderr, "nev routes: unknown or incomplete option %s\n%s",
                   printableText(std::string(word)).c_str(), usageText());
      return 1;
    } else {
      positional.emplace_back(word);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "nev routes: give a story folder and an output folder\n%s", usageText());
    return 1;
  }
  options.storyDir = positional[0];
  options.outDir = fs::absolute(positional[1]).string();
  return runRoutes(options);
}

int runScrambleCommand(int count, const char* const words[], bool scramble) {
  const char* name = scramble ? "scramble" : "unscramble";
  if (count != 2) {
    std::fprintf(stderr, "usage: nev %s %s OUT\n", name, scramble ? "PLAIN" : "STX");
    return 2;
  }
  const std::string input = words[0];
  const std::string output = words[1];
  if (isSameFile(input, output)) {
    std::fprintf(stderr, "nev %s: %s would be written over the file it is read from\n", name,
                 output.c_str());
    return 1;
  }
  if (const std::optional<Problem> refused = outputTargetProblem(output)) {
    std::fprintf(stderr, "nev %s: cannot write %s\n", name, refused->detail.c_str());
    return 1;
  }
  const std::string failed = convertScriptFile(input, output, scramble);
  if (!failed.empty()) {
    std::fprintf(stderr, "nev %s: cannot %s %s\n", name, failed == input ? "read" : "write",
                 failed.c_str());
    return 1;
  }
  return 0;
}

int runTranslateCommand(int count, const char* const words[]) {
  const std::string_view action = count > 0 ? words[0] : "";
  if (count != 3 || (action != "init" && action != "update")) {
    std::fprintf(stderr, "usage: nev translate init|update STORY_DIR CODE\n");
    return 2;
  }
  const std::string language = words[2];
  if (!isLanguageCode(language)) {
    std::fprintf(stderr, "nev translate: %s is no language code; write one such as en or pt_BR\n",
                 printableHostText(language).c_str());
    return 2;
  }
  std::string summary;
  const std::optional<Problem> problem = action == "init"
                                             ? initTranslation(words[1], language, summary)
                                             : updateTranslation(words[1], language, summary);
  if (problem) {
    std::fputs(problemLine(*problem, "nev translate").c_str(), stderr);
    return 1;
  }
  std::printf("%s\n", summary.c_str());
  return 0;
}

int runWebCommand(int count, const char* const words[]) {
  WebExportOptions options;
  std::vector<std::string> positional;
  for (int i = 0; i < count; ++i) {
    const std::string_view word = words[i];
    if (word == "--player" && i + 1 < count) {
      options.playerDir = words[++i];
    } else if (word.size() > 1 && word[0] == '-') {
      std::fprintf(stderr, "nev web: unknown or incomplete option %s\n%s",
                   printableText(std::string(word)).c_str(), usageText());
      return 1;
    } else {
      positional.emplace_back(word);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "nev web: give a story folder and an output folder\n%s", usageText());
    return 1;
  }
  if (options.playerDir.empty()) {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    options.playerDir = defaultWebPlayer(std::getenv("NEV_WEB_PLAYER"), error ? "" : program.string());
  }
  if (options.playerDir.empty()) {
    std::fprintf(stderr, "nev web: no player page found beside nev; build it with `make web`, "
                         "or name it with --player DIR or $NEV_WEB_PLAYER\n");
    return 1;
  }
  options.storyDir = positional[0];
  options.outDir = positional[1];
  return exportWebStory(options);
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const argv[]) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (word == "--help" || word == "-h") {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (word == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    }
    if (word == "--continue" || word == "--new") {
      line.resume = word == "--continue" ? 1 : 0;
      continue;
    }
    if (word == "--watch") {
      line.watch = true;
      continue;
    }
    if (word == "--text-out" && i + 1 < argc) {
      const std::string path = argv[++i];
      line.textOut = path == "-" ? path : fs::absolute(path).string();
      continue;
    }
    if (word == "--lang" && i + 1 < argc) {
      line.language = argv[++i];
      continue;
    }
    if (word == "--warp" && i + 1 < argc) {
      line.warp = argv[++i];
      WarpTarget target;
      if (!parseWarpTarget(line.warp, target, line.error)) {
        line.action = CommandLine::Action::Error;
        return line;
      }
      continue;
    }
    if (word.size() > 1 && word[0] == '-') {
      line.action = CommandLine::Action::Error;
      line.error = "unknown option " + std::string(word);
      return line;
    }
    if (line.storyGiven) {
      line.action = CommandLine::Action::Error;
      line.error = "more than one story folder given";
      return line;
    }
    line.storyDir = word;
    line.storyGiven = true;
  }
  return line;
}

DisplayKind displayKindOf(const char* display, const char* waylandDisplay, const char* qtPlatform) {
  // The platform name may carry options after a colon: "offscreen:fontengine=freetype".
  const std::string_view platform = isSet(qtPlatform) ? qtPlatform : "";
  const std::string_view platformName = platform.substr(0, platform.find(':'));
  const bool unseenPlatform = platformName == "offscreen" || platformName == "minimal";
  if ((isSet(display) || isSet(waylandDisplay)) && !unseenPlatform) return DisplayKind::Desktop;
  return platform.empty() ? DisplayKind::None : DisplayKind::Unseen;
}

bool offersStoryChooser(const CommandLine& line, bool storyHere, DisplayKind display) {
  return !line.storyGiven && !storyHere && display == DisplayKind::Desktop;
}

const char* usageText() {
  return "usage: nev [--continue | --new] [--text-out FILE] [--warp FILE:LINE] [--watch]\n"
         "           [--lang CODE] [STORY_DIR]\n"
         "       nev render STORY_DIR OUT_DIR [--choose I,J,...] [--client WxH] [--max-frames N]\n"
         "                  [--max-steps N] [--max-time MS] [--save-at N:FILE]... [--load FILE]\n"
         "                  [--skip all | --skip read --read-marks FILE]\n"
         "                  [--warp FILE:LINE] [--events-only] [--lang CODE]\n"
         "       nev render STORY_DIR OUT.webm|OUT.mkv|OUT.mp4 [--choose I,J,...] [--fps N]\n"
         "                  [--click-after MS] [--scale N] [--lossless] [--subtitles] [--threads N]\n"
         "       nev check [--routes] [--lang CODE] STORY_DIR\n"
         "       nev routes STORY_DIR OUT_DIR [--max-routes N] [--max-steps N] [--max-frames N]\n"
         "                  [--max-output BYTES] [--jobs N] [--lang CODE]\n"
         "       nev web STORY_DIR OUT_DIR [--player DIR]\n"
         "       nev scramble PLAIN OUT | nev unscramble STX OUT\n"
         "       nev translate init|update STORY_DIR CODE\n"
         "       nev --help | --version\n"
         "\n"
         "Plays the story in STORY_DIR (default: the current folder): its nev.ini, its start\n"
         "script and the pictures, music and sounds the scripts name. Started without\n"
         "STORY_DIR where there is no nev.ini, on a desktop, it offers a story chooser.\n"
         "STORY_DIR may also be the story zipped (a .zip file), for nev, render, routes, check and web.\n"
         "The しおり menu keeps saves (F5 quick save, F9 quick load); ending nev before the\n"
         "story ends keeps the place, and the next start asks whether to go on from there:\n"
         "--continue answers yes, --new answers no. --text-out FILE (- for standard output)\n"
         "writes each line as it is typed and each choice's items, in UTF-8. --lang CODE reads\n"
         "the story in its translation in STORY_DIR/lang/CODE/ (for nev, render and routes).\n"
         "--warp FILE:LINE starts at that line of a script: the first route that reaches it\n"
         "(fewest picks) is played unseen to the last wait or choice before it, and the story\n"
         "starts there with its pictures, music and page; nothing is marked read and the place\n"
         "kept for the next start is left as it was. A line no route reaches is refused.\n"
         "--watch (for authors) plays each saved change to the scripts at once from the same\n"
         "line (Shift+R reads them again by hand); a change with new lint errors is not played,\n"
         "and its errors show beside the picture.\n"
         "\n"
         "render plays the story without a window on a virtual clock and writes OUT_DIR/NNNN.png\n"
         "at every click wait and choice, and OUT_DIR/events.jsonl. It clicks through waits and\n"
         "picks the choice items given by --choose (then item 0). It stops at --max-frames\n"
         "frames (default 10000), --max-steps script lines (default 1000000) or --max-time\n"
         "virtual milliseconds (default a day). Exit status: 0 the story ended, 2 it ended\n"
         "after a message box, 3 it met a limit or a choice item that cannot be picked, 1 it\n"
         "could not start or a frame could not be written. SIGINT, SIGTERM or SIGHUP ends it\n"
         "with its frames so far and a last end event, and exit status 128 + the signal.\n"
         "--save-at N:FILE also writes the save point of frame N's wait or choice to FILE;\n"
         "--load FILE goes on from such a save instead of the story's start, with the choices\n"
         "and limits counted from there (a save that cannot be loaded: exit status 1).\n"
         "--skip all types every line at once and writes no frame at its wait; --skip read does\n"
         "so for the lines --read-marks FILE holds; every line typed is marked in FILE.\n"
         "A --save-at frame the run never reaches is told, with exit status 3.\n"
         "--warp FILE:LINE starts the run as nev --warp does, its picks before --choose's.\n"
         "--events-only writes events.jsonl alone, the same log, without encoding a frame.\n"
         "\n"
         "render to OUT ending in .webm or .mkv (VP9 and Opus) or .mp4 (H.264 and AAC) writes\n"
         "the playthrough as a video instead: at the story's own pace, each wait and choice\n"
         "looked at for --click-after milliseconds (default: the auto mode's time for the line),\n"
         "--fps frames a second (default 30), the picture --scale times its size, with the music\n"
         "synthesized from the General MIDI SoundFont (NEV_SOUNDFONT names another) and the\n"
         "sounds mixed in. --lossless keeps every pixel (VP9 lossless RGB, or H.264 RGB at\n"
         "quantizer 0); --subtitles writes the lines as OUT.vtt beside it; --threads N limits\n"
         "the encoders' threads. A signal ends the video where it is, finished and playable.\n"
         "\n"
         "Files named to be written (--save-at, --read-marks, --text-out, scramble's OUT) are\n"
         "regular files or new names in a folder that is there, never a link, pipe or device\n"
         "(--text-out may be - or a pipe), and never the story's own: nev.ini, or a name of its\n"
         "kinds (.txt, .stx, .bmp, .mid, .wav) inside the story folder.\n"
         "\n"
         "check reads the story as the player does and follows every jump, printing each problem\n"
         "as FILE:LINE: error|warning: message (missing files and labels, line feeds caught in\n"
         "names, short choices and commands, full pages, unreachable labels, what scrambling\n"
         "would lose, text or the click marker past the picture's edge). Exit status: 1 when\n"
         "there is an error, 0 otherwise. With --routes it also explores the routes and warns of\n"
         "each line no route reaches. With --lang CODE it checks the translation in\n"
         "STORY_DIR/lang/CODE instead: untranslated, fuzzy and stale entries, PO syntax errors,\n"
         "characters its font cannot draw, replacement files that replace nothing or pictures of\n"
         "another size.\n"
         "\n"
         "routes plays every route of the story headless: at each choice each item in turn, a\n"
         "route that meets a choice point already explored joining it. OUT_DIR gets routes.json\n"
         "(the choice points and each route: items picked, how it ended, boxes, waits),\n"
         "coverage.json (lines and labels no route reaches, files no route uses, items whose\n"
         "branch never runs) and index.html, a storyboard of each route's waits. A route writes at\n"
         "most --max-frames frames (default 200) and all routes at most --max-output bytes of\n"
         "frames (default 1 GB). --jobs N plays N routes at once (default: one per processor);\n"
         "the output is the same for any N. Exit status: 0, 2 when a box was shown, 3 when a\n"
         "limit was met, 1 when the story cannot start.\n"         "\n"
         "web writes a folder to put on any static web host: the player page, the story's files\n"
         "under story/ with story/index.json naming them, the glyph font cut to the characters\n"
         "the story's scripts use, and the licences of what the page carries; OUT_DIR/index.html\n"
         "served over http plays the story. The page comes from --player DIR, else\n"
         "$NEV_WEB_PLAYER, else the web/ folder `make web` builds beside nev's own folder.\n"
         "\n"
         "render, routes and web write OUT_DIR only when it is new, empty, or an earlier output of\n"
         "the same command (its marker file .nev-output lists all it holds); any other folder\n"
         "is refused and left as it is. The run is checked first and made in a temporary folder\n"
         "beside OUT_DIR, so one that fails or is killed leaves the earlier output whole.\n"
         "\n"
         "scramble writes the scrambled form of a plain script (what the player reads when\n"
         "nev.ini asks for scrambled scripts); unscramble gives the plain form back. The output\n"
         "is replaced only by a complete file, and may not be the input.\n"
         "\n"
         "translate init writes STORY_DIR/lang/CODE/story.po, a gettext PO file (UTF-8) with\n"
         "every text line and choice item of the story's scripts and the texts of its nev.ini,\n"
         "each untranslated; it never writes over one. translate update brings that file up to\n"
         "date after the scripts changed: translations stay with their lines, a line whose text\n"
         "changed keeps its translation marked fuzzy, lines that are gone are kept as obsolete\n"
         "entries and new lines come untranslated. The story's own files are never changed.\n"
         "\n"
         "  -h, --help   show this text\n"
         "  --version    show nev's version\n";
}

bool parseRenderOptions(int argc, const char* const argv[], RenderOptions& options,
                        std::string& error) {
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--choose" && hasValue) {
      std::string list = argv[++i];
      options.play.choices.clear();
      size_t start = 0;
      while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos) {
          error = "--choose takes item numbers separated by commas, e.g. 0,2,1";
          return false;
        }
        options.play.choices.push_back(readNumber(item.c_str()));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (word == "--client" && hasValue) {
      std::string size = argv[++i];
      size_t x = size.find('x');
      if (x == std::string::npos || !parsePositive(size.substr(0, x), options.clientWidth) ||
          !parsePositive(size.substr(x + 1), options.clientHeight) ||
          options.clientWidth > kLargestBitmapSide || options.clientHeight > kLargestBitmapSide ||
          int64_t{options.clientWidth} * options.clientHeight > kLargestBitmapArea) {
        error = "--client takes a size such as 800x600, at most " +
                std::to_string(kLargestBitmapArea) + " pixels and " +
                std::to_string(kLargestBitmapSide) + " a side";
        return false;
      }
    } else if (word == "--max-frames" && hasValue) {
      if (!parsePositive(argv[++i], options.play.limits.maxFrames)) {
        error = "--max-frames takes a positive number";
        return false;
      }
    } else if (word == "--max-steps" && hasValue) {
      if (!parsePositive(argv[++i], options.play.limits.maxSteps)) {
        error = "--max-steps takes a positive number";
        return false;
      }
    } else if (word == "--max-time" && hasValue) {
      if (!parsePositive(argv[++i], options.play.limits.maxTime)) {
        error = "--max-time takes a positive number of milliseconds";
        return false;
      }
    } else if (word == "--save-at" && hasValue) {
      const std::string value = argv[++i];
      const size_t colon = value.find(':');
      int32_t frame = 0;
      if (colon == std::string::npos || !parsePositive(value.substr(0, colon), frame) ||
          colon + 1 == value.size()) {
        error = "--save-at takes a frame number and a file, e.g. 3:wait3.sav";
        return false;
      }
      options.saveAt.push_back({frame, fs::absolute(value.substr(colon + 1)).string()});
    } else if (word == "--load" && hasValue) {
      options.loadFile = fs::absolute(argv[++i]).string();
    } else if (word == "--warp" && hasValue) {
      options.warp.emplace();
      if (!parseWarpTarget(argv[++i], *options.warp, error)) return false;
    } else if (word == "--events-only") {
      options.eventsOnly = true;
    } else if (word == "--skip" && hasValue) {
      const std::string_view mode = argv[++i];
      if (mode != "all" && mode != "read") {
        error = "--skip takes all or read";
        return false;
      }
      options.skip = int32_t(mode == "all" ? SkipMode::AllText : SkipMode::ReadText);
    } else if (word == "--read-marks" && hasValue) {
      options.readMarks = fs::absolute(argv[++i]).string();
    } else if (word == "--fps" && hasValue) {
      if (!parsePositive(argv[++i], options.video.fps) || options.video.fps > 240) {
        error = "--fps takes a number of frames a second, at most 240";
        return false;
      }
    } else if (word == "--click-after" && hasValue) {
      const std::string value = argv[++i];
      if (value != "0" && !parsePositive(value, options.video.clickAfter)) {
        error = "--click-after takes milliseconds";
        return false;
      }
      if (value == "0") options.video.clickAfter = 0;
    } else if (word == "--scale" && hasValue) {
      if (!parsePositive(argv[++i], options.video.scale) || options.video.scale > 8) {
        error = "--scale takes a whole multiple from 1 to 8";
        return false;
      }
    } else if (word == "--threads" && hasValue) {
      if (!parsePositive(argv[++i], options.video.threads) || options.video.threads > 64) {
        error = "--threads takes a number of encoder threads from 1 to 64";
        return false;
      }
    } else if (word == "--lossless") {
      options.video.lossless = true;
    } else if (word == "--subtitles") {
      options.video.subtitles = true;
    } else if (word == "--lang" && hasValue) {
      options.language = argv[++i];
    } else if (word.size() > 1 && word[0] == '-') {
      error = "unknown or incomplete option " + printableText(word);
      return false;
    } else {
      positional.push_back(word);
    }
  }
  if (positional.size() != 2) {
    error = "render needs a story folder and an output folder";
    return false;
  }
  const bool videoOptions = options.video.fps != VideoOptions().fps ||
                            options.video.clickAfter >= 0 || options.video.scale != 1 ||
                            options.video.threads != 0 || options.video.lossless ||
                            options.video.subtitles;
  if (videoOptions && !namesVideoFile(positional[1])) {
    error = "--fps, --click-after, --scale, --threads, --lossless and --subtitles are for a "
            "video (OUT ending in .webm, .mkv or .mp4)";
    return false;
  }
  if (options.eventsOnly && namesVideoFile(positional[1])) {
    error = "--events-only writes a folder, not a video";
    return false;
  }
  if (options.warp && !options.loadFile.empty()) {
    error = "--warp and --load both say where to start: give one";
    return false;
  }
  if (options.skip == int32_t(SkipMode::ReadText) && options.readMarks.empty()) {
    error = "--skip read needs --read-marks FILE, the lines already read";
    return false;
  }
  options.storyDir = positional[0];
  options.outDir = fs::absolute(positional[1]).string();
  return true;
}

int runNev(int argc, const char* const argv[]) {
  if (argc >= 2 && std::string_view(argv[1]) == "render") {
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc - 2, argv + 2, options, error)) {
      std::fprintf(stderr, "nev render: %s\n%s", error.c_str(), usageText());
      return 1;
    }
    return renderStory(options);
  }
  if (argc >= 2 && std::string_view(argv[1]) == "check") return runCheckCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::string_view(argv[1]) == "routes") return runRoutesCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::string_view(argv[1]) == "web") return runWebCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::string_view(argv[1]) == "translate") {
    return runTranslateCommand(argc - 2, argv + 2);
  }
  if (argc >= 2 && std::string_view(argv[1]) == "scramble") {
    return runScrambleCommand(argc - 2, argv + 2, true);
  }
  if (argc >= 2 && std::string_view(argv[1]) == "unscramble") {
    return runScrambleCommand(argc - 2, argv + 2, false);
  }
  const CommandLine line = parseCommandLine(argc, argv);
  switch (line.action) {
    case CommandLine::Action::Help:
      std::fputs(usageText(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::printf("nev %s\n", NEV_VERSION);
      return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "nev: %s\n%s", line.error.c_str(), usageText());
      return 2;
    case CommandLine::Action::Play:
      break;
  }

  DisplayKind display = currentDisplayKind();
  if (display == DisplayKind::Desktop && !desktopDisplayAnswers()) display = DisplayKind::Unanswering;
  // Without a folder named, the story is the one in the current folder.
  const bool boxed = endingProblemsInBox(display, isatty(STDERR_FILENO) != 0);
  if (offersStoryChooser(line, resolveStoryFile("nev.ini", line.storyDir).has_value(), display)) {
    if (!line.warp.empty()) {
      std::fprintf(stderr, "nev: --warp needs the story folder named\n%s", usageText());
      return 2;
    }
    return runDesktopShell(
        {std::nullopt, line.resume, line.textOut, boxed, line.language, {}, line.watch,
         replayPicksToLine});
  }
  Problem folderProblem;
  std::optional<OpenedStory> story = openStoryFolderOrZip(line.storyDir, folderProblem);
  if (!story) {
    reportEndingProblem(unopenedFolderProblem(folderProblem), boxed);
    return 1;
  }
  if (display == DisplayKind::None || display == DisplayKind::Unanswering) {
    std::fprintf(stderr,
                 "nev: %s; to play the story without one:\n  nev render %s OUT_DIR\n",
                 display == DisplayKind::None ? "there is no display to open a window on"
                                              : "the display does not answer",
                 line.storyDir.c_str());
    return 1;
  }
  DesktopStart start{std::move(story), line.resume, line.textOut, boxed, line.language, {},
                     line.watch, replayPicksToLine};
  if (!line.warp.empty()) {
    WarpTarget target;
    std::string unused;
    parseWarpTarget(line.warp, target, unused);
    start.warp = [storyDir = line.storyDir, target](const std::string& language,
                                                    Problem& problem) -> std::optional<SavePoint> {
      std::optional<WarpStart> warp = findWarpStart(storyDir, target, 0, 0, language, problem);
      if (!warp) return std::nullopt;
      warp->point.playerState.clear();  // the window keeps no player's part of its own
      return std::move(warp->point);
    };
  }
  return runDesktopShell(start);
}
