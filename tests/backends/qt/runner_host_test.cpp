// The runner's thread and the mailbox on the desktop, without a window: the order of the end,
// and the one wake-up that brings every request over.

#include "backends/qt/runner_host.h"
#include "backends/qt/runner_mailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/context.h"
#include "engine/script/runner.h"
#include "story_world.h"

namespace {

TEST(RunnerHost, StopsAndJoinsTheRunnerBeforeItsScriptAndSurfacesGo) {
  StoryWorld world;
  world.story.write("start.txt", "@T600000\n");
  world.prepareSurfaces();
  NevContext& context = *world.context;
  std::atomic<bool> finished{false};
  std::atomic<bool> sleeping{false};
  RunnerHost host(context, [&] { finished = true; });
  context.platform.sleep = [&](int32_t milliseconds) {
    sleeping = true;
    host.sleep(milliseconds);
  };
  host.start();
  while (!sleeping.load()) std::this_thread::yield();

  // Stopping wakes the runner from its ten-minute pause.
  bool joined = false, scriptKept = false, pictureKept = false;
  host.stopThenRelease([&] {
    joined = finished.load();
    scriptKept = host.runner().record().cursor.isOpen();
    pictureKept = context.surfaces.displayBitmap != nullptr;
  });
  EXPECT_TRUE(joined);
  EXPECT_TRUE(scriptKept);
  EXPECT_TRUE(pictureKept);
  EXPECT_FALSE(host.runner().record().cursor.isOpen());
  EXPECT_EQ(context.surfaces.displayBitmap, nullptr);
}

TEST(RunnerMailbox, OneWakeUpUntilCollectedAndNoRequestLost) {
  int posted = 0;
  RunnerMailbox mailbox([&] { ++posted; });
  const Rect cell{8, 16, 24, 32};
  mailbox.askRepaint(&cell);
  mailbox.tellEndOfPiece(3);
  mailbox.askBox({"missing.bmp", "", nullptr});
  mailbox.wake();
  EXPECT_EQ(posted, 1);

  RunnerMailbox::Mail mail = mailbox.collect();
  EXPECT_FALSE(mail.repaintAll);
  ASSERT_EQ(mail.repaints.size(), 1u);
  EXPECT_EQ(mail.repaints[0].right, 24);
  EXPECT_EQ(mail.endedPieces, std::vector<uint32_t>{3});
  ASSERT_EQ(mail.boxes.size(), 1u);
  EXPECT_EQ(mail.boxes[0].text, "missing.bmp");

  // A request after the collection wakes the window again, and finds the mailbox empty.
  mailbox.askRepaint(nullptr);
  EXPECT_EQ(posted, 2);
  mail = mailbox.collect();
  EXPECT_TRUE(mail.repaintAll);
  EXPECT_TRUE(mail.repaints.empty());
  EXPECT_TRUE(mail.boxes.empty());
  EXPECT_TRUE(mail.endedPieces.empty());
}

}  // namespace
