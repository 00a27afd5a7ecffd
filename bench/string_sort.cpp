// Sorting a large list of track titles with the case-insensitive localized comparison, as the library
// browser does when a column is sorted by title.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/zr_string.h"

namespace {

std::vector<ZRString> makeTitles(int count) {
  static const char* const kWords[] = {"Love",
                                       "night",
                                       "DANCE",
                                       "\xC3\x89t\xC3\xA9",
                                       "fire",
                                       "Heart",
                                       "dream",
                                       "Caf\xC3\xA9",
                                       "moon",
                                       "Sun",
                                       "road",
                                       "Stra\xC3\x9F"
                                       "e",
                                       "city",
                                       "Rain",
                                       "gold",
                                       "Sky"};
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> word(0, static_cast<int>(std::size(kWords)) - 1);
  std::uniform_int_distribution<int> words(1, 5);
  std::vector<ZRString> titles;
  titles.reserve(count);
  for (int i = 0; i < count; ++i) {
    std::string title;
    const int n = words(random);
    for (int w = 0; w < n; ++w) {
      if (w > 0) title += ' ';
      title += kWords[word(random)];
    }
    title += " " + std::to_string(i % 97);
    titles.emplace_back(title);
  }
  return titles;
}

void BM_SortTitlesIcmp(benchmark::State& state) {
  const std::vector<ZRString> titles = makeTitles(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<ZRString> work = titles;
    state.ResumeTiming();
    std::sort(work.begin(), work.end(), [](const ZRString& a, const ZRString& b) { return a.icmp(b) < 0; });
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortTitlesIcmp)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
