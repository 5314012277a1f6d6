#pragma once
// Story text files read and written with the Windows text-mode rules, on every platform:
// CR LF reads as LF, a lone CR stays, byte 0x1A ends the file; writing turns LF into CR LF.

#include <cstdio>
#include <string>
#include <string_view>

// Windows text mode: this byte ends the file, whatever follows it.
inline constexpr char kEndOfFileMark = 0x1A;

// A line without the line feed (and carriage returns) it ends with.
inline std::string_view withoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

class TextFile {
 public:
  TextFile() = default;
  ~TextFile() { close(); }
  TextFile(TextFile&& other) noexcept;
  TextFile& operator=(TextFile&& other) noexcept;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens a file by its host path; mode "r" or "w". Returns false when it cannot be opened.
  bool open(const std::string& hostPath, const char* mode);
  // Reads `bytes` as a file's, for stories whose files are not on disk (a zip, a download).
  void openBytes(std::string bytes);
  // False when buffered data could not be written out.
  bool close();
  bool isOpen() const { return handle_ != nullptr || inMemory_; }
  // Whether a read failed: what looked like the end of the file was an error.
  bool readFailed() const { return handle_ != nullptr && std::ferror(handle_) != 0; }

  // As fgets: at most size - 1 bytes, stopping after the first line feed, then a zero byte.
  // Returns the number of bytes stored, or 0 at the end of the file (the buffer is untouched).
  int readLine(char* buffer, int size);

  // Writes bytes, each line feed as CR LF. Returns false if the write failed.
  bool write(const char* bytes, size_t count);

 private:
  int nextByte();
  int rawByte();
  void unreadByte(int c);

  std::FILE* handle_ = nullptr;
  bool ended_ = false;
  bool inMemory_ = false;
  std::string memory_;
  size_t memoryAt_ = 0;
};
