// Google Benchmark timings of the engine's hot paths (run by hand or by measure.sh).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "ivdata/ivdata.h"

namespace {

const std::string& SamplePath() {
  static const std::string path = [] {
    const std::string p = "/tmp/ivdata-bench-sample.ivs";
    ivdata::SynthOptions o;
    o.seed = 42;
    ivdata::Synthesise(o, p);
    return p;
  }();
  return path;
}

ivdata::Chromatogram Trace100k() {
  ivdata::Chromatogram c;
  std::uint64_t state = 1;
  for (int i = 0; i < 100000; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double noise = static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
    double v = 1000 + 0.01 * i + 20 * noise;
    const int k = i % 500;  // a peak every 500 points, sigma 4
    v += 2000.0 * std::exp(-0.5 * (k - 250) * (k - 250) / 16.0);
    c.rt.push_back(0.01 * i);
    c.scan.push_back(i + 1);
    c.value.push_back(v);
  }
  return c;
}

void IntegrateTrace100k(benchmark::State& state) {
  const ivdata::Chromatogram c = Trace100k();
  std::size_t peaks = 0;
  for (auto _ : state) peaks = ivdata::IntegrateChromatogram(c, ivdata::IntegratorSettings()).size();
  state.counters["peaks"] = static_cast<double>(peaks);
}
BENCHMARK(IntegrateTrace100k)->Unit(benchmark::kMillisecond);

void CombineThreeScans(benchmark::State& state) {
  const ivdata::Sample s = ivdata::Sample::Open(SamplePath());
  ivdata::CombineRequest r;
  r.ranges = {{449, 451}};
  std::size_t points = 0;
  for (auto _ : state) points = ivdata::CombineScans(s, r).spectrum.mz.size();
  state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(CombineThreeScans)->Unit(benchmark::kMicrosecond);

void OpenSample(benchmark::State& state) {
  const std::string& path = SamplePath();
  for (auto _ : state) benchmark::DoNotOptimize(ivdata::Sample::Open(path).ScanCount(1));
}
BENCHMARK(OpenSample)->Unit(benchmark::kMicrosecond);

void IntegrateTicOfSample(benchmark::State& state) {
  const ivdata::Sample s = ivdata::Sample::Open(SamplePath());
  ivdata::Channel c;
  ivdata::ParseChannel("TIC", c);
  for (auto _ : state) benchmark::DoNotOptimize(ivdata::IntegrateChannel(s, 1, c, 1, 0, ivdata::IntegratorSettings()).size());
}
BENCHMARK(IntegrateTicOfSample)->Unit(benchmark::kMicrosecond);

void ExtractMassChromatogram(benchmark::State& state) {
  const ivdata::Sample s = ivdata::Sample::Open(SamplePath());
  ivdata::Channel c;
  ivdata::ParseChannel("391.28+536.17", c);
  for (auto _ : state) benchmark::DoNotOptimize(ivdata::ExtractChromatogram(s, 1, c).value.size());
}
BENCHMARK(ExtractMassChromatogram)->Unit(benchmark::kMillisecond);

void RenderSixSpectraPage(benchmark::State& state) {
  const ivdata::Sample s = ivdata::Sample::Open(SamplePath());
  std::vector<ivdata::CombinedSpectrum> spectra;
  for (int k = 0; k < 6; ++k) {
    ivdata::CombineRequest r;
    r.ranges = {{100 + 130 * k, 102 + 130 * k}};
    spectra.push_back(ivdata::CombineScans(s, r));
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ivdata::RenderPagePdf(spectra, ivdata::PageOptions()).size());
    benchmark::DoNotOptimize(ivdata::EncodePng(ivdata::RenderPageImage(spectra, ivdata::PageOptions())).size());
  }
}
BENCHMARK(RenderSixSpectraPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
