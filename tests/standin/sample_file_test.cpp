#include <gtest/gtest.h>

#include <filesystem>

#include "file_io.h"  // the engine's own file helpers
#include "test_support.h"

namespace {

using ivdata::Error;
using ivdata::Sample;
using ivdata::SampleWriter;

// Two functions written interleaved as a data-dependent run would, and one analog trace.
std::string WriteSmallSample(const ivtest::TempDir& dir, const std::string& name = "s.ivs") {
  const std::string path = dir.Path(name);
  SampleWriter w(path, {"small", "hand-made", "", ""});
  const int ms1 = w.AddFunction(1, "MS1");
  const int ms2 = w.AddFunction(2, "MS2");
  for (int s = 0; s < 5; ++s) {
    const double t = 1.0 + 0.1 * s;
    // m/z out of order on purpose: the writer sorts.
    const std::vector<double> mz = {300.2, 100.1, 200.5};
    const std::vector<double> in = {10.0 * (s + 1), 5, 1000.0 + s};
    w.AddScan(ms1, t, mz, in, true);
    w.AddScan(ms2, t + 0.05, std::vector<double>{150.0}, std::vector<double>{7.0}, true, 200.5);
  }
  w.AddTrace({"UV 254", "mAU", ivdata::TraceType::Absorbance, 0}, std::vector<double>{1.0, 1.2, 1.4},
             std::vector<double>{0.5, 2.5, 1.0});
  w.Finish();
  return path;
}

TEST(SampleFile, WhatIsWrittenReadsBackWithItsIndex) {
  ivtest::TempDir dir;
  const Sample s = Sample::Open(WriteSmallSample(dir));
  EXPECT_EQ(s.Info().name, "small");
  EXPECT_FALSE(s.Info().created.empty());
  ASSERT_EQ(s.FunctionCount(), 2);
  EXPECT_EQ(s.Function(2).msLevel, 2);
  EXPECT_EQ(s.ScanCount(1), 5);
  EXPECT_EQ(s.ScanCount(2), 5);
  EXPECT_EQ(s.ScanCount(3), 0);
  const ivdata::ScanInfo& scan3 = s.Scan(1, 3);
  EXPECT_DOUBLE_EQ(scan3.rt, 1.2);
  EXPECT_DOUBLE_EQ(scan3.tic, 30 + 5 + 1002);
  EXPECT_DOUBLE_EQ(scan3.basePeakMz, 200.5);
  EXPECT_FLOAT_EQ(scan3.basePeakIntensity, 1002);
  EXPECT_DOUBLE_EQ(s.Scan(2, 1).precursorMz, 200.5);
  const ivdata::Spectrum sp = s.ReadSpectrum(1, 3);
  EXPECT_EQ(sp.mz, (std::vector<double>{100.1, 200.5, 300.2}));
  EXPECT_EQ(sp.intensity, (std::vector<double>{5, 1002, 30}));  // intensities moved with their m/z
  ASSERT_EQ(s.TraceCount(), 1);
  EXPECT_EQ(s.FindTrace("uv 254"), 1);
  EXPECT_EQ(s.FindTrace("UV"), 0);
  EXPECT_EQ(s.Trace(1).type, ivdata::TraceType::Absorbance);
  EXPECT_EQ(s.ReadTrace(1).value, (std::vector<double>{0.5, 2.5, 1.0}));
  EXPECT_THROW(s.Scan(1, 6), Error);
  EXPECT_THROW(s.Scan(3, 1), Error);
  EXPECT_THROW(s.Trace(2), Error);
}

TEST(SampleFile, ScanAtTimeIsNearestClampedAndTiesGoEarlier) {
  ivtest::TempDir dir;
  const Sample s = Sample::Open(WriteSmallSample(dir));  // function 1 at 1.0, 1.1, ... 1.4 min
  EXPECT_EQ(s.ScanAtTime(1, 1.0), 1);
  EXPECT_EQ(s.ScanAtTime(1, 1.14), 2);
  EXPECT_EQ(s.ScanAtTime(1, 1.16), 3);
  EXPECT_EQ(s.ScanAtTime(1, 1.25), 3);  // halfway between scans 3 and 4
  EXPECT_EQ(s.ScanAtTime(1, 0), 1);
  EXPECT_EQ(s.ScanAtTime(1, 99), 5);
  EXPECT_EQ(s.ScanAtTime(1, std::nan("")), 0);
  EXPECT_EQ(s.ScanAtTime(3, 1.0), 0);  // no such function
  EXPECT_NEAR(s.FractionalScanAtTime(1, 1.125), 2.25, 1e-9);
  EXPECT_EQ(s.FractionalScanAtTime(1, 0.5), 1);
  EXPECT_EQ(s.FractionalScanAtTime(1, 9), 5);
}

TEST(SampleFile, EmptyFunctionsAndEmptyScansAreAllowed) {
  ivtest::TempDir dir;
  const std::string path = dir.Path("e.ivs");
  SampleWriter w(path, {});
  w.AddFunction(1, "MS1");
  w.AddFunction(2, "MS2");
  w.AddScan(2, 0.5, std::vector<double>{}, std::vector<double>{}, true);
  w.Finish();
  const Sample s = Sample::Open(path);
  EXPECT_EQ(s.ScanCount(1), 0);
  EXPECT_EQ(s.ScanAtTime(1, 1.0), 0);
  EXPECT_TRUE(s.ReadSpectrum(2, 1).mz.empty());
  EXPECT_EQ(s.Scan(2, 1).tic, 0);
}

TEST(SampleFile, WriterRefusesDataItCouldNotStoreFaithfully) {
  ivtest::TempDir dir;
  SampleWriter w(dir.Path("bad.ivs"), {});
  const int f = w.AddFunction(1, "MS1");
  const std::vector<double> one = {1.0};
  w.AddScan(f, 2.0, one, one, true);
  EXPECT_THROW(w.AddScan(f, 1.0, one, one, true), Error);  // time goes backwards
  EXPECT_THROW(w.AddScan(f, 3.0, std::vector<double>{std::nan("")}, one, true), Error);
  EXPECT_THROW(w.AddScan(f, 3.0, one, std::vector<double>{1e300}, true), Error);  // no single-precision value
  EXPECT_THROW(w.AddScan(f, 3.0, one, std::vector<double>{1, 2}, true), Error);
  EXPECT_THROW(w.AddScan(2, 3.0, one, one, true), Error);
  const std::vector<double> t = {1.0}, v = {1.0};
  for (const char* name : {"TIC", "bpi", "254 nm", "", " UV"}) {
    EXPECT_THROW(w.AddTrace({name, "", ivdata::TraceType::Other, 0}, t, v), Error) << name;
  }
  w.AddTrace({"Pressure", "bar", ivdata::TraceType::Pressure, 0}, t, v);
  EXPECT_THROW(w.AddTrace({"PRESSURE", "bar", ivdata::TraceType::Pressure, 0}, t, v), Error);
  EXPECT_THROW(w.AddTrace({"Flow", "", ivdata::TraceType::Other, 0}, std::vector<double>{2, 1}, std::vector<double>{1, 1}), Error);
}

TEST(SampleFile, TraceNamesFromOtherFormatsAreMadeUsable) {
  EXPECT_EQ(ivdata::TraceNameFrom("UV 280"), "UV 280");
  EXPECT_EQ(ivdata::TraceNameFrom("1"), "Trace 1");
  EXPECT_EQ(ivdata::TraceNameFrom("tic"), "Trace tic");
  EXPECT_EQ(ivdata::TraceNameFrom(""), "Trace");
  EXPECT_EQ(ivdata::TraceNameFrom("a\tb\xE9"), "a_b_");
  EXPECT_EQ(ivdata::TraceNameFrom(std::string(100, 'x')).size(), 63u);
}

TEST(SampleFile, AnAbandonedWriteLeavesNoFileBehind) {
  ivtest::TempDir dir;
  const std::string path = dir.Path("never.ivs");
  {
    SampleWriter w(path, {});
    w.AddFunction(1, "MS1");
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// Every way a file can be wrong gives Error with a message, never a crash or a wrong sample.
TEST(SampleFile, DamagedFilesAreRefusedWithAReason) {
  ivtest::TempDir dir;
  const std::string good = ivtest::ReadBytes(WriteSmallSample(dir));
  const std::string path = dir.Path("bad.ivs");
  auto openError = [&](const std::string& bytes) {
    ivtest::WriteBytes(path, bytes);
    try {
      Sample::Open(path);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  EXPECT_NE(openError("").find("too short"), std::string::npos);
  EXPECT_NE(openError(std::string(200, 'x')).find("not a sample"), std::string::npos);
  for (std::size_t cut : {std::size_t{64}, std::size_t{100}, good.size() / 2, good.size() - 1}) {
    EXPECT_NE(openError(good.substr(0, cut)).find("truncated"), std::string::npos) << cut;
  }
  EXPECT_NE(openError(good + "junk").find("size does not match"), std::string::npos);
  std::string flipped = good;
  flipped[good.size() - 10] ^= 0x40;  // inside the index
  EXPECT_NE(openError(flipped).find("checksum"), std::string::npos);
  std::string version = good;
  version[8] = 9;
  EXPECT_NE(openError(version).find("version 9"), std::string::npos);
  EXPECT_NE(openError(good.substr(0, 20) + std::string(44, '\0') + good.substr(64)).find("never finished"),
            std::string::npos);
  EXPECT_THROW(Sample::Open(dir.Path("missing.ivs")), Error);
}

TEST(SampleFile, DamagedScanDataIsFoundWhenTheScanIsRead) {
  ivtest::TempDir dir;
  const std::string path = WriteSmallSample(dir);
  std::string bytes = ivtest::ReadBytes(path);
  bytes[64 + 3] ^= 0x01;  // first scan's first m/z
  ivtest::WriteBytes(path, bytes);
  const Sample s = Sample::Open(path);
  EXPECT_THROW(s.ReadSpectrum(1, 1), Error);
  EXPECT_NO_THROW(s.ReadSpectrum(1, 2));
}

TEST(SampleFile, OffsetsBeyondFourGigabytesWork) {
  // A sparse file: costs no disk, but needs 64-bit seeks on every platform.
  ivtest::TempDir dir;
  const std::string path = dir.Path("big.bin");
  const std::uint64_t far = (5ull << 30) + 7;
  {
    ivdata::detail::File f(path, ivdata::detail::File::Mode::Write);
    f.WriteAt(far, "end", 3);
    f.Close();
  }
  const ivdata::detail::File f(path, ivdata::detail::File::Mode::Read);
  EXPECT_EQ(f.Size(), far + 3);
  char back[3];
  f.ReadAt(far, back, 3, "the tail");
  EXPECT_EQ(std::string(back, 3), "end");
  EXPECT_THROW(f.ReadAt(far + 1, back, 3, "the tail"), Error);
}

}  // namespace
