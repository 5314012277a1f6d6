#pragma once
// Timing an operation against a plain memcpy of the same number of bytes, in the same
// iterations: the counter vs_memcpy is the operation's time over the copy's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

inline void timeAgainstMemcpy(benchmark::State& state, size_t bytes, const std::function<void()>& draw) {
  std::vector<char> from(bytes, 1), to(bytes, 2);
  double drawSeconds = 0, copySeconds = 0;
  for (auto _ : state) {
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    draw();
    benchmark::ClobberMemory();
    const std::chrono::steady_clock::time_point drawn = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    const std::chrono::steady_clock::time_point copied = std::chrono::steady_clock::now();
    drawSeconds += std::chrono::duration<double>(drawn - start).count();
    copySeconds += std::chrono::duration<double>(copied - drawn).count();
    state.SetIterationTime(std::chrono::duration<double>(drawn - start).count());
  }
  state.counters["vs_memcpy"] = copySeconds > 0 ? drawSeconds / copySeconds : 0;
  state.counters["memcpy_us"] =
      benchmark::Counter(copySeconds * 1e6 / static_cast<double>(state.iterations()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

