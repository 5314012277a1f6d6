#include "base/problem.h"

#include "base/codepage.h"

Problem fileProblem(ProblemKind kind, std::string_view path, std::string_view what) {
  Problem problem;
  problem.kind = kind;
  problem.detail = printableHostText(path) + ": " + std::string(what);
  return problem;
}

std::string problemLine(const Problem& problem, std::string_view program) {
  return std::string(program) + ": " + problem.detail + "\n";
}
