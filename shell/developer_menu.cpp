#include "shell/developer_menu.h"

#include <optional>

#include "authoring/script_conversion.h"
#include "base/text_file.h"
#include "engine/messages.h"
#include "shell/menu.h"

namespace {

constexpr const char* kToolCaption = "テキスト暗号化";

FileDialog plainScriptDialog(const std::string& folder) {
  return {"ファイル選択",
          {{"Text Files (*.txt)", "*.txt"}, {"STX Files (*.stx)", "*.stx"}, {"All Files (*.*)", "*.*"}},
          "txt",
          true,
          folder};
}

FileDialog scrambledScriptDialog(const std::string& folder) {
  return {"ファイル選択",
          {{"STX files (*.stx)", "*.stx"}, {"All Files (*.*)", "*.*"}},
          "stx",
          false,
          folder};
}

}  // namespace

void addDeveloperMenu(WindowPort& port) {
  port.appendMenuItem(kSubmenuHelp, kMenuDeveloperHelp, "デバッグヘルプ", true);
  port.appendMenuItem(kSubmenuHelp, kMenuScramble, "テキスト暗号化", false);
  port.appendMenuItem(kSubmenuHelp, kMenuClientSize, "ウインドサイズ", false);
  port.appendMenuItem(kSubmenuHelp, kMenuRemoveMenu, "メニュー消去", false);
}

void addReloadItem(WindowPort& port) {
  port.appendMenuItem(kSubmenuHelp, kMenuReloadScripts, "スクリプト再読み込み\tShift+R", true);
}

int32_t runScramblingTool(WindowPort& port, const std::string& storyFolder) {
  std::optional<std::string> inputPath = port.chooseFile(plainScriptDialog(storyFolder));
  if (!inputPath) return -1;
  TextFile probe;
  if (!probe.open(*inputPath, "r")) {
    port.showBox(*inputPath, kCaptionBadFile);
    return -1;
  }
  probe.close();
  port.showBox("保存するファイル名を指定して下さい", kToolCaption);
  std::optional<std::string> outputPath = port.chooseFile(scrambledScriptDialog(storyFolder));
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
