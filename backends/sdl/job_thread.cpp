#include "backends/sdl/job_thread.h"

#include <SDL.h>

#include <future>
#include <memory>
#include <utility>

bool JobThread::start(const char* name) {
  SDL_Thread* thread = SDL_CreateThread(
      [](void* self) {
        static_cast<JobThread*>(self)->run();
        return 0;
      },
      name, this);
  std::lock_guard guard(mutex_);
  thread_ = thread;
  return thread_ != nullptr;
}

void JobThread::run() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

bool JobThread::post(std::function<void()> job) {
  {
    std::lock_guard guard(mutex_);
    if (thread_ == nullptr || stopping_) return false;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
  return true;
}

uint32_t JobThread::call(const std::function<uint32_t()>& job, uint32_t failure) {
  // The job keeps the promise, so that nothing it touches goes away while it answers.
  auto result = std::make_shared<std::promise<uint32_t>>();
  std::future<uint32_t> done = result->get_future();
  if (!post([result, &job] { result->set_value(job()); })) return failure;
  return done.get();
}

void JobThread::stop() {
  // The thread is taken under the lock: another thread may be posting while this one stops.
  SDL_Thread* thread = nullptr;
  {
    std::lock_guard guard(mutex_);
    stopping_ = true;
    thread = std::exchange(thread_, nullptr);
  }
  wake_.notify_all();
  if (thread != nullptr) SDL_WaitThread(thread, nullptr);
}
