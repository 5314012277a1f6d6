#include "shell/window_proc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "engine/context.h"
#include "shell/menu.h"
#include "shell/pad_mapping.h"
#include "story_world.h"

namespace {

// Logs what the window procedure asks of the desktop, each call ending in "; ", and answers
// the file dialogs in turn; an empty answer cancels.
struct FakePort : WindowPort {
  std::string calls;
  std::vector<Size> offeredModes;
  Size monitor{1280, 1024};
  std::vector<std::string> answers;
  size_t answered = 0;

  void log(const std::string& call) { calls += call + "; "; }
  void log(const char* what, Size s) {
    log(what + std::to_string(s.width) + "x" + std::to_string(s.height));
  }
  void showBox(const std::string& text, const std::string& title, const std::string& = {}) override {
    log(title + ": " + text);
  }
  void appendMenuItem(int32_t menu, int32_t id, const std::string& caption, bool brk) override {
    log(std::to_string(id) + " in " + std::to_string(menu) + (brk ? "|" : " ") + caption);
  }
  void checkMenuItem(int32_t id, bool on) override {
    log((on ? "on " : "off ") + std::to_string(id));
  }
  void setMenuBarAttached(bool attached) override { log(attached ? "attach" : "detach"); }
  void destroyWindow() override { log("destroy"); }
  bool openWithDesktop(const std::string& path) override { return log("open " + path), true; }
  std::optional<std::string> chooseFile(const FileDialog& dialog) override {
    log("choose " + dialog.defaultSuffix + (dialog.mustExist ? " existing" : " new"));
    // A desktop's dialog gives the full path of a name picked in the folder it opened in.
    const std::string answer = answered < answers.size() ? answers[answered++] : "";
    return answer.empty() ? std::nullopt : std::optional(dialog.folder + "/" + answer);
  }
  void showDefaultWindow(Size client) override { log("window ", client); }
  void showPreviousWindow(Size client) override { log("previous ", client); }
  void showFullSizeWindow() override { log("full size"); }
  void setEmulatedDisplay(Size display) override { log("display ", display); }
  void setPictureScaling(PictureScaling s) override { log("scaling " + std::to_string(int(s))); }
  std::vector<Size> platformDisplayModes() override { return offeredModes; }
  Size monitorSize() override { return monitor; }
  void setMenuItem(int32_t id, const std::string& caption, bool enabled) override {
    menuItems[id] = (enabled ? "" : "(grey) ") + caption;
  }
  bool askYesNo(const std::string& text, const std::string&) override {
    return log("ask " + text), true;
  }
  bool askBeforeLosing(const std::string& text, const std::string&) override {
    log("ask " + text);
    return losingAnswers.empty() ? false : losingAnswers[answeredLosing++ % losingAnswers.size()];
  }
  SlotDialogChoice chooseSlot(const SlotListing* listings, int32_t, bool canSave, int32_t lit) override {
    const std::string tile = slotTile(*this, 1, listings[1], false);  // its name line after "1"
    log(std::string("slots, 1 ") + (listings[1].used ? "used" : "empty") +
        tile.substr(1, tile.find('\n') - 1) +
        (canSave ? ", can save" : "") + (lit != 0 ? ", lit " + std::to_string(lit) : ""));
    return dialogAnswers.empty() ? SlotDialogChoice{} : dialogAnswers[answeredDialogs++ % dialogAnswers.size()];
  }
  void restartStoryAt(const SavePoint& point) override {
    log("restart at " + point.scriptName + " after " + std::to_string(point.linesRead));
  }
  void reopenInLanguage(const std::string& code, const SavePoint& point) override {
    log("reopen in " + code + (point.taken ? " after " + std::to_string(point.linesRead) : " at the start"));
  }
  void setVolumes(int32_t music, int32_t sound) override {
    log("volumes " + std::to_string(music) + " " + std::to_string(sound));
  }
  void greyMenuItem(int32_t id, const std::string& why) override {
    menuItems[id] = "(grey) " + why;
  }
  void saveScreenshot() override { log("screenshot"); }
  std::string ourText(const std::string& j) override { return texts.contains(j) ? texts[j] : j; }
  std::map<std::string, std::string> texts;  // our texts in another language
  void copyText(const std::string& text) override { log("copy " + text); }
  void showBacklog() override { log("backlog"); }
  int32_t chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) override {  // the ticked
    for (const ReaderMenuItem& item : items) calls += item.checked ? "menu " + item.caption : "";
    return log(std::to_string(items.size())), readerMenuAnswer;
  }
  int32_t readerMenuAnswer = 0;
  std::map<int32_t, std::string> menuItems;
  void showNotice(const std::string& text) override { log("notice " + text); }
  std::vector<SlotDialogChoice> dialogAnswers;
  size_t answeredDialogs = 0;
  std::vector<bool> losingAnswers;  // none: いいえ
  size_t answeredLosing = 0;
};

TEST(WindowProc, MenusAndTheirCommandsInTurn) {
  StoryWorld world{640, 480, [](GameConfig& settings) {
                     settings.developerMenu = 1;
                     std::strcpy(settings.aboutText1, "A");  // each line's end a blank
                     std::strcpy(settings.aboutText2, "");
                   }};
  NevContext& context = *world.context;
  context.shared.cwinX = 800;
  context.shared.cwinY = 581;
  world.story.write("nevmake.hlp", "help");  // and no NEV.HLP
  WindowState state;
  FakePort port;
  buildStartMenus(context, state, port);
  EXPECT_EQ(
      port.calls,
      "41000 in 1|Screen  1280 * 1024; 41001 in 1 Screen  640 * 480; 41002 in 1 Screen  800 * "
      "600; 41003 in 1 Screen  1024 * 768; 41004 in 1 Screen  1280 * 720; 41005 in 1 Screen  "
      "1280 * 960; on 41000; 42000 in 2|デバッグヘルプ; 42001 in 2 テキスト暗号化; 42002 in 2 "
      "ウインドサイズ; 42003 in 2 メニュー消去; ");
  EXPECT_EQ(state.displayModes.startModeIndex, 0);
  const std::pair<int32_t, std::string> steps[] = {
      {kMenuSpeedFastest, "on 40031; off 40032; off 40033; pinned, speed 32000"},
      {kMenuSpeedFourTimes, "off 40031; on 40032; off 40033; pinned, speed 4"},
      {kMenuSpeedDefault, "off 40031; off 40032; on 40033; pinned, speed 1"},
      {kMenuFullSizeWindow, "detach; off 40012; on 40013; off 40025; full size; full size, speed 1"},
      {kMenuFullScreen,
       "off 41000; on 41000; display 1280x1024; detach; off 40012; off 40013; on 40025; full size; "
       "full size, speed 1"},
      {41005, "off 41000; on 41005; display 1280x960; full size, speed 1"},  // a mode alone: the window stays
      {kMenuDefaultWindow,
       "off 41005; on 41000; display 1280x1024; on 40012; off 40013; off 40025; attach; window "
       "640x480; pinned, speed 1"},
      {kMenuScaleStretch, "off 43000; off 43001; on 43002; scaling 2; pinned, speed 1"},
      {kMenuForgetWindowSize,
       "on 43000; off 43001; off 43002; scaling 0; off 41000; on 41000; display 1280x1024; on "
       "40012; off 40013; off 40025; attach; window 640x480; pinned, forgotten, speed 1"},
      {kMenuScaleWholeMultiples, "off 43000; on 43001; off 43002; scaling 1; pinned, speed 1"},
      {kMenuRemoveMenu, "detach; speed 1"},
      {kMenuVersion, "バージョン情報: A \n\nNEV System 1 Ver 1.2\n\n ; speed 1"},
      {kMenuClientSize, "C Window Size: cwinX = 800\ncwinY = 581; speed 1"},
      {kMenuHelpContents, "ファイルが変: NEV.HLP; speed 1"},
      {kMenuDeveloperHelp,
       "open " + std::filesystem::canonical(world.story.path()).string() + "/nevmake.hlp; speed 1"},
      {12345, "speed 1"},
      {41006, "speed 1"},  // one past the listed modes
      {kMenuEndGame, "destroy; speed 1"},
  };
  for (const auto& [id, calls] : steps) {
    port.calls.clear();
    onMenuCommand(context, state, port, id);
    const std::string now = std::string(state.menuBar.menuBarPinned ? "pinned, " : "") +
                            (state.fullSize() ? "full size, " : "") +
                            (state.windowSizeForgotten ? "forgotten, " : "") + "speed " +
                            std::to_string(context.shared.messageSpeed.load());
    EXPECT_EQ(port.calls + now, calls) << id;
  }

  // Modes the platform lists keep their order and duplicates, up to ten; the start mode is the
  // last of the monitor's size. Only a switch of 1 adds the developer items and obeys them.
  StoryWorld other{640, 480, [](GameConfig& settings) { settings.developerMenu = 2; }};
  port.monitor = {800, 600};
  for (int i = 0; i < 12; ++i) port.offeredModes.push_back(i % 3 ? Size{640, 480} : port.monitor);
  port.calls.clear();
  buildStartMenus(*other.context, state, port);
  for (int32_t id = kMenuDeveloperHelp; id <= kMenuRemoveMenu; ++id) {
    onMenuCommand(*other.context, state, port, id);
  }
  EXPECT_TRUE(port.calls.ends_with("41009 in 1 Screen  800 * 600; on 41009; "));
  EXPECT_EQ(state.displayModes.startModeIndex, 9);
}

// The 言語 menu lists each translation beside the story, by its name, and reopens the story in
// the one chosen at the reader's place; choosing the one being read changes nothing.
TEST(WindowProc, LanguageMenuListsTranslationsAndReopensAtThePlace) {
  StoryWorld world{8, 6, [](GameConfig& settings) { settings.waitEveryLine = 1; }};
  NevContext& context = *world.context;
  WindowState state;
  FakePort port;
  buildLanguageMenu(context, state, port);
  EXPECT_EQ(port.calls, "");  // no translations: no menu
  world.story.write("lang/en/STORY.PO", "");
  world.story.write("lang/en/Language.ini", "[other]\nname=No\n[language]\r\nname=English\r\n");
  world.story.write("lang/pt-BR/story.po", "");
  world.story.write("lang/xx/language.ini", "[language]\nname=Unfinished\n");
  buildLanguageMenu(context, state, port);
  EXPECT_EQ(port.calls,
            "46000 in 5 原文; on 46000; 46001 in 5 English; off 46001; 46002 in 5 pt-BR; off 46002; "
            "46100 in 5|原文を表示\tO; ");
  world.onSleep = [&] { context.shared.clicked = 1; };
  const std::pair<int32_t, std::string> steps[] = {
      {kMenuLanguageFirst + 2, "off 46002; reopen in pt-BR at the start; "},
      {kMenuLanguageFirst + 3, ""},  // past the list
      {0, ""},                       // the story reaches a wait
      {kMenuLanguageFirst, "on 46000; "},
      {kMenuLanguageFirst + 1, "off 46001; reopen in en after 1; "},
  };
  for (const auto& [id, calls] : steps) {
    port.calls.clear();
    if (id == 0) world.runStory(sjis("line\r\n"));
    else onMenuCommand(context, state, port, id);
    EXPECT_EQ(port.calls, calls) << id;
  }

  // Held at a wait, the page stands in the original over the bare picture; let go, the page
  // comes back as it was (here a pixel the translation had drawn).
  StoryWorld held{64, 48, [](GameConfig& settings) { settings.waitEveryLine = 1; }};
  const auto pixel = [&] { return held.context->surfaces.displayBitmap->pixels.back(); };
  std::vector<Pixel> seen;
  held.onSleep = [&] {
    if (held.context->shared.waitingForClick.load() == 0 || held.context->shared.clicked.load() == 1) return;
    if (seen.empty()) {
      held.context->surfaces.displayBitmap->pixels.back() = 0x123456;
      onMenuCommand(*held.context, state, port, kMenuShowOriginal);
    } else if (held.context->reading.showOriginal.load() == 0) {
      held.context->shared.clicked = 1;
    } else if (pixel() == 0x123456) {
      return;  // not yet redrawn
    } else {
      seen.push_back(pixel());
      onMenuCommand(*held.context, state, port, kMenuShowOriginal);
      return;
    }
    seen.push_back(pixel());
  };
  port.calls.clear();
  held.runStory(sjis("line\r\n"));
  EXPECT_EQ(seen, (std::vector<Pixel>{0x123456, 0, 0x123456}));
  EXPECT_EQ(port.calls, "on 46100; off 46100; ");
}

// Whatever the keys and commands, leaving the full-size modes gives the menus back.
TEST(WindowProc, KeysMoveBetweenModesAndNeverStrandTheReaderWithoutMenus) {
  StoryWorld world{640, 480};
  WindowState state;
  FakePort port;
  buildStartMenus(*world.context, state, port);
  using enum WindowMode;
  const std::tuple<int32_t, WindowKey, WindowMode> steps[] = {
      {0, WindowKey::Leave, Default},           {0, WindowKey::FullScreen, FullScreen},
      {0, WindowKey::FullScreen, Default},      {kMenuFullSizeWindow, WindowKey::FullScreen, FullScreen},
      {41001, WindowKey::Leave, Default},       {kMenuFullSizeWindow, WindowKey::Leave, Default},
  };
  for (const auto& [command, key, mode] : steps) {
    if (command != 0) onMenuCommand(*world.context, state, port, command);
    port.calls.clear();
    onWindowKey(*world.context, state, port, key);
    EXPECT_EQ(state.mode, mode) << command;
    const char* back = key == WindowKey::Leave ? "attach; previous 640x480" : "attach; window 640x480";
    const bool menus = mode != Default || port.calls.find(back) != std::string::npos ||
                       port.calls.empty();
    EXPECT_TRUE(menus && state.menuBar.menuBarPinned == (mode == Default)) << port.calls;
  }
}

TEST(WindowProc, ScramblingToolAsksThroughItsDialogsAndReplacesTheOutputOnlyWhenComplete) {
  const std::string asked =
      "choose txt existing; テキスト暗号化: 保存するファイル名を指定して下さい; choose stx new; ";
  const std::string stop = "テキスト暗号化: 処理を中断しました; ";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"plain.txt", "out.stx"}, asked + "テキスト暗号化: 処理終了; "},
      {{""}, "choose txt existing; " + stop},
      {{"plain.txt", ""}, asked + stop},
      {{"missing.txt"}, "choose txt existing; ファイルが変: <story>/missing.txt; " + stop},
      {{"plain.txt", "./plain.txt"},
       asked + "テキスト暗号化: <story>/./plain.txt\n\n読み込むファイルと同じファイルには保存できません; " +
           stop},
      {{"plain.txt", "no/out.stx"}, asked + "ファイルが変: <story>/no/out.stx; " + stop},
  };
  for (const auto& [answers, calls] : cases) {
    StoryWorld world{64, 48, [](GameConfig& settings) { settings.developerMenu = 1; }};
    world.story.write("plain.txt", "abc\r\n");
    world.story.write("out.stx", "old");
    WindowState state;
    FakePort port;
    port.answers = answers;
    onMenuCommand(*world.context, state, port, kMenuScramble);
    // The dialogs opened in the story's folder, whose path each world has its own of.
    std::string seen = port.calls;
    const std::string folder = std::filesystem::canonical(world.story.path()).string();
    for (size_t at; (at = seen.find(folder)) != std::string::npos;) seen.replace(at, folder.size(), "<story>");
    EXPECT_EQ(seen, calls);
    EXPECT_EQ(world.story.read("plain.txt"), "abc\r\n") << calls;
    EXPECT_EQ(world.story.read("out.stx"), calls.ends_with(stop) ? "old" : "bcd\x0b\r\n") << calls;
  }
}

// Saving waits for the first save point; a load goes through the window; what cannot be read
// is a box; the auto slot keeps the place until the story has ended.
TEST(WindowProc, SlotsSaveLoadAndKeepThePlace) {
  StoryWorld world{8, 6, [](GameConfig& settings) { settings.waitEveryLine = 1; }};
  NevContext& context = *world.context;
  TempFolder data;
  WindowState state;
  state.saveSlots.dataFolder = data.path().string();
  FakePort port;
  const auto exists = [&](const char* name) { return std::filesystem::exists(data.path() / name); };

  SavePoint kept;
  EXPECT_FALSE(resumeFromAutoSlot(context, state, port, 1, kept));
  onWindowKey(context, state, port, WindowKey::QuickSave);
  EXPECT_EQ(port.calls, "");
  refreshSaveMenu(context, state, port);
  EXPECT_FALSE(exists("quick.sav"));
  EXPECT_EQ(port.menuItems[kMenuSaveSlotFirst], "(grey) 1  ―― 空き ――");
  EXPECT_EQ(port.menuItems[kMenuLoadSlotFirst + 9], "(grey) 10  ―― 空き ――");

  world.onSleep = [&] { context.shared.clicked = 1; };
  world.runStory(sjis("あfirst line\r\nsecond\r\n"));
  ASSERT_TRUE(context.savePoints.latest.taken);
  onWindowKey(context, state, port, WindowKey::QuickSave);
  onMenuCommand(context, state, port, kMenuSaveSlotFirst + 2);
  EXPECT_EQ(port.calls, "notice セーブしました（クイックのしおり）; notice セーブしました（しおり 3）; ");
  EXPECT_TRUE(exists("quick.sav") && exists("slot03.sav"));
  refreshSaveMenu(context, state, port);
  EXPECT_EQ(port.menuItems[kMenuSaveSlotFirst], "1  ―― 空き ――");
  EXPECT_TRUE(port.menuItems[kMenuLoadSlotFirst + 2].starts_with("3  20"));
  EXPECT_TRUE(port.menuItems[kMenuLoadSlotFirst + 2].ends_with("  あfirst line")) << port.menuItems[kMenuLoadSlotFirst + 2];
  EXPECT_EQ(port.menuItems[kMenuQuickLoad], "クイックロード\tF9");

  // Each step: what the dialog and the questions answer, what the desktop is asked, and
  // whether slot 3 still holds the unreadable file written at the third step.
  using Choice = SlotDialogChoice;
  const std::string junk = "NEVSAVE\x1a" + std::string(20, '\0');
  struct Step {
    std::function<void()> act;
    std::vector<Choice> dialog;
    std::vector<bool> losing;
    std::string calls;
    bool slot3Junk;
  };
  const Step steps[] = {
      {[&] { onWindowKey(context, state, port, WindowKey::QuickLoad); }, {}, {},
       "restart at start.txt after 2; notice ロードしました（クイックのしおり）; ", false},
      {[&] { onMenuCommand(context, state, port, kMenuLoadSlotFirst); }, {}, {}, "", false},  // empty
      {[&] {
         data.write("slot03.sav", junk);
         state.saveSlots.listed = false;
         onMenuCommand(context, state, port, kMenuLoadSlotFirst + 2);
       },
       {}, {}, "しおり: ロードできませんでした; ", true},
      {[&] { onMenuCommand(context, state, port, kMenuSaveSlotFirst + 2); }, {}, {false},
       "ask しおり 3 に上書きしますか？; ", true},
      {[&] { onWindowKey(context, state, port, WindowKey::QuickSave); }, {}, {false},
       "notice セーブしました（クイックのしおり）; ", true},  // F5 never asks
      {[&] { onMenuCommand(context, state, port, kMenuSlotDialog); },
       {{Choice::Action::Delete, 3}, {Choice::Action::Save, 1}}, {false},
       "slots, 1 empty, can save; ask しおり 3 を削除しますか？; slots, 1 empty, can save, lit 3; "
       "notice セーブしました（しおり 1）; ",
       true},
      {[&] { onMenuCommand(context, state, port, kMenuSlotDialog); },
       {{Choice::Action::Save, 3}}, {false, true},
       "slots, 1 used, can save; ask しおり 3 に上書きしますか？; slots, 1 used, can save, lit 3; "
       "ask しおり 3 に上書きしますか？; notice セーブしました（しおり 3）; ",
       false},
      {[&] { onMenuCommand(context, state, port, kMenuSlotDialog); },
       {{Choice::Action::Delete, 3}, {Choice::Action::Close, 3}}, {true},
       "slots, 1 used, can save; ask しおり 3 を削除しますか？; slots, 1 used, can save, lit 3; ", false},
      // A save made in a translation is named with its language.
      {[&] {
         context.savePoints.latest.language = "en";
         world.story.write("lang/en/language.ini", "[language]\nname=English\n");
         onMenuCommand(context, state, port, kMenuSaveSlotFirst);
         onMenuCommand(context, state, port, kMenuSlotDialog);
         context.savePoints.latest.language.clear();
       },
       {{Choice::Action::Close, 1}}, {true},
       "ask しおり 1 に上書きしますか？; notice セーブしました（しおり 1）; slots, 1 used  English, can save; ", false},
      // A text built from pieces reads each piece in the port's language.
      {[&] { port.texts = {{"しおり %1", "Slot %1"}, {"セーブしました（%1）", "Saved (%1)"}};
             onMenuCommand(context, state, port, kMenuSaveSlotFirst + 1); },
       {}, {}, "notice Saved (Slot 2); ", false},
  };
  for (const Step& step : steps) {
    port.calls.clear();
    port.dialogAnswers = step.dialog;
    port.losingAnswers = step.losing;
    port.answeredDialogs = port.answeredLosing = 0;
    step.act();
    EXPECT_EQ(port.calls, step.calls);
    EXPECT_EQ(exists("slot03.sav") && data.read("slot03.sav") == junk, step.slot3Junk) << step.calls;
  }
  EXPECT_TRUE(exists("slot01.sav") && !exists("slot03.sav"));
  port.texts.clear();

  keepPlaceAtExit(context, state);
  EXPECT_FALSE(resumeFromAutoSlot(context, state, port, 0, kept));
  port.calls.clear();
  EXPECT_TRUE(resumeFromAutoSlot(context, state, port, -1, kept));
  EXPECT_EQ(port.calls, "ask 前回の続きから始めますか？; ");
  EXPECT_EQ(kept.linesRead, 2);
  state.storyEnded = true;
  keepPlaceAtExit(context, state);
  EXPECT_FALSE(exists("auto.sav"));
}

// The 読みかた menu and the keys: what each sets, and what the runner and the sound are told.
TEST(WindowProc, ReadingMenuSkipsAndSetsVolumesAndTheKeysLightChoices) {
  StoryWorld world{8, 6};
  NevContext& context = *world.context;
  WindowState state;
  FakePort port;
  auto skip = [&] { return std::to_string(context.reading.skip.load()); };
  const std::pair<std::function<void()>, std::string> steps[] = {
      {[&] { onMenuCommand(context, state, port, kMenuSkip); }, "skip 1, mark SKIP, on 45001"},
      {[&] { stopSkippingByReader(context, state); }, "skip 0"},
      {[&] { onMenuCommand(context, state, port, kMenuSkipUnread); }, "skip 0, on 45003"},
      {[&] { onSkipKey(context, state, true); }, "skip 2, mark SKIP"},
      {[&] { stopSkippingByReader(context, state); }, "skip 2, mark SKIP"},  // Ctrl still held
      {[&] { onSkipKey(context, state, false); }, "skip 0"},
      {[&] { onMenuCommand(context, state, port, kMenuMusicVolumeFirst + 2); }, "skip 0, volumes 50 100, on 45012"},
      {[&] { onMenuCommand(context, state, port, kMenuMute); }, "skip 0, volumes 0 0, on 45030"},
      {[&] { onMenuCommand(context, state, port, kMenuMute); }, "skip 0, volumes 50 100, off 45030"},
      {[&] { onMenuCommand(context, state, port, kMenuAuto); }, "skip 0, mark AUTO, auto, on 45002"},
      {[&] { onWindowKey(context, state, port, WindowKey::Screenshot); }, "skip 0, mark AUTO, screenshot"},
      {[&] { onWindowKey(context, state, port, WindowKey::Backlog); }, "skip 0, mark AUTO"},  // no wait
      {[&] {
         context.shared.waitingForClick = 1;
         onWindowKey(context, state, port, WindowKey::Backlog);
       },
       "skip 0, mark AUTO, backlog"},
  };
  for (const auto& [step, expected] : steps) {
    port.calls.clear();
    step();
    std::string seen = "skip " + skip();
    if (!readingMark(context).empty()) seen += ", mark " + readingMark(context);
    if (port.calls.find("volumes") != std::string::npos) seen += ", " + port.calls.substr(port.calls.find("volumes"), port.calls.find(';', port.calls.find("volumes")) - port.calls.find("volumes"));
    if (context.reading.autoAdvance.load() == 1 && expected.find("auto") != std::string::npos) seen += ", auto";
    for (const char* word : {"screenshot", "backlog"}) {
      if (port.calls.find(word) != std::string::npos) seen += std::string(", ") + word;
    }
    for (const std::string mark : {"on 45001", "on 45003", "on 45012", "on 45030", "off 45030", "on 45002"}) {
      if (expected.find(mark) != std::string::npos && port.calls.find(mark + ";") != std::string::npos) seen += ", " + mark;
    }
    EXPECT_EQ(seen, expected);
  }

  // No audio device: every volume item greyed, saying why, and one notice.
  port.calls.clear();
  tellNoAudioDevice(port);
  EXPECT_EQ(port.menuItems.size(), size_t(2 * kVolumeSteps + 1));
  for (int32_t id : {kMenuMusicVolumeFirst, kMenuSoundVolumeFirst + kVolumeSteps - 1, kMenuMute}) {
    EXPECT_EQ(port.menuItems[id], "(grey) 音を出す装置が見つからないため使えません") << id;
  }
  EXPECT_EQ(port.calls, "notice 音を出す装置が見つかりません。音楽と効果音は鳴りません; ");

  setBacklogPages(context, {{"old page"}, {"\x89\x4a\x82\xcc\x89\x77", "\x01picked", "second"}});
  EXPECT_EQ(pageText(context), "雨の駅\nsecond\n");

  // Items at rows 10-20, 30-40 (none: cannot be hit), 50-60.
  ChoiceProgress& choice = context.shared.choice;
  EXPECT_FALSE(moveChoiceLight(context, 1));
  choice.count = 3;
  const int32_t bands[3][2] = {{10, 20}, {40, 30}, {50, 60}};
  for (int32_t i = 0; i < 3; ++i) choice.bandTop[i] = bands[i][0], choice.bandBottom[i] = bands[i][1];
  context.shared.mouseY = 200;
  std::string rows;
  for (int32_t step : {1, 1, 1, -1, -1}) {
    EXPECT_TRUE(moveChoiceLight(context, step));
    rows += std::to_string(context.shared.mouseY.load()) + " ";
  }
  context.shared.mouseY = 200;  // none lit: Up lights the last
  EXPECT_TRUE(moveChoiceLight(context, -1));
  rows += std::to_string(context.shared.mouseY.load());
  EXPECT_EQ(rows, "15 55 55 15 15 55");
}

// A skip begun while the runner waits at a click ends that wait, as a click would, when the
// line waited after was read before or unread text is skipped too; else the click is needed.
TEST(WindowProc, SkipBegunDuringAWaitEndsItWithinTheReadingRules) {
  enum class Start { CtrlHeld, MenuToggle };
  struct Row {
    const char* name;
    bool lineRead;
    bool skipUnread;
    Start start;
    bool ends;
  };
  const Row rows[] = {
      {"read line, Ctrl", true, false, Start::CtrlHeld, true},
      {"unread line, Ctrl", false, false, Start::CtrlHeld, false},
      {"unread line, Ctrl, unread skipped too", false, true, Start::CtrlHeld, true},
      {"read line, menu", true, false, Start::MenuToggle, true},
      {"unread line, menu", false, false, Start::MenuToggle, false},
      {"unread line, menu, unread skipped too", false, true, Start::MenuToggle, true},
  };
  constexpr int32_t kPatience = 40;  // sleeps of the wait before the test clicks itself
  for (const Row& row : rows) {
    StoryWorld world{8, 6, [](GameConfig& settings) { settings.waitEveryLine = 1; }};
    NevContext& context = *world.context;
    WindowState state;
    state.reading.skipUnread = row.skipUnread;
    FakePort port;
    if (row.lineRead) context.reading.marks.mark("start.txt", 1);
    int32_t sleepsWaiting = -1;  // counted from the skip's start
    world.onSleep = [&] {
      if (context.shared.waitingForClick.load() != 1) return;
      if (sleepsWaiting < 0) {
        if (row.start == Start::CtrlHeld) onSkipKey(context, state, true);
        if (row.start == Start::MenuToggle) onMenuCommand(context, state, port, kMenuSkip);
      }
      if (++sleepsWaiting >= kPatience) context.shared.clicked = 1;
    };
    world.runStory("first\r\n");
    EXPECT_GE(sleepsWaiting, 0) << row.name;  // the wait was reached
    EXPECT_EQ(sleepsWaiting < kPatience, row.ends) << row.name << ": " << sleepsWaiting;
    EXPECT_EQ(context.shared.waitingForClick.load(), 0) << row.name;
  }
}

// The pad over the picture: what each press or release leaves in the runner's words and asks.
TEST(WindowProc, PadEndsWaitsLightsItemsSkipsWhileHeldAndOpensTheReadersMenu) {
  StoryWorld world{8, 6};
  SharedState& shared = world.context->shared;
  shared.choice.count = 2;
  shared.choice.bandTop[1] = shared.choice.bandBottom[1] = 30;  // the first item at row 0
  shared.mouseY = 100, shared.waitingForClick = 1;
  using enum PadButton;
  WindowState state;
  FakePort port;
  const std::tuple<PadEvent, int32_t, std::string> steps[] = {
      {{Down}, 0, "0"}, {{Down}, 0, "30"}, {{A}, 0, "30 clicked"}, {{B}, 0, "30 hidden"}, {{A}, 0, "30"},
      {{SkipShoulder}, 0, "30 skip"}, {{A}, 0, "30 clicked skip"}, {{SkipShoulder, false}, 0, "30"},
      {{AutoShoulder}, 0, "30 auto"}, {{AutoShoulder, false}, 0, "30 auto"}, {{Start}, kMenuAuto, "30 menu オート8;"},
      {{Start}, kMenuFullScreen, "30 full size;"}, {{Start}, 0, "30 menu フルスクリーン8;"},
      {{Y}, 0, "30 backlog;"}, {{X}, 0, "30"},
  };
  for (const auto& [event, answer, expected] : steps) {
    port.calls.clear(), port.readerMenuAnswer = answer, shared.clicked = 0;
    onPadButton(*world.context, state, port, event);
    std::string seen = std::to_string(shared.mouseY.load()) + (shared.clicked.load() ? " clicked" : "") +
                       (shared.hideText.load() ? " hidden" : "") + (world.context->reading.skip.load() ? " skip" : "") +
                       (world.context->reading.autoAdvance.load() ? " auto" : "");
    const std::string calls = " " + port.calls;
    for (const std::string call : {" menu", " full size", " backlog"}) {
      if (const size_t at = calls.find(call); at != std::string::npos) seen += calls.substr(at, calls.find(';', at) - at + 1);
    }
    EXPECT_EQ(seen, expected);
  }
}

}  // namespace
