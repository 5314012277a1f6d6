#include "engine/text_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/codepage.h"
#include "base/output_target.h"
#include "engine/host.h"

TextLog::~TextLog() {
  if (ownsFile_ && file_ != nullptr) std::fclose(file_);
}

std::optional<Problem> TextLog::open(const std::string& path, const std::string& storyFolder) {
  if (path == "-") {
    file_ = stdout;
    shownName_ = "standard output";
    return std::nullopt;
  }
  if (std::optional<Problem> refused = outputTargetProblem(path, storyFolder, true)) return refused;
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  file_ = descriptor < 0 ? nullptr : ::fdopen(descriptor, "w");
  if (file_ == nullptr) {
    const int failure = errno;
    if (descriptor >= 0) ::close(descriptor);
    return fileProblem(ProblemKind::CannotWrite, path, std::strerror(failure));
  }
  ownsFile_ = true;
  shownName_ = printableHostText(path);
  return std::nullopt;
}

void TextLog::write(const std::string& text) {
  if (file_ == nullptr) return;
  if (std::fputs(text.c_str(), file_) >= 0 && std::fflush(file_) == 0) return;
  const int failure = errno;
  printProblem({.kind = ProblemKind::CannotWrite,
                .detail = "cannot write " + shownName_ + ": " + std::strerror(failure) +
                          "; the story goes on without it"});
  if (ownsFile_) std::fclose(file_);
  file_ = nullptr;
}

void TextLog::attach(PlatformServices& platform) {
  if (file_ == nullptr) return;
  platform.lineTyped = [this](const std::string&, int32_t, std::string_view text) {
    write(std::string(text) + "\n");
  };
  platform.choiceOffered = [this](const std::vector<std::string>& items) {
    std::string lines;
    for (size_t i = 0; i < items.size(); ++i) {
      lines += "[" + std::to_string(i + 1) + "] " + items[i] + "\n";
    }
    write(lines);
  };
}
