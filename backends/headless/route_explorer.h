#pragma once
// The route explorer behind `nev routes` and `nev check --routes`: every route of a story, played
// headless on the virtual clock. At each choice point each item is explored in turn from the
// choice's own save point; a route that comes to a choice point another route has explored
// joins it, one that comes back to a choice point on its own path ends as a loop, so the work
// grows with the choice points and their items.
//
// Routes are played on several threads, one session each, but every decision is taken in the
// order one thread would take it: routes in the order of their picks, a choice point belonging
// to the first route that reaches it. A route played ahead of its turn that must wait at a choice
// lets another route have its job meanwhile. The report is the same for any number of jobs.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class ScriptCursor;

struct RoutesOptions {
  std::string storyDir;
  std::string outDir;  // empty: explore only, write nothing (nev check --routes)
  int32_t maxRoutes = 1000;
  int64_t maxSteps = 1'000'000;  // script lines a route may carry out
  int32_t maxFrames = 200;       // frames a route may write
  int64_t maxOutput = int64_t{1} << 30;  // bytes of frames in all
  int32_t jobs = 1;              // routes played at once
  // Each line a route carries out, with the items picked from the story's start to there; on
  // the route's own thread.
  std::function<void(const ScriptCursor& cursor, const std::vector<int32_t>& picked)> onRouteLine;
};

struct ChoicePoint {
  int32_t id = 0;
  std::string file;  // as the story names it, UTF-8
  int32_t line = 0;  // of the choice command, from 1
  std::vector<std::string> items;  // UTF-8
  int32_t firstBranchLine = 0;     // item k's branch line is this + k
};

struct RouteFrame {
  std::string file;  // relative to the output folder
  std::string text;  // the lines typed since the frame before, UTF-8
};

struct ExploredRoute {
  std::vector<int32_t> picked;
  std::vector<int32_t> pickedAt;  // the choice point of each pick
  std::string end;  // "E", "script-end", "loop", "join", "limit", "unreachable"
  int32_t joins = -1;  // the choice point met, for a join or a loop
  std::vector<std::pair<std::string, std::string>> boxes;  // caption, text (UTF-8)
  int32_t waits = 0;
  std::vector<RouteFrame> frames;
};

struct UnreachedLine {
  std::string file;  // UTF-8
  int32_t line = 0;
  std::string text;  // UTF-8
};

struct RoutesReport {
  std::vector<ChoicePoint> choices;
  std::vector<ExploredRoute> routes;
  std::vector<UnreachedLine> unreachedLines;
  std::vector<UnreachedLine> unreachedLabels;
  std::vector<std::string> unusedFiles;  // pictures, music and sounds, UTF-8
  std::vector<std::pair<int32_t, int32_t>> itemsNeverRun;  // choice id, item
  bool limitMet = false;
  bool outputFull = false;  // the frames met options.maxOutput
  int32_t boxes = 0;
  std::string startProblem;  // the story could not start, or a frame could not be written
};

// Explores the story in options.storyDir; frames go to options.outDir when it is given.
RoutesReport exploreRoutes(const RoutesOptions& options);
