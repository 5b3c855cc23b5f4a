// Integrator against synthetic truth over many seeds: recall and precision for peaks with
// signal-to-noise >= 10, and apex error in scans. Usage: synth_accuracy [SEEDS] [FIRST_SEED] [-v]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ivdata/ivdata.h"

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 50;
  const int first = argc > 2 ? std::atoi(argv[2]) : 1;
  const bool verbose = argc > 3 && !std::strcmp(argv[3], "-v");
  const std::string path = "/tmp/ivdata-synth-accuracy.ivs";
  int truthCount = 0, recalled = 0, found = 0, matchedFound = 0, apexWithin = 0, apexCount = 0;
  double apexSum = 0, apexMax = 0;
  std::vector<double> apexErrors, areaRatios;
  for (int seed = first; seed < first + seeds; ++seed) {
    ivdata::SynthOptions o;
    o.seed = static_cast<std::uint64_t>(seed);
    const ivdata::SynthTruth truth = ivdata::Synthesise(o, path);
    const ivdata::Sample sample = ivdata::Sample::Open(path);
    ivdata::Channel tic;
    ivdata::ParseChannel("TIC", tic);
    const auto peaks = ivdata::IntegrateChannel(sample, 1, tic, 1, 0, ivdata::IntegratorSettings());
    found += static_cast<int>(peaks.size());
    // One-to-one matching, nearest apex first, within one Gaussian width (at least 1.5 scans).
    struct Pair { double distance; std::size_t t, p; };
    std::vector<Pair> pairs;
    for (std::size_t t = 0; t < truth.peaks.size(); ++t) {
      const double tolerance = std::max(1.5, truth.peaks[t].sigmaMinutes / o.cycleMinutes);
      for (std::size_t p = 0; p < peaks.size(); ++p) {
        const double d = std::fabs(peaks[p].apexScan - truth.peaks[t].apexScan);
        if (d <= tolerance) pairs.push_back({d, t, p});
      }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.distance < b.distance; });
    std::vector<int> truthMatch(truth.peaks.size(), -1), peakMatch(peaks.size(), -1);
    for (const Pair& pr : pairs) {
      if (truthMatch[pr.t] >= 0 || peakMatch[pr.p] >= 0) continue;
      truthMatch[pr.t] = static_cast<int>(pr.p);
      peakMatch[pr.p] = static_cast<int>(pr.t);
    }
    for (std::size_t t = 0; t < truth.peaks.size(); ++t) {
      const auto& tp = truth.peaks[t];
      if (tp.signalToNoise < 10) continue;
      ++truthCount;
      if (truthMatch[t] < 0) {
        if (verbose) std::printf("seed %d: missed %s peak at scan %.2f (S/N %.1f)\n", seed, tp.role.c_str(), tp.apexScan, tp.signalToNoise);
        continue;
      }
      ++recalled;
      const double err = peaks[static_cast<std::size_t>(truthMatch[t])].apexScan - tp.apexScan;
      areaRatios.push_back(peaks[static_cast<std::size_t>(truthMatch[t])].area / tp.area);
      ++apexCount;
      apexSum += std::fabs(err);
      apexMax = std::max(apexMax, std::fabs(err));
      apexErrors.push_back(std::fabs(err));
      if (std::fabs(err) <= 0.5) ++apexWithin;
      else if (verbose) std::printf("seed %d: %s peak at scan %.2f (S/N %.1f) found at %.2f\n", seed, tp.role.c_str(), tp.apexScan, tp.signalToNoise, tp.apexScan + err);
    }
    for (std::size_t p = 0; p < peaks.size(); ++p) {
      if (peakMatch[p] >= 0) ++matchedFound;
      else if (verbose) std::printf("seed %d: false peak at scan %.2f (S/N %.1f, scans %d-%d)\n", seed, peaks[p].apexScan, peaks[p].signalToNoise, peaks[p].startScan, peaks[p].endScan);
    }
  }
  std::remove(path.c_str());
  std::sort(apexErrors.begin(), apexErrors.end());
  const double p95 = apexErrors.empty() ? 0 : apexErrors[static_cast<std::size_t>(0.95 * static_cast<double>(apexErrors.size() - 1))];
  std::printf("seeds %d..%d: %d truth peaks with S/N >= 10, %d recalled (recall %.2f %%)\n", first, first + seeds - 1, truthCount,
              recalled, 100.0 * recalled / std::max(truthCount, 1));
  std::printf("found %d peaks, %d match a truth peak (precision %.2f %%)\n", found, matchedFound, 100.0 * matchedFound / std::max(found, 1));
  std::printf("apex within +/-0.5 scan: %d of %d (%.2f %%); mean |error| %.3f, 95th percentile %.3f, max %.3f scans\n", apexWithin,
              apexCount, 100.0 * apexWithin / std::max(apexCount, 1), apexSum / std::max(apexCount, 1), p95, apexMax);
  std::sort(areaRatios.begin(), areaRatios.end());
  auto at = [&](double q) { return areaRatios.empty() ? 0 : areaRatios[static_cast<std::size_t>(q * static_cast<double>(areaRatios.size() - 1))]; };
  std::printf("area found/truth: median %.3f, 5th-95th percentile %.3f-%.3f\n", at(0.5), at(0.05), at(0.95));
  return 0;
}
