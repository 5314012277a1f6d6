#pragma once
// `nev routes`: the route explorer's report written out (routes.json, coverage.json, the
// storyboard and every route's frames) and summed up on stdout.

#include "backends/headless/route_explorer.h"

// Exit status 0, 2 when a box was shown, 3 when a limit was met (routes, steps, frames or the
// output's size), 1 when the story cannot start or the output cannot be written.
int runRoutes(const RoutesOptions& options);
