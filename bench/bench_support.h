#pragma once
// Timing an operation against a plain memcpy of the same number of bytes, in the same
// iterations: the counter vs_memcpy is the operation's time over the copy's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// A story folder of the benchmarks' own under the temporary folder, with a 640 × 480 nev.ini
// that waits after every line or not, typing a unit each charDelay milliseconds, its overlay
// darkened by overlayLevel.
inline std::filesystem::path benchStoryFolder(const char* name, bool waitEveryLine,
                                              int charDelay = 10, int overlayLevel = 0) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(folder);
  std::ofstream ini(folder / "nev.ini");
  ini << "bench\nabout\nabout\n640\n480\n20\n20\n30\n0\n20\n20\n24\n" << charDelay
      << "\n255\n255\n255\n0\n0\n0\n255\n255\n0\n200\n200\n200\n2\n2\n"
      << overlayLevel << "\n" << (waitEveryLine ? 1 : 0) << "\n0\n0\n0\n";
  return folder;
}

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

