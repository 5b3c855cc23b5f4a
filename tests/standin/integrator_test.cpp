#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace {

using ivdata::IntegrateChromatogram;
using ivdata::IntegratorSettings;
using ivtest::Gauss;
using ivtest::MakeChromatogram;

const double kSqrt2Pi = std::sqrt(2 * std::acos(-1.0));

TEST(Integrator, OneGaussianOnNoise) {
  ivtest::Noise noise(1);
  // Height 100 over noise 1, sigma 3 points at 0.01 min per point, apex between points.
  const auto c = MakeChromatogram(300, [&](int i) { return 50 + Gauss(i, 150.3, 3, 100) + noise.Next(); });
  const auto peaks = IntegrateChromatogram(c, IntegratorSettings());
  ASSERT_EQ(peaks.size(), 1u);
  const ivdata::Peak& p = peaks[0];
  EXPECT_NEAR(p.apexScan, 151.3, 0.15);  // point i is scan i + 1
  EXPECT_NEAR(p.apexRt, 1.503, 0.0015);
  EXPECT_NEAR(p.height, 100, 4);
  EXPECT_NEAR(p.area, 100 * 3 * 0.01 * kSqrt2Pi, 0.03 * 100 * 3 * 0.01 * kSqrt2Pi);
  EXPECT_LT(p.startScan, 151 - 6);
  EXPECT_GT(p.endScan, 151 + 6);
  EXPECT_LT(p.endScan - p.startScan, 40);  // feet found, not the whole flat trace
  EXPECT_NEAR(p.signalToNoise, 100, 15);
  EXPECT_NEAR(p.baselineStart, 50, 2);
}

TEST(Integrator, NoiseAloneGivesNoPeaks) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    ivtest::Noise noise(seed);
    const auto c = MakeChromatogram(2000, [&](int i) { return 1000 + 0.05 * i + 3 * noise.Next(); });
    EXPECT_TRUE(IntegrateChromatogram(c, IntegratorSettings()).empty()) << "seed " << seed;
  }
}

TEST(Integrator, TracesWithoutPeaksOrUsableValues) {
  const IntegratorSettings s;
  EXPECT_TRUE(IntegrateChromatogram(ivdata::Chromatogram(), s).empty());
  EXPECT_TRUE(IntegrateChromatogram(MakeChromatogram(2, [](int) { return 5.0; }), s).empty());
  EXPECT_TRUE(IntegrateChromatogram(MakeChromatogram(100, [](int) { return 5.0; }), s).empty());
  auto withNan = MakeChromatogram(100, [](int i) { return Gauss(i, 50, 3, 100); });
  withNan.value[10] = std::nan("");
  EXPECT_TRUE(IntegrateChromatogram(withNan, s).empty());
  auto uneven = MakeChromatogram(10, [](int) { return 1.0; });
  uneven.scan.pop_back();
  EXPECT_THROW(IntegrateChromatogram(uneven, s), ivdata::Error);
}

TEST(Integrator, NoiselessPeakOnAFlatZeroTrace) {
  // Sparse extracted masses look like this: the noise measure must not be zero.
  const auto c = MakeChromatogram(200, [](int i) { return Gauss(i, 100, 2.5, 1000); });
  const auto peaks = IntegrateChromatogram(c, IntegratorSettings());
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_NEAR(peaks[0].apexScan, 101, 0.01);
  EXPECT_NEAR(peaks[0].area, 1000 * 2.5 * 0.01 * kSqrt2Pi, 0.5);
}

TEST(Integrator, CoelutingPairIsSplitAtTheValley) {
  ivtest::Noise noise(2);
  const auto c = MakeChromatogram(400, [&](int i) { return Gauss(i, 190, 3, 400) + Gauss(i, 201, 3, 250) + noise.Next(); });
  const auto peaks = IntegrateChromatogram(c, IntegratorSettings());
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_NEAR(peaks[0].apexScan, 191, 0.5);
  EXPECT_NEAR(peaks[1].apexScan, 202, 0.5);
  EXPECT_EQ(peaks[0].endScan, peaks[1].startScan);  // a shared drop line
  const double total = (400 + 250) * 3 * 0.01 * kSqrt2Pi;
  EXPECT_NEAR(peaks[0].area + peaks[1].area, total, 0.03 * total);
  EXPECT_GT(peaks[0].area, peaks[1].area);
}

TEST(Integrator, SmallPeakBesideABigOneIsKept) {
  ivtest::Noise noise(3);
  const auto c = MakeChromatogram(400, [&](int i) { return Gauss(i, 200, 3, 20000) + Gauss(i, 175, 3, 600) + 10 * noise.Next(); });
  const auto peaks = IntegrateChromatogram(c, IntegratorSettings());
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_NEAR(peaks[0].apexScan, 176, 0.5);
  EXPECT_NEAR(peaks[0].height, 600, 60);
}

TEST(Integrator, RipplesOnABigPeakDoNotSplitIt) {
  ivtest::Noise noise(4);
  // 3 % multiplicative noise, as spray fluctuation gives.
  const auto c = MakeChromatogram(300, [&](int i) { return Gauss(i, 150, 6, 1e6) * (1 + 0.03 * noise.Next()) + noise.Next(); });
  EXPECT_EQ(IntegrateChromatogram(c, IntegratorSettings()).size(), 1u);
}

TEST(Integrator, BaselineFollowsDriftOrZero) {
  // A peak on a steep ramp (up by 1.8 peak heights over the peak's base width of 60 points): base to
  // base removes the ramp, zero keeps it.
  const auto c = MakeChromatogram(300, [](int i) { return 3.0 * i + Gauss(i, 150, 3, 500); });
  IntegratorSettings s;
  const auto b2b = IntegrateChromatogram(c, s);
  ASSERT_EQ(b2b.size(), 1u);
  const double area = 500 * 3 * 0.01 * kSqrt2Pi;
  EXPECT_NEAR(b2b[0].area, area, 0.02 * area);
  EXPECT_NEAR(b2b[0].height, 500, 10);
  s.baseline = ivdata::BaselineMode::Zero;
  const auto zero = IntegrateChromatogram(c, s);
  ASSERT_EQ(zero.size(), 1u);
  EXPECT_GT(zero[0].area, 2 * area);  // the ramp under the peak counts too
  EXPECT_EQ(zero[0].baselineStart, 0);
}

TEST(Integrator, SettingsFilterPeaks) {
  ivtest::Noise noise(5);
  // Heights 30, 100 and 1000 over noise 1; a one-point spike of 500.
  const auto c = MakeChromatogram(600, [&](int i) {
    return Gauss(i, 100, 3, 30) + Gauss(i, 250, 3, 100) + Gauss(i, 400, 3, 1000) + (i == 520 ? 500 : 0) + noise.Next();
  });
  IntegratorSettings s;
  s.smoothMethod = ivdata::SmoothMethod::None;
  EXPECT_EQ(IntegrateChromatogram(c, s).size(), 3u);  // the spike is one point wide
  s.minWidth = 1;
  EXPECT_EQ(IntegrateChromatogram(c, s).size(), 4u);
  s = IntegratorSettings();
  s.minSignalToNoise = 50;
  EXPECT_EQ(IntegrateChromatogram(c, s).size(), 2u);
  s = IntegratorSettings();
  s.minRelativeHeight = 5;
  EXPECT_EQ(IntegrateChromatogram(c, s).size(), 2u);
  s = IntegratorSettings();
  s.minHeight = 500;
  EXPECT_EQ(IntegrateChromatogram(c, s).size(), 1u);
  s = IntegratorSettings();
  s.maxPeaks = 2;
  const auto largest = IntegrateChromatogram(c, s);
  ASSERT_EQ(largest.size(), 2u);
  EXPECT_NEAR(largest[0].apexScan, 251, 0.5);  // the two largest, still in time order
  EXPECT_NEAR(largest[1].apexScan, 401, 0.5);
}

TEST(Integrator, FindsTheSynthesisedPeaks) {
  ivtest::TempDir dir;
  for (std::uint64_t seed : {11u, 12u}) {
    ivdata::SynthOptions o;
    o.seed = seed;
    const ivdata::SynthTruth truth = ivdata::Synthesise(o, dir.Path("s.ivs"));
    const ivdata::Sample sample = ivdata::Sample::Open(dir.Path("s.ivs"));
    ivdata::Channel tic;
    ivdata::ParseChannel("TIC", tic);
    const auto peaks = ivdata::IntegrateChannel(sample, 1, tic, 1, 0, IntegratorSettings());
    for (const ivdata::TruthPeak& t : truth.peaks) {
      if (t.signalToNoise < 10) continue;
      const auto nearest = std::min_element(peaks.begin(), peaks.end(), [&](const auto& a, const auto& b) {
        return std::fabs(a.apexScan - t.apexScan) < std::fabs(b.apexScan - t.apexScan);
      });
      ASSERT_NE(nearest, peaks.end());
      EXPECT_NEAR(nearest->apexScan, t.apexScan, 0.5) << "seed " << seed << " " << t.role << " peak " << t.id;
      EXPECT_NEAR(nearest->area, t.area, 0.15 * t.area) << "seed " << seed << " " << t.role << " peak " << t.id;
    }
  }
}

TEST(Integrator, AnalogPeaksReportTheNearestScans) {
  ivtest::TempDir dir;
  ivdata::SynthOptions o;
  o.seed = 3;
  o.ms1Scans = 300;
  const ivdata::SynthTruth truth = ivdata::Synthesise(o, dir.Path("a.ivs"));
  const ivdata::Sample sample = ivdata::Sample::Open(dir.Path("a.ivs"));
  ivdata::Channel uv;
  ASSERT_TRUE(ivdata::ParseChannel(truth.absorbanceTrace, uv));
  const auto peaks = ivdata::IntegrateChannel(sample, 1, uv, 1, 0, IntegratorSettings());
  ASSERT_FALSE(peaks.empty());
  for (const ivdata::Peak& p : peaks) {
    EXPECT_EQ(p.startScan, sample.ScanAtTime(1, p.startRt));
    EXPECT_EQ(p.endScan, sample.ScanAtTime(1, p.endRt));
    EXPECT_NEAR(p.apexScan, sample.FractionalScanAtTime(1, p.apexRt), 1e-6);
  }
}

}  // namespace
