#include "backends/qt/runner_host.h"

#include <algorithm>
#include <chrono>

#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/save_point.h"
#include "engine/script/runner.h"

RunnerHost::RunnerHost(NevContext& context, std::function<void()> finished)
    : context_(context),
      runner_(std::make_unique<ScriptRunner>(context)),
      finished_(std::move(finished)) {}

RunnerHost::~RunnerHost() { stopThenRelease({}); }

void RunnerHost::start() {
  // The runner puts the save's pictures back as well, but the window may paint before it does,
  // and after that only the marker's or the items' cells: the scene from before the load would
  // stay under them.
  showSavedPicturesAtOnce(context_);
  thread_ = std::thread([this] {
    runner_->run();
    finished_();
  });
}

void RunnerHost::restartAt(const SavePoint& point) {
  stop();
  readyToGoOnFrom(context_, point);
  start();
}

void RunnerHost::sleep(int32_t milliseconds) {
  std::unique_lock lock(wakeLock_);
  wake_.wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)),
                 [&] { return context_.shared.stopRunner.load() != 0; });
}

void RunnerHost::waitUntil(const std::function<bool()>& done) {
  std::unique_lock lock(wakeLock_);
  wake_.wait(lock, [&] { return done() || context_.shared.stopRunner.load() != 0; });
}

void RunnerHost::answer(const std::function<void()>& change) {
  {
    std::lock_guard guard(wakeLock_);
    change();
  }
  wake_.notify_all();
}

void RunnerHost::stop() {
  answer([this] { context_.shared.stopRunner = 1; });
  if (thread_.joinable()) thread_.join();
}

void RunnerHost::stopThenRelease(const std::function<void()>& whileStopped) {
  if (released_) return;
  released_ = true;
  stop();
  if (whileStopped) whileStopped();
  runner_->closeScript();
  releaseSurfaces(context_);
}
