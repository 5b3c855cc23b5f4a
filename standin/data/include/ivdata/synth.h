// Synthetic samples with known truth, deterministic: the same seed and options give the same sample.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ivdata {

struct SynthOptions {
  std::uint64_t seed = 1;
  int ms1Scans = 900;          // function 1
  double cycleMinutes = 0.02;  // time between MS1 scans
  bool ms2 = true;             // function 2: one data-dependent MS2 scan after each MS1 scan
  // Extra noise points per MS1 scan; raise it to make large samples (about 12 bytes per point).
  int noisePointsPerScan = 200;
};

struct TruthPeak {
  int id = 0;
  std::string role;          // "isolated", "coeluting", "big", "small-beside-big", "weak", "tailing"
  double apexRt = 0;         // minutes, of the compound's own noise-free TIC profile
  double apexScan = 0;       // fractional MS1 scan number of that apex
  double sigmaMinutes = 0;   // Gaussian width
  double tauMinutes = 0;     // exponential tail (0: none)
  double height = 0;         // apex height of the compound's TIC contribution
  double area = 0;           // its TIC area, intensity x minutes
  double signalToNoise = 0;  // height over the TIC noise (the integrator's noise measure)
  double monoMz = 0;
  int charge = 1;
};

struct SynthTruth {
  std::uint64_t seed = 0;
  int ms1Scans = 0;
  double ticNoise = 0;
  std::vector<TruthPeak> peaks;   // in apex order
  std::string absorbanceTrace;    // name of the analog trace
};

// Writes the sample; returns its truth.
SynthTruth Synthesise(const SynthOptions& options, const std::string& samplePath);
// The truth as JSON (UTF-8, the names' bytes read as the ANSI code page), keys in a fixed order.
std::string TruthToJson(const SynthTruth& truth);

}  // namespace ivdata
