#pragma once
// What `nev routes` writes for tools: routes.json (the choice points and each route) and
// coverage.json (what no route reaches). Both are UTF-8 whatever the story's names hold.

#include <string>

#include "backends/headless/route_explorer.h"

std::string routesJson(const RoutesReport& report);
std::string coverageJson(const RoutesReport& report);
