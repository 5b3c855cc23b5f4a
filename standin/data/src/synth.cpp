// Synthetic LC-MS runs: compounds with isotope patterns eluting as Gaussian or tailing (EMG) peaks
// over random chemical noise, drifting background ions, spray fluctuation, a data-dependent MS2
// function and an absorbance trace. Peak heights are chosen as multiples of the TIC noise.
#include "ivdata/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ivdata/error.h"
#include "ivdata/json.h"
#include "ivdata/sample.h"
#include "ivdata/text.h"

namespace ivdata {

namespace {

constexpr double kProton = 1.007276;
constexpr double kIsotopeStep = 1.003355;
constexpr double kNoiseMean = 1000;  // mean intensity of one chemical-noise point
const double kPi = std::acos(-1.0);

// xoshiro256** seeded by splitmix64: fixed, documented generators give the same stream everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) {
    for (auto& s : state_) {
      seed += 0x9E3779B97F4A7C15ull;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      s = z ^ (z >> 31);
    }
  }
  std::uint64_t Next() {
    const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  double LogUniform(double lo, double hi) { return std::exp(Uniform(std::log(lo), std::log(hi))); }
  double Exponential() { return -std::log1p(-Uniform()); }
  double Normal() {
    const double u1 = 1.0 - Uniform();
    const double u2 = Uniform();
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * kPi * u2);
  }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t state_[4];
};

// exp(z^2) erfc(z) for z >= 0, without overflow.
double Erfcx(double z) {
  if (z < 5) return std::exp(z * z) * std::erfc(z);
  const double z2 = z * z;
  return (1 - 1 / (2 * z2) + 3 / (4 * z2 * z2)) / (z * std::sqrt(kPi));
}

// Unit-area exponentially modified Gaussian (a Gaussian when tau is 0).
double Emg(double t, double mu, double sigma, double tau) {
  const double x = t - mu;
  if (tau <= 0) return std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * kPi));
  const double z = (sigma / tau - x / sigma) / std::sqrt(2.0);
  if (z >= 0) return std::exp(-x * x / (2 * sigma * sigma)) * Erfcx(z) / (2 * tau);
  return std::exp(sigma * sigma / (2 * tau * tau) - x / tau) * std::erfc(z) / (2 * tau);
}

struct Compound {
  TruthPeak truth;
  double mu = 0;
  double scale = 0;  // multiplies the unit-area profile to give TIC intensity
  std::vector<double> isotopeMz, isotopeShare;
  std::vector<double> fragmentMz, fragmentShare;
  double uvScale = 0;

  double Tic(double t) const { return scale * Emg(t, mu, truth.sigmaMinutes, truth.tauMinutes); }
};

void FinishCompound(Compound& c, double ticNoise, double snr) {
  const double sigma = c.truth.sigmaMinutes, tau = c.truth.tauMinutes;
  // Apex of the profile: fine grid search, then the area by the same grid.
  const double from = c.mu - 6 * sigma, to = c.mu + 6 * sigma + 10 * tau;
  const double step = sigma / 400;
  double best = 0, bestT = c.mu;
  for (double t = from; t <= to; t += step) {
    const double v = Emg(t, c.mu, sigma, tau);
    if (v > best) {
      best = v;
      bestT = t;
    }
  }
  c.truth.apexRt = bestT;
  c.truth.height = snr * ticNoise;
  c.truth.signalToNoise = snr;
  c.scale = c.truth.height / best;
  c.truth.area = c.scale;  // the profile has unit area
}

void MakeMasses(Compound& c, Rng& rng) {
  const double neutral = rng.Uniform(300, 1500);
  const double u = rng.Uniform();
  const int z = u < 0.7 ? 1 : (u < 0.95 ? 2 : 3);
  c.truth.charge = z;
  c.truth.monoMz = (neutral + z * kProton) / z;
  const double lambda = neutral * 0.00055;
  double total = 0;
  double term = std::exp(-lambda);
  for (int k = 0; k < 5; ++k) {
    if (k > 0) term *= lambda / k;
    c.isotopeMz.push_back(c.truth.monoMz + k * kIsotopeStep / z);
    c.isotopeShare.push_back(term);
    total += term;
  }
  for (double& s : c.isotopeShare) s /= total;
  const int fragments = 6;
  total = 0;
  for (int k = 0; k < fragments; ++k) {
    c.fragmentMz.push_back(rng.Uniform(80, c.truth.monoMz * z - 10));
    c.fragmentShare.push_back(rng.Uniform(0.05, 1));
    total += c.fragmentShare.back();
  }
  for (double& s : c.fragmentShare) s /= total;
  c.uvScale = rng.LogUniform(5, 200);  // mAU at the apex
}

}  // namespace

SynthTruth Synthesise(const SynthOptions& o, const std::string& samplePath) {
  if (o.ms1Scans < 50 || o.ms1Scans > 1000000) throw Error("synthetic samples need 50 to 1000000 MS1 scans");
  if (!(o.cycleMinutes >= 0.001 && o.cycleMinutes <= 1)) throw Error("scan cycle must lie between 0.001 and 1 minute");
  if (o.noisePointsPerScan < 10 || o.noisePointsPerScan > 5000000) throw Error("noise points per scan must lie between 10 and 5000000");
  Rng rng(o.seed);
  const int n = o.ms1Scans;
  const double cycle = o.cycleMinutes;
  std::vector<double> rt(static_cast<std::size_t>(n));
  for (int s = 0; s < n; ++s) rt[static_cast<std::size_t>(s)] = 0.5 + s * cycle + rng.Uniform(-0.02, 0.02) * cycle;
  auto scanAt = [&](double t) {
    if (t <= rt.front()) return 1.0;
    if (t >= rt.back()) return static_cast<double>(n);
    const auto it = std::upper_bound(rt.begin(), rt.end(), t);
    const auto i = static_cast<std::size_t>(it - rt.begin());
    return static_cast<double>(i) + (t - rt[i - 1]) / (rt[i] - rt[i - 1]);
  };

  SynthTruth truth;
  truth.seed = o.seed;
  truth.ms1Scans = n;
  truth.ticNoise = std::sqrt(static_cast<double>(o.noisePointsPerScan)) * kNoiseMean;
  const double noise = truth.ticNoise;

  // Groups of compounds, one per slot of the run, in this order of priority.
  enum Group { Pair, BigSmall, Tailing, Weak, Isolated };
  const Group pattern[] = {Pair, BigSmall, Tailing, Weak, Isolated, Isolated, Weak, Tailing, Isolated, Isolated, Pair};
  const int slots = std::max(3, (n - 80) / 65);
  const double usableFrom = rt[40 < n ? 40 : 0], usableTo = rt[static_cast<std::size_t>(std::max(0, n - 40))];
  const double slotWidth = (usableTo - usableFrom) / slots;
  std::vector<Compound> compounds;
  auto sigmaScans = [&] { return rng.Uniform(2.0, 3.5) * cycle; };
  for (int k = 0; k < slots; ++k) {
    const Group g = k < static_cast<int>(std::size(pattern)) ? pattern[k] : (k % 4 == 3 ? Weak : Isolated);
    const double centre = usableFrom + slotWidth * (k + 0.5) + rng.Uniform(-0.15, 0.15) * slotWidth;
    auto add = [&](const char* role, double mu, double sigma, double tau, double snr) {
      Compound c;
      c.truth.role = role;
      c.mu = mu;
      c.truth.sigmaMinutes = sigma;
      c.truth.tauMinutes = tau;
      MakeMasses(c, rng);
      FinishCompound(c, noise, snr);
      compounds.push_back(std::move(c));
    };
    switch (g) {
      case Isolated: add("isolated", centre, sigmaScans(), 0, k % 5 == 4 ? rng.Uniform(10, 20) : rng.LogUniform(10, 1000)); break;
      case Tailing: {
        const double sigma = sigmaScans();
        add("tailing", centre - sigma, sigma, sigma * rng.Uniform(0.5, 1.2), rng.LogUniform(20, 500));
        break;
      }
      case Weak: add("weak", centre, sigmaScans(), 0, rng.Uniform(2, 6)); break;
      case Pair: {
        const double s1 = sigmaScans(), s2 = sigmaScans();
        const double gap = rng.Uniform(3.2, 3.8) * std::max(s1, s2);
        const double h1 = rng.LogUniform(40, 300);
        add("coeluting", centre - gap / 2, s1, 0, h1);
        add("coeluting", centre + gap / 2, s2, 0, h1 * rng.Uniform(0.5, 1.0));
        break;
      }
      case BigSmall: {
        const double sb = sigmaScans(), ss = sigmaScans();
        const double big = rng.LogUniform(800, 3000);
        const double small = std::max(15.0, big * rng.Uniform(0.03, 0.06));
        add("small-beside-big", centre - 2 * (sb + ss), ss, 0, small);  // before the big one, clear of its tail
        add("big", centre + 2 * (sb + ss), sb, 0, big);
        break;
      }
    }
  }
  std::sort(compounds.begin(), compounds.end(),
            [](const Compound& a, const Compound& b) { return a.truth.apexRt < b.truth.apexRt; });
  for (std::size_t i = 0; i < compounds.size(); ++i) {
    compounds[i].truth.id = static_cast<int>(i + 1);
    compounds[i].truth.apexScan = scanAt(compounds[i].truth.apexRt);
  }

  // Background ions drift slowly: up along the run and with one slow wave.
  const double backgroundMz[] = {149.0233, 279.1591, 391.2843, 413.2662, 536.1654};
  double backgroundShare[5];
  for (double& b : backgroundShare) b = rng.Uniform(0.1, 0.3);
  const double runLength = rt.back() - rt.front();
  const double phase = rng.Uniform(0, 2 * kPi);
  auto drift = [&](double t) {
    const double x = (t - rt.front()) / runLength;
    return noise * (20 + 25 * x + 8 * std::sin(4 * kPi * x + phase));
  };

  SampleInfo info;
  info.name = "synthetic-" + std::to_string(o.seed);
  info.description = "synthetic sample, seed " + std::to_string(o.seed) + ", " + std::to_string(n) + " MS1 scans";
  info.created = "2000-01-01T00:00:00Z";  // fixed, so the same seed gives the same bytes
  SampleWriter writer(samplePath, info);
  const int ms1 = writer.AddFunction(1, "MS1");
  const int ms2 = o.ms2 ? writer.AddFunction(2, "MS2") : 0;

  std::vector<double> mz, in;
  std::vector<std::pair<double, double>> points;
  const auto noisePoints = static_cast<std::size_t>(o.noisePointsPerScan);
  for (int s = 0; s < n; ++s) {
    const double t = rt[static_cast<std::size_t>(s)];
    points.clear();
    points.reserve(noisePoints + 64);
    for (std::size_t k = 0; k < noisePoints; ++k) points.emplace_back(rng.Uniform(100, 1600), kNoiseMean * rng.Exponential());
    const double d = drift(t);
    for (int b = 0; b < 5; ++b) points.emplace_back(backgroundMz[b], d * backgroundShare[b] / 1.0);
    const double spray = std::exp(0.03 * rng.Normal());
    const Compound* strongest = nullptr;
    double strongestTic = 0;
    for (const Compound& c : compounds) {
      const double tic = c.Tic(t);
      if (tic < 0.01 * kNoiseMean) continue;
      if (tic > strongestTic) {
        strongestTic = tic;
        strongest = &c;
      }
      for (std::size_t k = 0; k < c.isotopeMz.size(); ++k) {
        const double v = tic * c.isotopeShare[k] * spray * std::exp(0.02 * rng.Normal());
        if (v >= 0.01 * kNoiseMean) points.emplace_back(c.isotopeMz[k] + 2e-6 * c.isotopeMz[k] * rng.Normal(), v);
      }
    }
    std::sort(points.begin(), points.end());
    mz.resize(points.size());
    in.resize(points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
      mz[k] = points[k].first;
      in[k] = points[k].second;
    }
    writer.AddScan(ms1, t, mz, in, true);

    if (ms2) {
      // One data-dependent MS2 scan between MS1 scans: the strongest eluting compound, else a background ion.
      points.clear();
      double precursor = backgroundMz[s % 5];
      if (strongest && strongestTic > 3 * noise) {
        precursor = strongest->truth.monoMz;
        for (std::size_t k = 0; k < strongest->fragmentMz.size(); ++k) {
          points.emplace_back(strongest->fragmentMz[k], 0.3 * strongestTic * strongest->fragmentShare[k] * std::exp(0.05 * rng.Normal()));
        }
      }
      for (int k = 0; k < 20; ++k) points.emplace_back(rng.Uniform(80, precursor), 0.1 * kNoiseMean * rng.Exponential());
      std::sort(points.begin(), points.end());
      mz.resize(points.size());
      in.resize(points.size());
      for (std::size_t k = 0; k < points.size(); ++k) {
        mz[k] = points[k].first;
        in[k] = points[k].second;
      }
      writer.AddScan(ms2, t + cycle * 0.5, mz, in, true, precursor);
    }
  }

  // Absorbance: the detector sits before the mass spectrometer, so peaks come 0.03 min earlier.
  truth.absorbanceTrace = "UV 254";
  std::vector<double> uvT, uvV;
  for (double t = rt.front(); t <= rt.back(); t += 0.005) {
    double v = 2 + 3 * (t - rt.front()) / runLength + 0.05 * rng.Normal();
    for (const Compound& c : compounds) {
      v += c.uvScale * Emg(t + 0.03, c.mu, c.truth.sigmaMinutes, c.truth.tauMinutes) /
           Emg(c.truth.apexRt, c.mu, c.truth.sigmaMinutes, c.truth.tauMinutes);
    }
    uvT.push_back(t);
    uvV.push_back(v);
  }
  writer.AddTrace({truth.absorbanceTrace, "mAU", TraceType::Absorbance, 0}, uvT, uvV);
  writer.Finish();

  for (const Compound& c : compounds) truth.peaks.push_back(c.truth);
  return truth;
}

std::string TruthToJson(const SynthTruth& t) {
  Json peaks = Json::array();
  for (const TruthPeak& p : t.peaks) {
    peaks.push_back({{"id", p.id},
                     {"role", AnsiText(p.role)},
                     {"apex_rt", Number(p.apexRt)},
                     {"apex_scan", Number(p.apexScan)},
                     {"sigma", Number(p.sigmaMinutes)},
                     {"tau", Number(p.tauMinutes)},
                     {"height", Number(p.height)},
                     {"area", Number(p.area)},
                     {"snr", Number(p.signalToNoise)},
                     {"mono_mz", Number(p.monoMz)},
                     {"charge", p.charge}});
  }
  const Json truth = {{"seed", t.seed},
                      {"ms1_scans", t.ms1Scans},
                      {"tic_noise", Number(t.ticNoise)},
                      {"absorbance_trace", AnsiText(t.absorbanceTrace)},
                      {"rt_unit", "min"},
                      {"peaks", std::move(peaks)}};
  return truth.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace ivdata
