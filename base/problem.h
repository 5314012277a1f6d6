#pragma once
// Problem: every failure nev tells of, in one shape. A box shows the system's terse text under
// its caption, and in its details area the full path, what is wrong and what to do; a terminal
// or a log gets those on one plain line.
// Operations return std::optional<Problem> (nothing when they succeed); those that return a
// value take a Problem& filled in when the value is null.

#include <string>
#include <string_view>

enum class ProblemKind {
  StoryFile,     // a story's file is missing, unreadable or not what it should be
  Label,         // a jump's label is not in its script
  Setting,       // a value of nev.ini is wrong
  Memory,        // no memory for a picture
  NotASave,      // the bytes are no save file
  NewerSave,     // made by a newer nev
  DamagedSave,   // not whole, or not as nev writes one
  TooLargeSave,  // claims more than a save may hold
  OtherStory,    // a save of another story
  CannotRestore, // its script changed there, or its pictures are of another size
  NoSavePoint,   // the story has not reached a place to save yet
  CannotRead,    // a file nev reads beside the story's (a save, read marks)
  CannotWrite,   // a file nev writes, or may not write
  NotAFolder,    // a story folder nev cannot enter
};

struct Problem {
  ProblemKind kind = ProblemKind::StoryFile;
  // UTF-8, as the system shows them; an empty caption: the failure shows no box.
  std::string boxText = {};
  std::string caption = {};
  // Safe to print: the full path of the file at fault where there is one, then what is wrong.
  std::string detail = {};
  // The line of the file at fault; 0 for the file as a whole.
  int fileLine = 0;
  // What the reader or author can do about it, safe to print; empty: a box's problem gets the
  // kind's usual advice.
  std::string advice = {};

  bool showsBox() const { return !caption.empty(); }
};

// A failure to use the file at `path` (host bytes, escaped here): "<path>: <what>", no box.
Problem fileProblem(ProblemKind kind, std::string_view path, std::string_view what);

// What to do about `problem`: its own advice, else for a box's problem what helps with its
// kind.
std::string problemAdvice(const Problem& problem);

// The line for standard error: "<program>: <detail>; <advice>" and a line feed, without the
// advice where there is none.
std::string problemLine(const Problem& problem, std::string_view program = "nev");

// The box's details area: the detail, then the advice on a line of its own.
std::string problemDetails(const Problem& problem);
