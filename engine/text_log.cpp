#include "engine/text_log.h"

#include <cerrno>
#include <cstring>

#include "base/codepage.h"
#include "engine/host.h"

TextLog::~TextLog() {
  if (ownsFile_) std::fclose(file_);
}

bool TextLog::open(const std::string& path, std::string& error) {
  if (path == "-") {
    file_ = stdout;
    return true;
  }
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  ownsFile_ = true;
  return true;
}

void TextLog::write(const std::string& text) {
  std::fputs(text.c_str(), file_);
  std::fflush(file_);
}

void TextLog::attach(PlatformServices& platform) {
  if (file_ == nullptr) return;
  platform.lineTyped = [this](const std::string&, int32_t, std::string_view text) {
    write(cp932ToUtf8Escaped(text) + "\n");
  };
  platform.choiceOffered = [this](const std::vector<std::string>& items) {
    std::string lines;
    for (size_t i = 0; i < items.size(); ++i) {
      lines += "[" + std::to_string(i + 1) + "] " + cp932ToUtf8Escaped(items[i]) + "\n";
    }
    write(lines);
  };
}
