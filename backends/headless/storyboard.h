#pragma once
// index.html of `nev routes`: the choice points, and each route's frames with the lines typed
// before them, for an author to read through.

#include <string>

#include "backends/headless/route_explorer.h"

std::string storyboard(const RoutesReport& report);
