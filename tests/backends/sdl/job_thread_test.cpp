// The job thread stopping while another thread still posts: every job it took runs, and the
// thread checker sees the hand-over of the thread under the lock.

#include "backends/sdl/job_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(JobThread, StopsWhileAnotherThreadPostsAndRunsEveryJobItTook) {
  JobThread jobs;
  ASSERT_TRUE(jobs.start("test jobs"));
  std::atomic<int> ran = 0;
  int accepted = 0;
  std::atomic<bool> posting = false;
  bool refusedAgain = false;
  std::thread poster([&] {
    while (jobs.post([&ran] { ran.fetch_add(1); })) {
      ++accepted;
      posting.store(true);
    }
    // Still stopping on the other thread.
    refusedAgain = !jobs.post([] {});
  });
  while (!posting.load()) std::this_thread::yield();
  jobs.stop();
  poster.join();
  EXPECT_GT(accepted, 0);
  EXPECT_EQ(ran.load(), accepted);
  EXPECT_TRUE(refusedAgain);
  EXPECT_FALSE(jobs.post([] {}));
}

}  // namespace

