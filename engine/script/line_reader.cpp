#include "engine/script/line_reader.h"

#include "base/text_file.h"

namespace {

// One less than a buffer line: the scrambled piece needs room for its extra line feed.
constexpr int kLongestScrambledPiece = kScriptLineSize - 2;

}  // namespace

int readScriptLine(char* buffer, int size, TextFile& script, int32_t scrambledScripts) {
  const int length = script.readLine(buffer, size);
  if (length == 0 || scrambledScripts != 1 || buffer[0] == '\n') return length;
  for (int i = 0; i < length && buffer[i] != '\n'; ++i) {
    buffer[i] = static_cast<char>(static_cast<unsigned char>(buffer[i]) - 1);
  }
  return length;
}

bool scrambleScript(TextFile& plain, TextFile& scrambled) {
  char piece[kScriptLineSize];
  bool written = true;
  for (int length; (length = plain.readLine(piece, kLongestScrambledPiece + 1)) > 0;) {
    for (int i = 0; i < length; ++i) {
      piece[i] = static_cast<char>(static_cast<unsigned char>(piece[i]) + 1);
    }
    piece[length] = '\n';
    written = scrambled.write(piece, length + 1) && written;
  }
  return written;
}

bool unscrambleScript(TextFile& scrambled, TextFile& plain) {
  char line[kScriptLineSize];
  bool written = true;
  for (int length; (length = scrambled.readLine(line, kScriptLineSize)) > 0;) {
    // Drop the line feed that scrambling appended; what remains is the piece, shifted.
    int pieceLength = line[length - 1] == '\n' ? length - 1 : length;
    for (int i = 0; i < pieceLength; ++i) {
      line[i] = static_cast<char>(static_cast<unsigned char>(line[i]) - 1);
    }
    written = plain.write(line, pieceLength) && written;
  }
  return written;
}
