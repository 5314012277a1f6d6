#pragma once
// Jobs run in order on an SDL thread of their own: SDL frees what it keeps for a thread, such
// as its error text, only for threads it made.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

struct SDL_Thread;

class JobThread {
 public:
  JobThread() = default;
  JobThread(const JobThread&) = delete;
  JobThread& operator=(const JobThread&) = delete;

  bool start(const char* name);
  // False when the thread is not running or is stopping: the job will never run.
  bool post(std::function<void()> job);
  // Runs the job and waits for its result; `failure` when no job can run.
  uint32_t call(const std::function<uint32_t()>& job, uint32_t failure);
  // The jobs already posted run first.
  void stop();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  SDL_Thread* thread_ = nullptr;
};
