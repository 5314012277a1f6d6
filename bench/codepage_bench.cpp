// Code page 932 text decoded as the runner and the text log meet it: the demo's opening script
// (kanji, kana, ASCII commands) whole, and line by line as the log writes one event at a time.

#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/file_bytes.h"

namespace {

std::optional<std::string> demoPage() { return readWholeFile(NEV_SOURCE_DIR "/demo/start.txt"); }

void BM_DecodePage(benchmark::State& state) {
  const std::optional<std::string> page = demoPage();
  if (!page) return state.SkipWithError("the demo's script cannot be read");
  for (auto _ : state) benchmark::DoNotOptimize(cp932ToUtf8(*page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page->size()));
}
BENCHMARK(BM_DecodePage);

void BM_DecodeLineByLine(benchmark::State& state) {
  const std::optional<std::string> page = demoPage();
  if (!page) return state.SkipWithError("the demo's script cannot be read");
  std::vector<std::string> lines;
  for (size_t at = 0; at < page->size();) {
    const size_t end = std::min(page->find('\n', at), page->size());
    lines.push_back(page->substr(at, end - at));
    at = end + 1;
  }
  for (auto _ : state) {
    for (const std::string& line : lines) benchmark::DoNotOptimize(cp932ToUtf8Escaped(line));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page->size()));
}
BENCHMARK(BM_DecodeLineByLine);

void BM_EncodePage(benchmark::State& state) {
  const std::optional<std::string> page = demoPage();
  if (!page) return state.SkipWithError("the demo's script cannot be read");
  const std::string utf8 = cp932ToUtf8(*page);
  for (auto _ : state) benchmark::DoNotOptimize(utf8ToCp932(utf8));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_EncodePage);

}  // namespace
