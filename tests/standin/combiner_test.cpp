#include <gtest/gtest.h>

#include <numeric>

#include "test_support.h"

namespace {

using ivdata::CombineRequest;
using ivdata::ScanRange;

TEST(ScanRangeText, DialogTextsAndTheirRanges) {
  const std::pair<const char*, std::vector<ScanRange>> good[] = {
      {"", {}},
      {"17", {{17, 17}}},
      {"16:18", {{16, 18}}},
      {" 3 : 5 , 20:22 ", {{3, 5}, {20, 22}}},
      {"18:16", {{16, 18}}},
  };
  for (const auto& [text, expected] : good) {
    std::vector<ScanRange> ranges{{9, 9}};
    ASSERT_TRUE(ivdata::ParseScanRanges(text, ranges)) << text;
    ASSERT_EQ(ranges.size(), expected.size()) << text;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(ranges[i].first, expected[i].first) << text;
      EXPECT_EQ(ranges[i].last, expected[i].last) << text;
    }
  }
  for (const char* bad : {"0", "0:5", "-1:3", "3:", ":3", "a", "3,,4", "3,", "1:2:3", "99999999999", "+3"}) {
    std::vector<ScanRange> ranges;
    std::string error;
    EXPECT_FALSE(ivdata::ParseScanRanges(bad, ranges, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(ivdata::ScanRangesText({{49, 51}, {7, 7}}), "49:51, 7");
}

TEST(ScanRangeText, DialogNumbers) {
  double v = 0;
  for (const auto& [text, expected] : std::vector<std::pair<const char*, double>>{
           {"1", 1}, {" 0.5 ", 0.5}, {"2,25", 2.25}, {"-3", -3}, {"+4", 4}, {"1e2", 100}}) {
    ASSERT_TRUE(ivdata::ParseDialogNumber(text, v)) << text;
    EXPECT_EQ(v, expected) << text;
  }
  for (const char* bad : {"", "x", "1x", "inf", "nan", "1..2"}) EXPECT_FALSE(ivdata::ParseDialogNumber(bad, v)) << bad;
}

// Centroided scans 1..5 at 0.1 min steps: m/z 500 drifting by 2 ppm per scan, a point at
// 500.05 (100 ppm away) in scan 2, and scan s's own marker at 600 + s.
std::string Centroided(const ivtest::TempDir& dir) {
  const std::string path = dir.Path("c.ivs");
  ivdata::SampleWriter w(path, {"cent", "", "", ""});
  w.AddFunction(1, "MS1");
  for (int s = 1; s <= 5; ++s) {
    std::vector<double> mz = {500 * (1 + 2e-6 * s), 600.0 + s};
    std::vector<double> in = {100.0 * s, 1};
    if (s == 2) {
      mz.push_back(500.05);
      in.push_back(40);
    }
    w.AddScan(1, 0.1 * s, mz, in, true);
  }
  w.Finish();
  return path;
}

CombineRequest Request(std::vector<ScanRange> ranges, double threshold = 0) {
  CombineRequest r;
  r.ranges = std::move(ranges);
  r.thresholdPercent = threshold;
  return r;
}

TEST(Combiner, CentroidsWithinTheToleranceMergeAndIntensityIsConserved) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(Centroided(dir));
  const ivdata::CombinedSpectrum c = ivdata::CombineScans(s, Request({{1, 3}}));
  const ivdata::Spectrum& sp = c.spectrum;
  ASSERT_EQ(sp.mz.size(), 5u);  // 500 (merged), 500.05, 601, 602, 603
  EXPECT_NEAR(sp.mz[0], 500 * (1 + 2e-6 * (100 * 1 + 200 * 2 + 300 * 3) / 600.0), 1e-9);
  EXPECT_EQ(sp.intensity[0], 600);
  EXPECT_NEAR(sp.mz[1], 500.05, 1e-12);
  EXPECT_EQ(std::accumulate(sp.intensity.begin(), sp.intensity.end(), 0.0), 600 + 40 + 3);
  EXPECT_EQ(c.scansUsed, 3);
  EXPECT_DOUBLE_EQ(c.firstRt, 0.1);
  EXPECT_DOUBLE_EQ(c.lastRt, 0.3);
  EXPECT_NEAR(c.basePeakMz, sp.mz[0], 1e-12);
  EXPECT_EQ(c.basePeakIntensity, 600);
  CombineRequest tight = Request({{1, 3}});
  tight.tolerancePpm = 1;
  EXPECT_EQ(ivdata::CombineScans(s, tight).spectrum.mz.size(), 7u);  // 2 ppm steps no longer merge
}

TEST(Combiner, ThreeRangesCountEachScanOnce) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(Centroided(dir));
  const auto c = ivdata::CombineScans(s, Request({{1, 2}, {2, 3}, {5, 5}}));
  EXPECT_EQ(c.scansUsed, 4);
  EXPECT_EQ(c.spectrum.intensity[0], 100 + 200 + 300 + 500);
  EXPECT_EQ(ivdata::ScanRangesText(c.ranges), "1:2, 2:3, 5");
  EXPECT_THROW(ivdata::CombineScans(s, Request({{1, 1}, {2, 2}, {3, 3}, {4, 4}})), ivdata::Error);
  EXPECT_THROW(ivdata::CombineScans(s, Request({})), ivdata::Error);
}

TEST(Combiner, RangesAreClippedToTheFunctionOrRefused) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(Centroided(dir));
  const auto c = ivdata::CombineScans(s, Request({{4, 9}}));
  EXPECT_EQ(c.scansUsed, 2);
  EXPECT_EQ(c.ranges[0].last, 5);
  const auto reversed = ivdata::CombineScans(s, Request({{3, 1}}));
  EXPECT_EQ(reversed.ranges[0].first, 1);
  EXPECT_EQ(reversed.scansUsed, 3);
  EXPECT_THROW(ivdata::CombineScans(s, Request({{6, 8}})), ivdata::Error);
  CombineRequest other = Request({{1, 1}});
  other.function = 2;
  EXPECT_THROW(ivdata::CombineScans(s, other), ivdata::Error);
}

TEST(Combiner, TheTwoDialogNumbersScaleAndThreshold) {
  ivtest::TempDir dir;
  const ivdata::Sample s = ivdata::Sample::Open(Centroided(dir));
  CombineRequest r = Request({{1, 3}}, 1);  // 1 %: the markers (3 of 600) go, 500.05 (40) stays
  r.scale = 1.0 / 3;
  const auto c = ivdata::CombineScans(s, r);
  ASSERT_EQ(c.spectrum.mz.size(), 2u);
  EXPECT_NEAR(c.spectrum.intensity[0], 200, 1e-9);
  EXPECT_NEAR(c.basePeakIntensity, 200, 1e-9);
  EXPECT_EQ(ivdata::CombineScans(s, Request({{1, 3}}, 100)).spectrum.mz.size(), 1u);
  for (double bad : {0.0, -1.0, std::nan("")}) {
    r.scale = bad;
    EXPECT_THROW(ivdata::CombineScans(s, r), ivdata::Error) << bad;
  }
  r.scale = 1;
  r.thresholdPercent = 101;
  EXPECT_THROW(ivdata::CombineScans(s, r), ivdata::Error);
}

TEST(Combiner, LongRangesAreMergedAsTheyComeWithTheSameResult) {
  // 3 x 400,000 points on one grid: more than is held before merging part-way.
  ivtest::TempDir dir;
  const std::string path = dir.Path("many.ivs");
  constexpr int kPoints = 400000;
  {
    ivdata::SampleWriter w(path, {});
    w.AddFunction(1, "MS1");
    std::vector<double> mz(kPoints), in(kPoints);
    for (int s = 1; s <= 3; ++s) {
      for (int i = 0; i < kPoints; ++i) {
        mz[static_cast<std::size_t>(i)] = 100 + 0.01 * i;
        in[static_cast<std::size_t>(i)] = s + (i % 5);
      }
      w.AddScan(1, 0.1 * s, mz, in, true);
    }
    w.Finish();
  }
  const ivdata::Sample s = ivdata::Sample::Open(path);
  CombineRequest r = Request({{1, 3}});
  r.tolerancePpm = 1;  // the grid's 0.01 steps stay apart up to m/z 4100
  const auto c = ivdata::CombineScans(s, r);
  ASSERT_EQ(c.spectrum.mz.size(), static_cast<std::size_t>(kPoints));
  EXPECT_NEAR(c.spectrum.mz[1234], 100 + 12.34, 1e-9);
  EXPECT_EQ(c.spectrum.intensity[1234], 6 + 3 * (1234 % 5));
}

TEST(Combiner, ProfileScansAreSummedOnTheFirstScansGrid) {
  ivtest::TempDir dir;
  const std::string path = dir.Path("p.ivs");
  {
    ivdata::SampleWriter w(path, {});
    w.AddFunction(1, "MS1");
    w.AddScan(1, 0.1, std::vector<double>{100, 100.1, 100.2, 100.3}, std::vector<double>{0, 10, 20, 0}, false);
    w.AddScan(1, 0.2, std::vector<double>{100, 100.1, 100.2, 100.3}, std::vector<double>{0, 1, 2, 0}, false);
    w.AddScan(1, 0.3, std::vector<double>{100.05, 100.15, 100.25}, std::vector<double>{4, 8, 6}, false);  // another grid
    w.Finish();
  }
  const ivdata::Sample s = ivdata::Sample::Open(path);
  const auto same = ivdata::CombineScans(s, Request({{1, 2}}));
  EXPECT_FALSE(same.spectrum.centroided);
  EXPECT_EQ(same.spectrum.intensity, (std::vector<double>{0, 11, 22, 0}));
  const auto shifted = ivdata::CombineScans(s, Request({{1, 3}}));
  ASSERT_EQ(shifted.spectrum.mz.size(), 4u);
  EXPECT_NEAR(shifted.spectrum.intensity[1], 11 + 6, 1e-9);  // 100.1 lies halfway between 4 and 8
  EXPECT_NEAR(shifted.spectrum.intensity[2], 22 + 7, 1e-9);
  EXPECT_NEAR(shifted.spectrum.intensity[0], 0, 1e-9);      // outside the third scan's span
  // The threshold zeroes profile points instead of cutting holes in the grid.
  const auto cut = ivdata::CombineScans(s, Request({{1, 2}}, 60));
  EXPECT_EQ(cut.spectrum.intensity, (std::vector<double>{0, 0, 22, 0}));
}

}  // namespace

namespace {

// The host's check of its "Combine Spectrum" fields on OK, against a sample of 600 scans.
TEST(CombineFields, TheDialogsFieldsAreCheckedAsTheHostReadsThem) {
  struct Row {
    ivdata::CombineFields fields;
    const char* error;  // "" when the fields are good
  };
  const Row rows[] = {
      {{"49:51", "", "1", "1"}, ""},
      {{" 51:49 ", "3:5,20:22", "0,5", "0"}, ""},
      {{"600", "", "2e0", "100"}, ""},
      {{"", "", "1", "1"}, "Scans: \"\" is not a scan range."},
      {{"49:", "", "1", "1"}, "Scans: \"49:\" is not a scan range (not a scan range (first:last): \"49:\")."},
      {{"1", "2;3", "1", "1"}, "Also combine: \"2;3\" is not a list of scan ranges (not a scan number: \"2;3\")."},
      {{"1", "2,3,4", "1", "1"}, "At most three scan ranges can be combined."},
      {{"601:700", "", "1", "1"}, "Scans 601:700 lie outside the sample (1 to 600)."},
      {{"1", "700:650", "1", "1"}, "Scans 650:700 lie outside the sample (1 to 600)."},
      {{"1", "", "0", "1"}, "Scale: \"0\" is not a number above 0."},
      {{"1", "", "x", "1"}, "Scale: \"x\" is not a number above 0."},
      {{"1", "", "1", "100.5"}, "Threshold: \"100.5\" is not a percentage from 0 to 100."},
      {{"1", "", "1", "-1"}, "Threshold: \"-1\" is not a percentage from 0 to 100."},
  };
  for (const Row& r : rows) {
    CombineRequest request;
    std::string error;
    const bool ok = ivdata::ReadCombineFields(r.fields, 600, request, error);
    EXPECT_EQ(ok, *r.error == '\0') << r.fields.scans << " / " << r.fields.moreScans;
    EXPECT_EQ(error, r.error) << r.fields.scans << " / " << r.fields.moreScans;
  }
  CombineRequest request;
  std::string error;
  ASSERT_TRUE(ivdata::ReadCombineFields({"51:49", "3:5, 20", "0,5", "2.5"}, 600, request, error));
  EXPECT_EQ(ivdata::ScanRangesText(request.ranges), "49:51, 3:5, 20");
  EXPECT_EQ(request.scale, 0.5);
  EXPECT_EQ(request.thresholdPercent, 2.5);
  EXPECT_EQ(request.function, 1);
}

}  // namespace
