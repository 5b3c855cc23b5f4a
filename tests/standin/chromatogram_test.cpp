#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using ivdata::Channel;

// Scan s (1..4) at 0.1*s min holds m/z 100 (s), 100.4 (10 s), 200 (100 s), 300 (1000).
std::string FourScans(const ivtest::TempDir& dir) {
  const std::string path = dir.Path("four.ivs");
  ivdata::SampleWriter w(path, {"four", "", "", ""});
  w.AddFunction(1, "MS1");
  for (int s = 1; s <= 4; ++s) {
    w.AddScan(1, 0.1 * s, std::vector<double>{100, 100.4, 200, 300}, std::vector<double>{1.0 * s, 10.0 * s, 100.0 * s, 1000}, true);
  }
  std::vector<double> t, v;
  for (int i = 0; i <= 50; ++i) {
    t.push_back(0.01 * i);
    v.push_back(i);
  }
  w.AddTrace({"UV 254", "mAU", ivdata::TraceType::Absorbance, 0}, t, v);
  w.AddTrace({"Pressure", "bar", ivdata::TraceType::Pressure, 0}, t, t);
  w.Finish();
  return path;
}

std::vector<double> Values(const ivdata::Sample& s, const char* text, int first = 1, int last = 0) {
  Channel c;
  EXPECT_TRUE(ivdata::ParseChannel(text, c)) << text;
  return ivdata::ExtractChromatogram(s, 1, c, first, last).value;
}

TEST(Chromatogram, TicAndBpiComeFromTheIndex) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(FourScans(dir));
  EXPECT_EQ(Values(s, "TIC"), (std::vector<double>{1111, 1222, 1333, 1444}));
  EXPECT_EQ(Values(s, "BPI"), (std::vector<double>{1000, 1000, 1000, 1000}));
}

TEST(Chromatogram, MassWindowsSumThePointsInsideThemInclusively) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(FourScans(dir));
  EXPECT_EQ(Values(s, "100"), (std::vector<double>{11, 22, 33, 44}));        // 99.5..100.5 holds 100 and 100.4
  EXPECT_EQ(Values(s, "100~0.1"), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(Values(s, "100.4_200"), (std::vector<double>{110, 220, 330, 440}));  // both ends included
  EXPECT_EQ(Values(s, "200+300"), (std::vector<double>{1100, 1200, 1300, 1400}));
  EXPECT_EQ(Values(s, "100+100~0.1"), (std::vector<double>{12, 24, 36, 48}));  // overlapping terms both count
  EXPECT_EQ(Values(s, "500"), (std::vector<double>{0, 0, 0, 0}));
}

TEST(Chromatogram, ScanRangeIsClippedToTheFunction) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(FourScans(dir));
  Channel tic;
  ivdata::ParseChannel("TIC", tic);
  const ivdata::Chromatogram c = ivdata::ExtractChromatogram(s, 1, tic, 2, 3);
  EXPECT_EQ(c.scan, (std::vector<double>{2, 3}));
  EXPECT_EQ(c.rt, (std::vector<double>{0.1 * 2, 0.1 * 3}));
  EXPECT_EQ(ivdata::ExtractChromatogram(s, 1, tic, -5, 99).value.size(), 4u);
  EXPECT_TRUE(ivdata::ExtractChromatogram(s, 1, tic, 4, 2).value.empty());
  EXPECT_THROW(ivdata::ExtractChromatogram(s, 2, tic), ivdata::Error);
}

TEST(Chromatogram, AnalogTracesKeepTheirSamplingWithinTheScanTimes) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(FourScans(dir));
  Channel uv;
  ivdata::ParseChannel("uv 254", uv);
  const ivdata::Chromatogram c = ivdata::ExtractChromatogram(s, 1, uv, 2, 3);  // 0.2..0.3 min
  EXPECT_TRUE(c.analog);
  EXPECT_EQ(c.label, "UV 254");
  ASSERT_EQ(c.value.size(), 11u);
  EXPECT_DOUBLE_EQ(c.value.front(), 20);
  EXPECT_NEAR(c.scan[5], 2.5, 1e-9);  // 0.25 min lies halfway between scans 2 and 3
  Channel second;
  ivdata::ParseChannel("ANALOG 2", second);
  EXPECT_EQ(ivdata::ResolveAnalogTrace(s, second), 2);
  Channel missing;
  ivdata::ParseChannel("UV 280", missing);
  EXPECT_EQ(ivdata::ResolveAnalogTrace(s, missing), 0);
  EXPECT_THROW(ivdata::ExtractChromatogram(s, 1, missing), ivdata::Error);
  ivdata::ParseChannel("ANALOG 3", missing);
  EXPECT_EQ(ivdata::ResolveAnalogTrace(s, missing), 0);
}

}  // namespace
