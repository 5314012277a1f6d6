#pragma once
// Script lines: the reader every script line goes through, and the scrambled form that the
// authors' tool writes (every byte one higher, so the text is not plain to read).

#include <cstdint>

class TextFile;

inline constexpr int kScriptLineSize = 1024;

// Reads the next line as fgets does (at most size - 1 bytes, its line feed kept when it fits).
// With scrambledScripts exactly 1 the bytes before the line feed are shifted back by one.
// Returns the number of bytes delivered, or 0 at the end of the file (buffer untouched).
int readScriptLine(char* buffer, int size, TextFile& script, int32_t scrambledScripts);

// Writes the scrambled form of a plain script: one stored line for each piece of a line, every
// byte plus one (the piece's own line feed becomes 0x0B), then a line feed. Lines longer than
// 1022 bytes are stored in pieces of 1022, and a plain 0xFF is stored as 0x00 and read back as
// 0xFF, so that nothing is lost. Returns false if a write failed.
bool scrambleScript(TextFile& plain, TextFile& scrambled);

// The inverse of scrambleScript, for authors who want their plain text back: each stored line
// shifted back, without the line feed that scrambling added.
bool unscrambleScript(TextFile& scrambled, TextFile& plain);
