#pragma once
// What Qt needs around it: the session it expects, and an application for tests and
// benchmarks that make widgets without the desktop shell.

#include "base/problem.h"

// Sets up what Qt expects of the session before an application object is made.
void prepareQtEnvironment();

// Makes a QApplication on the offscreen platform when none exists yet; otherwise does
// nothing. Call it from the main thread.
void ensureGuiApplication();

// Deletes the application ensureGuiApplication made, if it made one.
void releaseGuiApplication();

// A story folder openStoryFolder refused, as a problem that ends nev.
Problem unopenedFolderProblem(Problem refused);

// A problem that ends nev: its line on stderr and, `inBox`, its box on the desktop's own
// display; with no application yet, one is made for the box alone.
void reportEndingProblem(const Problem& problem, bool inBox);
