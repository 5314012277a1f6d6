#include "base/text_file.h"

#include <utility>

#include "base/file_bytes.h"

TextFile::TextFile(TextFile&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      ended_(other.ended_),
      inMemory_(std::exchange(other.inMemory_, false)),
      memory_(std::move(other.memory_)),
      memoryAt_(other.memoryAt_) {}

TextFile& TextFile::operator=(TextFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    ended_ = other.ended_;
    inMemory_ = std::exchange(other.inMemory_, false);
    memory_ = std::move(other.memory_);
    memoryAt_ = other.memoryAt_;
  }
  return *this;
}

bool TextFile::open(const std::string& hostPath, const char* mode) {
  close();
  // Only a regular file is read: a FIFO would block in its open, a device never ends, and a
  // folder opens on Linux only to fail at its first read.
  if (mode[0] == 'r' && !isRegularFile(hostPath)) return false;
  // Binary on the host: the text-mode translation is ours, so it is the same everywhere.
  const std::string hostMode = std::string(mode) + "b";
  handle_ = std::fopen(hostPath.c_str(), hostMode.c_str());
  ended_ = false;
  return handle_ != nullptr;
}

void TextFile::openBytes(std::string bytes) {
  close();
  memory_ = std::move(bytes);
  memoryAt_ = 0;
  inMemory_ = true;
  ended_ = false;
}

bool TextFile::close() {
  inMemory_ = false;
  memory_.clear();
  if (handle_ == nullptr) return true;
  const bool flushed = std::fclose(handle_) == 0;
  handle_ = nullptr;
  return flushed;
}

int TextFile::rawByte() {
  if (inMemory_) {
    return memoryAt_ < memory_.size() ? static_cast<unsigned char>(memory_[memoryAt_++]) : EOF;
  }
  return std::getc(handle_);
}

void TextFile::unreadByte(int c) {
  if (inMemory_) {
    --memoryAt_;
  } else {
    std::ungetc(c, handle_);
  }
}

int TextFile::nextByte() {
  if (ended_ || !isOpen()) return EOF;
  int c = rawByte();
  if (c == EOF || c == static_cast<unsigned char>(kEndOfFileMark)) {
    ended_ = true;
    return EOF;
  }
  if (c == '\r') {
    int next = rawByte();
    if (next == '\n') return '\n';
    if (next != EOF) unreadByte(next);
  }
  return c;
}

int TextFile::readLine(char* buffer, int size) {
  if (size < 1) return 0;
  int count = 0;
  while (count < size - 1) {
    int c = nextByte();
    if (c == EOF) break;
    buffer[count++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (count == 0) return 0;
  buffer[count] = '\0';
  return count;
}

bool TextFile::write(const char* bytes, size_t count) {
  if (handle_ == nullptr) return false;
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] == '\n' && std::fputc('\r', handle_) == EOF) return false;
    if (std::fputc(static_cast<unsigned char>(bytes[i]), handle_) == EOF) return false;
  }
  return true;
}
