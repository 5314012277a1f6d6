#include "shell/window_proc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/context.h"
#include "authoring/script_conversion.h"
#include "shell/developer_menu.h"
#include "shell/menu.h"
#include "story_world.h"
#include "test_files.h"

namespace {

// Records what the window procedure asks of the desktop, and answers dialogs from a script.
struct FakePort : WindowPort {
  std::vector<std::string> calls;
  std::map<int32_t, std::string> items;  // appended items by id
  std::map<int32_t, bool> checks;
  std::vector<Size> offeredModes;
  Size monitor{1280, 1024};
  std::deque<std::optional<std::string>> dialogAnswers;
  std::vector<FileDialog> dialogs;
  bool desktopOpens = true;

  void showBox(const std::string& text, const std::string& caption) override {
    calls.push_back("box " + caption + ": " + text);
  }
  void appendMenuItem(int32_t submenu, int32_t id, const std::string& caption,
                      bool columnBreak) override {
    items[id] = std::to_string(submenu) + (columnBreak ? "|" : " ") + caption;
  }
  void checkMenuItem(int32_t id, bool checked) override { checks[id] = checked; }
  void setMenuBarAttached(bool attached) override {
    calls.push_back(attached ? "attach menu" : "detach menu");
  }
  void destroyWindow() override { calls.push_back("destroy"); }
  bool openWithDesktop(const std::string& hostPath) override {
    calls.push_back("open " + hostPath);
    return desktopOpens;
  }
  std::optional<std::string> chooseFile(const FileDialog& dialog) override {
    dialogs.push_back(dialog);
    if (dialogAnswers.empty()) return std::nullopt;
    auto answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
  }
  void showDefaultWindow(Size client) override {
    calls.push_back("default window " + std::to_string(client.width) + "x" +
                    std::to_string(client.height));
  }
  void showFullSizeWindow() override { calls.push_back("full-size window"); }
  void setEmulatedDisplay(Size display) override {
    calls.push_back("display " + std::to_string(display.width) + "x" +
                    std::to_string(display.height));
  }
  std::vector<Size> platformDisplayModes() override { return offeredModes; }
  Size monitorSize() override { return monitor; }
};

class WindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override { world_.context->config.developerMenu = 1; }
  void start() { buildStartMenus(context(), state_, port_); port_.calls.clear(); }
  void command(int32_t id) { onMenuCommand(context(), state_, port_, id); }
  NevContext& context() { return *world_.context; }

  StoryWorld world_{640, 480};
  WindowState state_;
  FakePort port_;
};

TEST_F(WindowProcTest, SpeedMenuChecksOneItemAndSetsTheSpeed) {
  const std::vector<std::pair<int32_t, int32_t>> steps = {
      {kMenuSpeedFastest, 32000}, {kMenuSpeedFourTimes, 4}, {kMenuSpeedDefault, 1}};
  for (const auto& [id, speed] : steps) {
    command(id);
    EXPECT_EQ(context().words.messageSpeed.load(), speed) << id;
    for (int32_t item = kMenuSpeedFastest; item <= kMenuSpeedDefault; ++item) {
      EXPECT_EQ(port_.checks[item], item == id) << id << " " << item;
    }
  }
}

TEST_F(WindowProcTest, DisplayModesFromTheMonitorWhenThePlatformListsNone) {
  start();
  EXPECT_EQ(port_.items[41000], "1|Screen  1280 * 1024");
  EXPECT_EQ(port_.items[41001], "1 Screen  640 * 480");
  EXPECT_EQ(port_.items[41005], "1 Screen  1280 * 960");
  EXPECT_EQ(port_.items.count(41006), 0u);  // 1920 x 1080 does not fit
  EXPECT_EQ(state_.displayModes.startModeIndex, 0);
}

TEST_F(WindowProcTest, DisplayModesFromThePlatformKeepOrderDuplicatesAndTheFirstTen) {
  port_.monitor = {800, 600};
  for (int i = 0; i < 12; ++i) port_.offeredModes.push_back(i % 3 == 0 ? Size{800, 600} : Size{640, 480});
  start();
  int listed = 0;
  for (const auto& [id, caption] : port_.items) listed += id >= 41000 && id < 42000;
  EXPECT_EQ(listed, 10);
  EXPECT_EQ(state_.displayModes.startModeIndex, 9);  // the last listed entry of the monitor's size
}

TEST_F(WindowProcTest, WindowModes) {
  start();
  command(kMenuFullSizeWindow);
  EXPECT_EQ(port_.calls, (std::vector<std::string>{"detach menu", "full-size window"}));
  EXPECT_EQ(state_.menuBar.menuBarPinned, 0);
  EXPECT_TRUE(state_.fullSize);

  port_.calls.clear();
  command(kMenuFullScreen);  // the first listed mode, then the full-size window
  EXPECT_EQ(port_.calls,
            (std::vector<std::string>{"display 1280x1024", "detach menu", "full-size window"}));

  port_.calls.clear();
  command(41001);  // a mode alone: the window is not touched
  EXPECT_EQ(port_.calls, (std::vector<std::string>{"display 640x480"}));

  port_.calls.clear();
  state_.menuBar.menuBarPopped = 1;
  command(kMenuDefaultWindow);
  EXPECT_EQ(port_.calls,
            (std::vector<std::string>{"display 1280x1024", "default window 640x480"}));
  EXPECT_EQ(state_.menuBar.menuBarPinned, 1);
  EXPECT_EQ(state_.menuBar.menuBarPopped, 1);  // left as it was
  EXPECT_FALSE(state_.fullSize);
}

TEST_F(WindowProcTest, BoxesOfTheHelpMenu) {
  start();
  GameConfig& config = context().config;
  std::strcpy(config.aboutText1, "A ");
  std::strcpy(config.aboutText2, "");
  command(kMenuVersion);
  context().words.cwinX = 800;
  context().words.cwinY = 581;
  command(kMenuClientSize);
  command(kMenuHelpContents);  // no help file in the story
  world_.story.write("nevmake.hlp", "help");
  command(kMenuDeveloperHelp);
  EXPECT_EQ(port_.calls, (std::vector<std::string>{
                             "box バージョン情報: A \n\nNEV System 1 Ver 1.2\n\n",
                             "box C Window Size: cwinX = 800\ncwinY = 581",
                             "box ファイルが変: NEV.HLP", "open ./nevmake.hlp"}));
}

TEST_F(WindowProcTest, DeveloperItemsOnlyWhenTheSwitchIsOne) {
  for (int32_t value : {0, 1, 2}) {
    StoryWorld world;
    world.context->config.developerMenu = value;
    WindowState state;
    FakePort port;
    buildStartMenus(*world.context, state, port);
    EXPECT_EQ(port.items.count(kMenuScramble), value == 1 ? 1u : 0u) << value;
    if (value == 1) {
      EXPECT_EQ(port.items[kMenuDeveloperHelp], "2|デバッグヘルプ");
      EXPECT_EQ(port.items[kMenuRemoveMenu], "2 メニュー消去");
    }
    port.calls.clear();
    onMenuCommand(*world.context, state, port, kMenuClientSize);
    EXPECT_EQ(port.calls.size(), value == 1 ? 1u : 0u) << value;
  }
}

TEST_F(WindowProcTest, RemovingTheMenuBarUnpinsIt) {
  start();
  command(kMenuRemoveMenu);
  EXPECT_EQ(port_.calls, std::vector<std::string>{"detach menu"});
  EXPECT_EQ(state_.menuBar.menuBarPinned, 0);
}

TEST_F(WindowProcTest, EndGameAndUnknownIds) {
  command(12345);
  command(41009);  // no such mode listed
  EXPECT_TRUE(port_.calls.empty());
  command(kMenuEndGame);
  EXPECT_EQ(port_.calls, std::vector<std::string>{"destroy"});
}

struct ToolCase {
  const char* name;
  std::vector<std::optional<std::string>> answers;  // relative to the story folder
  std::vector<std::string> boxes;                    // in order, without the paths' folder
  bool written;
};

TEST_F(WindowProcTest, ScramblingToolDrivenThroughItsDialogs) {
  const std::string stop = "box テキスト暗号化: 処理を中断しました";
  const std::string next = "box テキスト暗号化: 保存するファイル名を指定して下さい";
  const std::vector<ToolCase> cases = {
      {"success", {"plain.txt", "out.stx"}, {next, "box テキスト暗号化: 処理終了"}, true},
      {"first dialog cancelled", {std::nullopt}, {stop}, false},
      {"second dialog cancelled", {"plain.txt", std::nullopt}, {next, stop}, false},
      {"input cannot be read", {"missing.txt"}, {"box ファイルが変: missing.txt", stop}, false},
      {"output is the input", {"plain.txt", "plain.txt"},
       {next, "box テキスト暗号化: plain.txt\n\n読み込むファイルと同じファイルには保存できません",
        stop},
       false},
      {"output folder missing", {"plain.txt", "nowhere/out.stx"},
       {next, "box ファイルが変: nowhere/out.stx", stop}, false},
  };
  for (const ToolCase& c : cases) {
    StoryWorld world;
    world.context->config.developerMenu = 1;
    world.story.write("plain.txt", "abc\r\n");
    WindowState state;
    FakePort port;
    const std::string folder = world.story.path().string() + "/";
    for (const auto& answer : c.answers) {
      port.dialogAnswers.push_back(answer ? std::optional<std::string>(folder + *answer) : std::nullopt);
    }
    onMenuCommand(*world.context, state, port, kMenuScramble);
    std::vector<std::string> boxes;
    for (std::string call : port.calls) {
      for (size_t at; (at = call.find(folder)) != std::string::npos;) call.erase(at, folder.size());
      boxes.push_back(call);
    }
    EXPECT_EQ(boxes, c.boxes) << c.name;
    EXPECT_EQ(world.story.read("plain.txt"), "abc\r\n") << c.name;  // never emptied
    EXPECT_EQ(world.story.read("out.stx"), c.written ? "bcd\x0b\r\n" : "") << c.name;
  }
}

TEST_F(WindowProcTest, ScramblingDialogsAskForTheRightFiles) {
  port_.dialogAnswers = {std::nullopt};
  command(kMenuScramble);
  ASSERT_EQ(port_.dialogs.size(), 1u);
  const FileDialog& plain = port_.dialogs[0];
  EXPECT_EQ(plain.title, "ファイル選択");
  EXPECT_EQ(plain.defaultSuffix, "txt");
  EXPECT_TRUE(plain.mustExist);
  ASSERT_EQ(plain.filters.size(), 3u);
  EXPECT_EQ(plain.filters[1].first, "STX Files (*.stx)");

  world_.story.write("p.txt", "x\n");
  port_.dialogAnswers = {world_.story.path().string() + "/p.txt", std::nullopt};
  command(kMenuScramble);
  ASSERT_EQ(port_.dialogs.size(), 3u);
  EXPECT_EQ(port_.dialogs[2].defaultSuffix, "stx");
  EXPECT_FALSE(port_.dialogs[2].mustExist);
  EXPECT_EQ(port_.dialogs[2].filters[0].first, "STX files (*.stx)");
}

TEST(ConvertScriptFile, ReplacesTheOutputOnlyWhenComplete) {
  TempFolder folder;
  folder.write("plain.txt", "abc\r\n");
  folder.write("out.stx", "old");
  const std::string plain = (folder.path() / "plain.txt").string();
  const std::string out = (folder.path() / "out.stx").string();
  EXPECT_EQ(convertScriptFile(plain, out, true), "");
  EXPECT_EQ(folder.read("out.stx"), "bcd\x0b\r\n");
  EXPECT_EQ(convertScriptFile(out, (folder.path() / "back.txt").string(), false), "");
  EXPECT_EQ(folder.read("back.txt"), "abc\r\n");
  EXPECT_EQ(convertScriptFile((folder.path() / "gone.txt").string(), out, true),
            (folder.path() / "gone.txt").string());
  EXPECT_EQ(folder.read("out.stx"), "bcd\x0b\r\n");
  // Nothing but the outputs is left in the folder: no temporary files.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++entries;
  EXPECT_EQ(entries, 3);
}

}  // namespace
