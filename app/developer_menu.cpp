#include "app/developer_menu.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/menu.h"
#include "app/messages.h"
#include "platform/text_file.h"
#include "script/line_reader.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kToolCaption = "テキスト暗号化";

FileDialog plainScriptDialog() {
  return {"ファイル選択",
          {{"Text Files (*.txt)", "*.txt"}, {"STX Files (*.stx)", "*.stx"}, {"All Files (*.*)", "*.*"}},
          "txt",
          true};
}

FileDialog scrambledScriptDialog() {
  return {"ファイル選択", {{"STX files (*.stx)", "*.stx"}, {"All Files (*.*)", "*.*"}}, "stx", false};
}

}  // namespace

bool isSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error);
}

void addDeveloperMenu(WindowPort& port) {
  port.appendMenuItem(kSubmenuHelp, kMenuDeveloperHelp, "デバッグヘルプ", true);
  port.appendMenuItem(kSubmenuHelp, kMenuScramble, "テキスト暗号化", false);
  port.appendMenuItem(kSubmenuHelp, kMenuClientSize, "ウインドサイズ", false);
  port.appendMenuItem(kSubmenuHelp, kMenuRemoveMenu, "メニュー消去", false);
}

std::string convertScriptFile(const std::string& inputPath, const std::string& outputPath,
                              bool scramble) {
  TextFile input;
  if (!input.open(inputPath, "r")) return inputPath;
  // The output is replaced only by a complete file: a failed pass leaves it as it was.
  const fs::path output(outputPath);
  std::string temporary =
      (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) return outputPath;
  close(descriptor);
  // The new file gets the permissions of the one it replaces, or the usual ones.
  std::error_code error;
  const fs::perms permissions = fs::exists(output, error)
                                    ? fs::status(output, error).permissions()
                                    : fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::others_read;
  fs::permissions(temporary, permissions, error);
  TextFile written;
  bool complete = written.open(temporary, "w");
  if (complete) {
    complete = scramble ? scrambleScript(input, written) : unscrambleScript(input, written);
    complete = written.close() && complete;
  }
  if (complete) fs::rename(temporary, output, error);
  if (!complete || error) {
    fs::remove(temporary, error);
    return outputPath;
  }
  return "";
}

int32_t runScramblingTool(WindowPort& port) {
  std::optional<std::string> inputPath = port.chooseFile(plainScriptDialog());
  if (!inputPath) return -1;
  TextFile probe;
  if (!probe.open(*inputPath, "r")) {
    port.showBox(*inputPath, kCaptionBadFile);
    return -1;
  }
  probe.close();
  port.showBox("保存するファイル名を指定して下さい", kToolCaption);
  std::optional<std::string> outputPath = port.chooseFile(scrambledScriptDialog());
  if (!outputPath) return -1;
  // Writing over the plain script would empty it before it is read.
  if (isSameFile(*inputPath, *outputPath)) {
    port.showBox(*outputPath + "\n\n読み込むファイルと同じファイルには保存できません", kToolCaption);
    return -1;
  }
  const std::string failed = convertScriptFile(*inputPath, *outputPath, true);
  if (!failed.empty()) {
    port.showBox(failed, kCaptionBadFile);
    return -1;
  }
  port.showBox("処理終了", kToolCaption);
  return 0;
}
