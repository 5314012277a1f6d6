#include "platform/services.h"

#include <chrono>
#include <thread>

void sleepMilliseconds(int32_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
