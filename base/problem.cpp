#include "base/problem.h"

#include "base/codepage.h"

Problem fileProblem(ProblemKind kind, std::string_view path, std::string_view what) {
  Problem problem;
  problem.kind = kind;
  problem.detail = printableHostText(path) + ": " + std::string(what);
  return problem;
}

std::string problemAdvice(const Problem& problem) {
  // A line without a box already says what follows from it where that matters.
  if (!problem.advice.empty() || !problem.showsBox()) return problem.advice;
  switch (problem.kind) {
    case ProblemKind::StoryFile:
      return "the story's folder must hold this file as its author made it";
    case ProblemKind::Label:
      return "the script must hold this label; tell the story's author";
    case ProblemKind::Setting:
      return "mend this line of nev.ini";
    case ProblemKind::Memory:
      return "close other programs, then start the story again";
    case ProblemKind::NotASave:
      return "choose a save that nev wrote";
    case ProblemKind::NewerSave:
      return "load it with the newer nev that wrote it";
    case ProblemKind::DamagedSave:
    case ProblemKind::TooLargeSave:
      return "choose another save";
    case ProblemKind::OtherStory:
      return "load it with the story it was made in";
    case ProblemKind::CannotRestore:
      return "choose another save, or start the story from its beginning";
    case ProblemKind::NoSavePoint:
      return "read on to the next click or choice, then save";
    case ProblemKind::CannotRead:
      return "check that the file is there and may be read";
    case ProblemKind::CannotWrite:
      return "check that the folder may be written and the disk has room";
    case ProblemKind::NotAFolder:
      return "name the folder that holds the story's nev.ini";
  }
  return {};
}

std::string problemLine(const Problem& problem, std::string_view program) {
  const std::string advice = problemAdvice(problem);
  return std::string(program) + ": " + problem.detail + (advice.empty() ? "" : "; " + advice) + "\n";
}

std::string problemDetails(const Problem& problem) {
  const std::string advice = problemAdvice(problem);
  return problem.detail + (advice.empty() ? "" : "\n" + advice);
}
