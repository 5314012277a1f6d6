#pragma once
// `nev scramble PLAIN OUT` and `nev unscramble STX OUT`: the conversion of a script to its
// scrambled form and back, from the command line.

// `words` are the arguments after the subcommand. Returns the exit status: 0 written, 1 not.
int runScrambleCommand(int count, const char* const words[], bool scramble);
