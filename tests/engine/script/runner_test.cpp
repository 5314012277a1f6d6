#include "engine/script/runner.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/context.h"
#include "engine/local_story_folder.h"
#include "engine/messages.h"
#include "test_files.h"

using Calls = std::vector<std::string>;

static std::string commandCall(Command command, const std::string& arguments) {
  return "command " + std::to_string(static_cast<int>(command)) + " " + arguments;
}

// Runs start scripts with operations that record each call as one readable line; a command
// with the arguments "end" ends the runner, one with "stop" asks it to stop.
class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest() {
    operations_.prepareRunnerSurfaces = [this](NevContext&) { calls_.push_back("prepare"); };
    operations_.drawTextLine = [this](RunnerScope, const char* text, bool redraw) {
      calls_.push_back((redraw ? "redraw " : "text ") + std::string(text));
    };
    operations_.waitForClick = [this](RunnerScope) { calls_.push_back("wait"); };
    operations_.carryOut = [this](RunnerScope, Command command, char* arguments) {
      calls_.push_back(commandCall(command, arguments));
      context_->shared.stopRunner = std::string(arguments) == "stop\n";
      return std::string(arguments) == "end\n" ? CommandOutcome::EndRunner
                                               : CommandOutcome::Continue;
    };
    openContext(0, 1);
  }

  Calls run(const std::string& script, int32_t waitEveryLine = 1, int32_t scrambledScripts = 0,
            const char* name = "start.txt") {
    TempFolder story;
    story.write(name, script);
    const LocalStoryFolder files(story.path());
    // The settings are read-only once loaded: other values are another story.
    if (context_->config.scrambledScripts != scrambledScripts ||
        context_->config.waitEveryLine != waitEveryLine) {
      openContext(scrambledScripts, waitEveryLine);
    }
    context_->files = &files;
    context_->shared.stopRunner = 0;
    calls_.clear();
    runner_->run();
    context_->files = &noStoryFiles();
    return calls_;
  }

  // A story of these settings, and one runner on it for every run.
  void openContext(int32_t scrambledScripts, int32_t waitEveryLine) {
    GameConfig settings;
    settings.scrambledScripts = scrambledScripts;
    settings.waitEveryLine = waitEveryLine;
    runner_.reset();
    context_ = makeContext(settings);
    runner_ = std::make_unique<ScriptRunner>(*context_, operations_);
    context_->platform.messageBox = [this](const std::string& text, const std::string& caption,
                                           const std::string&) {
      calls_.push_back("box " + caption + " " + text);
    };
  }

  std::unique_ptr<NevContext> context_;
  RunnerOperations operations_;
  std::unique_ptr<ScriptRunner> runner_;
  Calls calls_;
};

TEST_F(RunnerTest, TextIsKeptAndTypedAndCommandsGoByTheirLetter) {
  // A page from an earlier run of the same runner is gone once it starts again.
  run("a longer line from before\r\n");
  const TextHistory& history = runner_->record().history;
  // Only "@" and a letter from "C" to "Z" that names a command does something.
  EXPECT_EQ(run("first\r\n  @ not a command\r\n@C0,0,bg.bmp;\r\n@; comment\r\n@c lower\r\n@: below"
                "\r\n@[ above\r\n@\x82\xa0 lead byte\r\n@A unused\r\n@\r\n@Z z\r\n\r\nlast"),
            (Calls{"prepare", "text first\n", "wait", "text   @ not a command\n", "wait",
                   commandCall(Command::TransparentPicture, "0,0,bg.bmp;\n"),
                   commandCall(Command::Sound, " z\n"), "text \n", "wait", "text last", "wait"}));
  EXPECT_EQ((Calls{history.lines, history.lines + history.lineCount}),
            (Calls{"first\n", "  @ not a command\n", "\n", "last"}));
  EXPECT_EQ(commandForLetter(';'), Command::Comment);  // the runner skips it as it skips None
}

TEST_F(RunnerTest, StartScriptWaitsAndTheEnd) {
  const std::string missing = std::string("box ") + kCaptionBadFile + " ";
  EXPECT_EQ(run("bcd\x0b\r\n", 1, 1, "start.stx"), (Calls{"prepare", "text abc\n\n", "wait"}));
  EXPECT_EQ(run("bcd\x0b\r\n", 1, 2, "start.stx"), (Calls{"prepare", "text bcd\x0b\n", "wait"}));
  EXPECT_EQ(run("a\r\n", 1, 1, "start.txt"), (Calls{"prepare", missing + "start.stx"}));
  EXPECT_EQ(run("a\r\n", 1, 0, "start.stx"), (Calls{"prepare", missing + "start.txt"}));
  for (int32_t noWait : {0, 2}) EXPECT_EQ(run("a\r\n", noWait), (Calls{"prepare", "text a\n"}));
  EXPECT_EQ(run("@Jend\r\nnot read\r\n"), (Calls{"prepare", commandCall(Command::Jump, "end\n")}));
  EXPECT_EQ(run("@Tstop\r\nnot read\r\n"),
            (Calls{"prepare", commandCall(Command::Pause, "stop\n")}));
}

TEST_F(RunnerTest, HistoryHoldsThe255FirstLinesAndTheNextAreStillShown) {
  std::string script;
  for (int i = 0; i < 257; ++i) script += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(run(script, 0).back(), "text line 256\n");
  const TextHistory& history = runner_->record().history;
  EXPECT_EQ(std::to_string(history.lineCount) + " " + history.lines[0] + history.lines[254],
            "255 line 0\nline 254\n");
}
