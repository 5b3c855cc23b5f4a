// The core's own cost, without any real waiting: window lookups on a crowded desktop, and whole runs.
#include <benchmark/benchmark.h>

#include "automation/window_lookup.h"
#include "fakes/rig.h"
#include "shell/startup.h"

namespace apexer {
namespace {

void BM_FindWindowByTitleAmongExtraWindows(benchmark::State& state) {
  fakes::Rig rig;
  for (int i = 0; i < state.range(0); ++i) rig.desktop.AddWindow("Window number " + std::to_string(i));
  rig.desktop.AddWindowAtBottom("Combine Spectrum Options");
  for (auto _ : state) benchmark::DoNotOptimize(FindWindowByTitle(rig.desktop, "Combine Spectrum"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindWindowByTitleAmongExtraWindows)->Arg(10)->Arg(1000);

void BM_WholeRunPerPeak(benchmark::State& state) {
  const auto peaks = static_cast<int>(state.range(0));
  for (auto _ : state) {
    fakes::HostScript script;
    for (int i = 0; i < peaks; ++i) script.apexScans.push_back(static_cast<Single>(2 + i % 97));
    fakes::Rig rig(script);
    rig.profiles.SetText(R"(D:\Tools\Apexer.INI)", "[Combine]\nChroDesc=TIC\n");
    benchmark::DoNotOptimize(Main(*rig.p, rig.record));
  }
  state.SetItemsProcessed(state.iterations() * peaks);
}
BENCHMARK(BM_WholeRunPerPeak)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace apexer

BENCHMARK_MAIN();
