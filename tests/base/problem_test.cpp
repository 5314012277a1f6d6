#include "base/problem.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

// A path is host bytes: whatever it holds, the line it goes into stays one printable line.
TEST(Problem, FileProblemsEscapeThePathIntoOneLine) {
  // {path, what is wrong, the line on standard error}
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"/s/slot01.sav", "damaged", "nev: /s/slot01.sav: damaged; do\n"},
      {"/s/雨.sav", "damaged", "nev: /s/雨.sav: damaged; do\n"},
      {"/s/\x89\x4a.sav", "damaged", "nev: /s/\\x89J.sav: damaged; do\n"},  // code page 932 on disk
      {"/s/a\nb\x1b[2J", "x", "nev: /s/a\\nb\\x1B[2J: x; do\n"},
      {"/s/\xC0\xAF", "x", "nev: /s/\\xC0\\xAF: x; do\n"},  // an overlong "/" is no character
      {"/s/\xED\xA0\x80", "x", "nev: /s/\\xED\\xA0\\x80: x; do\n"},  // nor is a surrogate
  };
  for (const auto& [path, what, line] : cases) {
    Problem problem = fileProblem(ProblemKind::CannotRead, path, what);
    problem.advice = "do";
    EXPECT_EQ(problemLine(problem), line) << path;
    EXPECT_FALSE(problem.showsBox()) << path;
    // Escaped once is escaped for good: a caller may escape again.
    EXPECT_EQ(fileProblem(ProblemKind::CannotRead, problem.detail, "y").detail,
              problem.detail + ": y");
  }
  EXPECT_EQ(problemLine({.detail = "a: b", .advice = "c"}, "nev render"), "nev render: a: b; c\n");
}
