#include "app/console_story.h"

#include <string>
#include <string_view>
#include <thread>

#include "app/context.h"
#include "platform/codepage.h"

namespace {

std::string printable(std::string_view cp932) {
  while (!cp932.empty() && cp932.back() == '\n') cp932.remove_suffix(1);
  return cp932ToUtf8(cp932);
}

char letterOf(Command command) {
  for (int letter = ';'; letter <= 'Z'; ++letter) {
    if (commandForLetter(static_cast<char>(letter)) == command) return static_cast<char>(letter);
  }
  return '?';
}

}  // namespace

void playStoryInConsole(NevContext& context, std::FILE* out) {
  RunnerOperations operations;
  operations.prepareRunnerSurfaces = [] {};
  operations.drawTextLine = [out](const char* text, int) {
    std::fprintf(out, "%s\n", printable(text).c_str());
    std::fflush(out);
  };
  operations.waitForClick = [] {};
  operations.carryOut = [&context, out](Command command, char* arguments) {
    std::fprintf(out, "@%c %s\n", letterOf(command), printable(arguments).c_str());
    std::fflush(out);
    if (command == Command::End) context.words.stopRunner = 1;
    return CommandOutcome::Continue;
  };
  std::thread runner([&] { ScriptRunner(context, operations); });
  runner.join();
}
