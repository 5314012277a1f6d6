#include "shell/menu.h"

namespace {

// Captions are filled in with each slot's save when the menu opens.
std::vector<MenuEntry> bookmarkEntries() {
  using Kind = MenuEntry::Kind;
  std::vector<MenuEntry> entries{{Kind::SubmenuStart, 0, "セーブ"}};
  for (int32_t slot = 0; slot < 10; ++slot) entries.push_back({Kind::Item, kMenuSaveSlotFirst + slot, ""});
  entries.push_back({Kind::SubmenuEnd, 0, ""});
  entries.push_back({Kind::SubmenuStart, 0, "ロード"});
  for (int32_t slot = 0; slot < 10; ++slot) entries.push_back({Kind::Item, kMenuLoadSlotFirst + slot, ""});
  entries.push_back({Kind::SubmenuEnd, 0, ""});
  entries.push_back({Kind::Item, kMenuSlotDialog, "しおりの一覧…"});
  entries.push_back({Kind::Separator, 0, ""});
  entries.push_back({Kind::Item, kMenuQuickSave, "クイックセーブ\tF5"});
  entries.push_back({Kind::Item, kMenuQuickLoad, "クイックロード\tF9"});
  return entries;
}

std::vector<MenuEntry> volumeEntries(const char* caption, int32_t first) {
  using Kind = MenuEntry::Kind;
  std::vector<MenuEntry> entries{{Kind::SubmenuStart, 0, caption}};
  const char* steps[] = {"なし", "25%", "50%", "75%", "100%"};
  for (int32_t step = 0; step < kVolumeSteps; ++step) {
    entries.push_back({Kind::Item, first + step, steps[step], step == kVolumeSteps - 1});
  }
  entries.push_back({Kind::SubmenuEnd, 0, ""});
  return entries;
}

std::vector<MenuEntry> readingEntries() {
  using Kind = MenuEntry::Kind;
  std::vector<MenuEntry> entries{
      {Kind::Item, kMenuBacklog, "バックログ\t↑"},
      {Kind::Separator, 0, ""},
      {Kind::Item, kMenuSkip, "スキップ\tCtrl"},
      {Kind::Item, kMenuSkipUnread, "未読もスキップする"},
      {Kind::Item, kMenuAuto, "オート"},
      {Kind::SubmenuStart, 0, "オートの速さ"},
      {Kind::Item, kMenuAutoSpeedFirst, "ゆっくり"},
      {Kind::Item, kMenuAutoSpeedFirst + 1, "ふつう", true},
      {Kind::Item, kMenuAutoSpeedFirst + 2, "はやい"},
      {Kind::SubmenuEnd, 0, ""},
      {Kind::Separator, 0, ""}};
  for (const MenuEntry& entry : volumeEntries("音楽の音量", kMenuMusicVolumeFirst)) entries.push_back(entry);
  for (const MenuEntry& entry : volumeEntries("効果音の音量", kMenuSoundVolumeFirst)) entries.push_back(entry);
  entries.push_back({Kind::Item, kMenuMute, "消音"});
  entries.push_back({Kind::Separator, 0, ""});
  entries.push_back({Kind::Item, kMenuScreenshot, "スクリーンショット\tF12"});
  entries.push_back({Kind::Item, kMenuCopyText, "ページの文をコピー\tCtrl+C"});
  return entries;
}

}  // namespace

std::vector<MenuBarEntry> startMenuBar() {
  using Kind = MenuEntry::Kind;
  return {
      {"ゲーム",
       {{Kind::SubmenuStart, 0, "メッセージ速度"},
        {Kind::Item, kMenuSpeedFastest, "最速"},
        {Kind::Item, kMenuSpeedFourTimes, "４倍速"},
        {Kind::Item, kMenuSpeedDefault, "デフォルト", true},
        {Kind::SubmenuEnd, 0, ""},
        {Kind::Separator, 0, ""},
        {Kind::Item, kMenuEndGame, "ゲーム終了"}}},
      {"スクリーン",
       {{Kind::Item, kMenuDefaultWindow, "デフォルトウインドウサイズ", true},
        {Kind::Item, kMenuFullSizeWindow, "フルサイズウインドウ"},
        {Kind::Separator, 0, ""},
        {Kind::Item, kMenuFullScreen, "フルスクリーン表示"},
        {Kind::SubmenuStart, 0, "拡大のしかた"},
        {Kind::Item, kMenuScaleKeepProportions, "縦横比を保つ", true},
        {Kind::Item, kMenuScaleWholeMultiples, "整数倍だけ"},
        {Kind::Item, kMenuScaleStretch, "画面いっぱいに引き伸ばす"},
        {Kind::SubmenuEnd, 0, ""},
        {Kind::Item, kMenuForgetWindowSize, "覚えた大きさを忘れる"}}},
      {"ヘルプ",
       {{Kind::Item, kMenuHelpContents, "ヘルプ目次"},
        {Kind::Separator, 0, ""},
        {Kind::Item, kMenuVersion, "バージョン情報"}}},
      {"しおり", bookmarkEntries()},
      {"読みかた", readingEntries()},
      // Filled in with the story's languages when it has translations; hidden when not.
      {"言語", {}},
  };
}
