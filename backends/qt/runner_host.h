#pragma once
// The runner's thread on the desktop: started on the opened story, woken from its waits, and
// stopped and joined before anything it uses is given back.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ScriptRunner;
struct NevContext;
struct SavePoint;

class RunnerHost {
 public:
  // `finished` runs on the runner's thread as it ends by itself or is stopped.
  RunnerHost(NevContext& context, std::function<void()> finished);
  // Stops and releases as stopThenRelease does, if that has not been done.
  ~RunnerHost();
  RunnerHost(const RunnerHost&) = delete;
  RunnerHost& operator=(const RunnerHost&) = delete;

  // At the story's start, or at context.resumeAt when it is taken, whose pictures are then in
  // the surfaces on return.
  void start();
  // Stops the runner at once and starts it again at the save point; the piece playing stops.
  void restartAt(const SavePoint& point);

  // The runner's waits; each returns early once the runner is asked to stop.
  void sleep(int32_t milliseconds);
  // Until `done`, which is read under this host's lock.
  void waitUntil(const std::function<bool()>& done);
  // From the window thread: makes a waited-for condition true under the lock, and wakes.
  void answer(const std::function<void()>& change);

  // The end, in the only safe order: the runner is stopped and its thread joined; then
  // `whileStopped` reads what it left (its place, the picture) with nothing running; only then
  // are its script and the surfaces given back. Once; later calls do nothing.
  void stopThenRelease(const std::function<void()>& whileStopped);

  // For reading only while its thread is stopped.
  const ScriptRunner& runner() const { return *runner_; }

 private:
  void stop();

  NevContext& context_;
  // One for the story's whole time on the desktop, so a restart goes on with its record.
  std::unique_ptr<ScriptRunner> runner_;
  std::function<void()> finished_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  std::thread thread_;
  bool released_ = false;
};
