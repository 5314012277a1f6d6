#include "engine/script/runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/messages.h"
#include "test_files.h"

namespace {

// Records every operation the runner calls, in order, as one readable line each.
struct Recorder {
  std::vector<std::string> calls;

  RunnerOperations operations() {
    RunnerOperations ops;
    ops.prepareRunnerSurfaces = [this] { calls.push_back("prepare"); };
    ops.drawTextLine = [this](const char* text, int redraw) {
      calls.push_back("text " + std::string(text) + (redraw ? " (redraw)" : ""));
    };
    ops.waitForClick = [this] { calls.push_back("wait"); };
    ops.carryOut = [this](Command command, char* arguments) {
      calls.push_back("command " + std::to_string(static_cast<int>(command)) + " " + arguments);
      return command == Command::Jump && std::string(arguments) == "end\n" ? CommandOutcome::EndRunner
                                                                         : CommandOutcome::Continue;
    };
    return ops;
  }
};

std::string commandCall(Command command, const std::string& arguments) {
  return "command " + std::to_string(static_cast<int>(command)) + " " + arguments;
}

class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest() : inside_(story_.path()) {
    context_->config.waitEveryLine = 1;
    context_->config.textLeft = 40;
    context_->config.textTop = 300;
    context_->config.charDelay = 40;
    context_->platform.messageBox = [this](const std::string& text, const std::string& caption) {
      recorder_.calls.push_back("box " + caption + " " + text);
    };
  }

  std::vector<std::string> run(const std::string& startScript, const char* name = "start.txt") {
    story_.write(name, startScript);
    ScriptRunner(*context_, recorder_.operations());
    return recorder_.calls;
  }

  TempFolder story_;
  ScopedCurrentDirectory inside_;
  std::unique_ptr<NevContext> context_ = makeContext();
  Recorder recorder_;
};

TEST_F(RunnerTest, TextLinesAreKeptTypedAndWaitedFor) {
  auto calls = run("first\r\n  @ not a command\r\n\r\nlast");
  EXPECT_EQ(calls, (std::vector<std::string>{"prepare", "text first\n", "wait",
                                             "text   @ not a command\n", "wait", "text \n", "wait",
                                             "text last", "wait"}));
  const TextHistory& history = context_->runner.history;
  ASSERT_EQ(history.lineCount, 4);
  EXPECT_STREQ(history.lines[0], "first\n");
  EXPECT_STREQ(history.lines[2], "\n");
  EXPECT_STREQ(history.lines[3], "last");
}

TEST_F(RunnerTest, StartSetsTheCursorAndTheDelay) {
  context_->words.messageSpeed = 4;
  context_->runner.history.lineCount = 9;
  run("");
  EXPECT_EQ(context_->messageWindow.cursorX, 40);
  EXPECT_EQ(context_->messageWindow.cursorY, 300);
  EXPECT_EQ(context_->messageWindow.currentDelay, 10);
  EXPECT_EQ(context_->runner.history.lineCount, 0);
}

TEST_F(RunnerTest, CommandLinesGoByTheirLetterAndAreNotKept) {
  auto calls = run(
      "@C0,0,bg.bmp,0xCC0020;\r\n"
      "@; a comment\r\n"
      "@L label;\r\n"
      "@c lower case\r\n"
      "@1 digit\r\n"
      "@ blank\r\n"
      "@\r\n"
      "@A unused letter\r\n"
      "@\x82\xa0 shift-jis\r\n"
      "@E");
  EXPECT_EQ(calls, (std::vector<std::string>{"prepare",
                                             commandCall(Command::TransparentPicture,
                                                         "0,0,bg.bmp,0xCC0020;\n"),
                                             commandCall(Command::Label, " label;\n"),
                                             commandCall(Command::End, "")}));
  EXPECT_EQ(context_->runner.history.lineCount, 0);
}

TEST_F(RunnerTest, WaitsOnlyWhenWaitEveryLineIsExactlyOne) {
  for (int32_t value : {0, 2, -1}) {
    recorder_.calls.clear();
    context_->config.waitEveryLine = value;
    EXPECT_EQ(run("a\r\n"), (std::vector<std::string>{"prepare", "text a\n"})) << value;
  }
}

TEST_F(RunnerTest, ScrambledValuesPickTheStartScript) {
  context_->config.scrambledScripts = 1;
  EXPECT_EQ(run("bcd\x0b\r\n", "start.stx"), (std::vector<std::string>{"prepare", "text abc\n\n", "wait"}));

  recorder_.calls.clear();
  context_->config.scrambledScripts = 2;  // opened, but read as stored
  EXPECT_EQ(run("bcd\x0b\r\n", "start.stx"),
            (std::vector<std::string>{"prepare", "text bcd\x0b\n", "wait"}));
}

TEST_F(RunnerTest, MissingStartScriptShowsItsBoxAndEnds) {
  context_->config.scrambledScripts = 1;
  EXPECT_EQ(run("never read", "start.txt"),
            (std::vector<std::string>{"prepare", std::string("box ") + kCaptionBadFile + " start.stx"}));
}

TEST_F(RunnerTest, HistoryHolds255LinesAndTheNextAreStillShown) {
  std::string script;
  for (int i = 0; i < 257; ++i) script += "line " + std::to_string(i) + "\r\n";
  context_->config.waitEveryLine = 0;
  auto calls = run(script + "@X\r\n");
  ASSERT_EQ(calls.size(), 1u + 257u + 1u);
  EXPECT_EQ(calls[257], "text line 256\n");
  EXPECT_EQ(calls.back(), commandCall(Command::Redraw, "\n"));
  const TextHistory& history = context_->runner.history;
  EXPECT_EQ(history.lineCount, 255);
  EXPECT_STREQ(history.lines[0], "line 0\n");
  EXPECT_STREQ(history.lines[254], "line 254\n");
}

TEST_F(RunnerTest, CommandCanEndTheRunner) {
  context_->config.waitEveryLine = 0;
  EXPECT_EQ(run("@Jend\r\nnot read\r\n"),
            (std::vector<std::string>{"prepare", commandCall(Command::Jump, "end\n")}));
}

TEST_F(RunnerTest, StopsWhenAsked) {
  context_->config.waitEveryLine = 0;
  RunnerOperations ops = recorder_.operations();
  ops.drawTextLine = [this](const char* text, int) {
    recorder_.calls.push_back(std::string("text ") + text);
    context_->words.stopRunner = 1;
  };
  story_.write("start.txt", "one\r\ntwo\r\n");
  ScriptRunner(*context_, ops);
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"prepare", "text one\n"}));
}

TEST(Dispatch, EveryByteSelectsItsCommand) {
  const std::string letters = ";CEGIJLMPQRSTWXYZ";
  const Command commands[] = {Command::Comment,  Command::TransparentPicture, Command::End,
                              Command::RasterPicture, Command::Repaint, Command::Jump,
                              Command::Label,    Command::ClickWait, Command::NewPage,
                              Command::StopMusic, Command::TextWindow, Command::Speed,
                              Command::Pause,    Command::Choice,    Command::Redraw,
                              Command::Music,    Command::Sound};
  for (int byte = 0; byte < 256; ++byte) {
    const size_t at = letters.find(static_cast<char>(byte));
    const Command expected = at == std::string::npos ? Command::None : commands[at];
    EXPECT_EQ(commandForLetter(static_cast<char>(byte)), expected) << "byte " << byte;
  }
}

}  // namespace
