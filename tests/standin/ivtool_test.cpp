// ivtool end to end: what people and scripts see, including every error path.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ivdata/json.h"
#include "test_support.h"

namespace {

const std::string kExamples = "/usr/share/doc/openms/examples";

struct Result {
  int code = -1;
  std::string out, err;
};

Result Ivtool(const ivtest::TempDir& dir, const std::string& args) {
  const std::string out = dir.Path("stdout.txt"), err = dir.Path("stderr.txt");
  const int status = std::system((std::string(IVTOOL_PATH) + " " + args + " >" + out + " 2>" + err).c_str());
  Result r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ivtest::ReadBytes(out);
  r.err = ivtest::ReadBytes(err);
  return r;
}

// Exit code non-zero, exactly one line on stderr, holding `fragment`.
void ExpectOneLineError(const Result& r, int code, const std::string& fragment) {
  EXPECT_EQ(r.code, code) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(fragment), std::string::npos) << r.err;
}

bool Have(const std::string& path) { return std::filesystem::exists(path); }

TEST(Ivtool, BadCommandLinesAndBadInputGiveOneLineAndNonZero) {
  ivtest::TempDir dir;
  ExpectOneLineError(Ivtool(dir, "frobnicate"), 2, "unknown command");
  const Result none = Ivtool(dir, "");
  EXPECT_EQ(none.code, 2);
  EXPECT_NE(none.err.find("synth"), std::string::npos) << none.err;  // the commands, on stderr
  const Result help = Ivtool(dir, "synth --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--no-ms2"), std::string::npos) << help.out;
  ExpectOneLineError(Ivtool(dir, "peaks"), 2, "SAMPLE is required");
  ExpectOneLineError(Ivtool(dir, "peaks a b"), 2, "not expected: b");
  ExpectOneLineError(Ivtool(dir, "peaks a --bogus"), 2, "--bogus");
  ExpectOneLineError(Ivtool(dir, "synth --seed 4 --scans 10 " + dir.Path("x.ivs")), 2, "--scans");
  ExpectOneLineError(Ivtool(dir, "combine a --scans 1:2 --scale big"), 2, "--scale");
  ExpectOneLineError(Ivtool(dir, "synth out.ivs"), 2, "--seed");
  ExpectOneLineError(Ivtool(dir, "synth --seed x " + dir.Path("x.ivs")), 2, "--seed");
  ExpectOneLineError(Ivtool(dir, "peaks " + dir.Path("missing.ivs")), 1, "missing.ivs");
  ivtest::WriteBytes(dir.Path("junk.ivs"), std::string(1000, 'j'));
  ExpectOneLineError(Ivtool(dir, "info " + dir.Path("junk.ivs")), 1, "not a sample");
  ASSERT_EQ(Ivtool(dir, "synth --seed 4 --scans 120 " + dir.Path("s.ivs")).code, 0);
  const std::string whole = ivtest::ReadBytes(dir.Path("s.ivs"));
  ivtest::WriteBytes(dir.Path("cut.ivs"), whole.substr(0, whole.size() / 3));
  ExpectOneLineError(Ivtool(dir, "peaks " + dir.Path("cut.ivs")), 1, "truncated");
  ExpectOneLineError(Ivtool(dir, "peaks " + dir.Path("s.ivs") + " --channel 301+"), 1, "unknown channel");
  ExpectOneLineError(Ivtool(dir, "peaks " + dir.Path("s.ivs") + " --channel 'UV 280'"), 1, "no analog trace");
  ExpectOneLineError(Ivtool(dir, "peaks " + dir.Path("s.ivs") + " --function 3"), 1, "no function 3");
  ExpectOneLineError(Ivtool(dir, "combine " + dir.Path("s.ivs") + " --scans 5:x"), 2, "--scans");
  ExpectOneLineError(Ivtool(dir, "combine " + dir.Path("s.ivs") + " --scans 500:600"), 1, "outside function 1");
  ExpectOneLineError(Ivtool(dir, "page " + dir.Path("s.ivs") + " --scans 1,2,3,4,5,6,7 " + dir.Path("p.pdf")), 2, "six");
  ExpectOneLineError(Ivtool(dir, "import " + dir.Path("none.mzML") + " " + dir.Path("n.ivs")), 1, "cannot open");
  ivtest::WriteBytes(dir.Path("junk.mzML"), "<mzML>nothing</mzML>");
  ExpectOneLineError(Ivtool(dir, "import " + dir.Path("junk.mzML") + " " + dir.Path("n.ivs")), 1, "cannot read");
  EXPECT_FALSE(Have(dir.Path("n.ivs")));
  EXPECT_FALSE(Have(dir.Path("n.ivs.part")));
}

TEST(Ivtool, SynthPeaksCombineAndPage) {
  ivtest::TempDir dir;
  const Result synth = Ivtool(dir, "synth --seed 9 --scans 300 " + dir.Path("s.ivs"));
  ASSERT_EQ(synth.code, 0) << synth.err;
  EXPECT_NE(ivtest::ReadBytes(dir.Path("s.ivs.truth.json")).find("\"peaks\""), std::string::npos);
  const Result peaks = Ivtool(dir, "peaks " + dir.Path("s.ivs"));
  ASSERT_EQ(peaks.code, 0) << peaks.err;
  // One JSON object per line, its keys in this order; whole numbers of scans as integers.
  const std::vector<std::string> keys = {"apex_scan", "apex_rt", "start_scan", "end_scan", "height", "area",
                                         "start_rt", "end_rt", "signal_to_noise"};
  int count = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = peaks.out.find('\n', start)) != std::string::npos; start = end + 1, ++count) {
    const ivdata::Json p = ivdata::Json::parse(peaks.out.substr(start, end - start), nullptr, false);
    ASSERT_TRUE(p.is_object()) << peaks.out.substr(start, end - start);
    std::vector<std::string> got;
    for (const auto& item : p.items()) got.push_back(item.key());
    EXPECT_EQ(got, keys);
    EXPECT_TRUE(p["start_scan"].is_number_integer() && p["end_scan"].is_number_integer()) << p.dump();
    EXPECT_TRUE(p["apex_rt"].is_number()) << p.dump();
  }
  EXPECT_GE(count, 3);
  const Result combine = Ivtool(dir, "combine " + dir.Path("s.ivs") + " --scans 100:102 --threshold 0");
  ASSERT_EQ(combine.code, 0) << combine.err;
  EXPECT_EQ(combine.out.rfind("# sample synthetic-9, function 1, scans 100:102 (3)", 0), 0u) << combine.out;
  EXPECT_GT(std::count(combine.out.begin(), combine.out.end(), '\n'), 100);
  const Result page = Ivtool(dir, "page " + dir.Path("s.ivs") + " --scans 10:12,100:102 " + dir.Path("p.pdf"));
  ASSERT_EQ(page.code, 0) << page.err;
  EXPECT_EQ(ivtest::ReadBytes(dir.Path("p.pdf")).rfind("%PDF", 0), 0u);
  EXPECT_EQ(ivtest::ReadBytes(dir.Path("p.png")).substr(1, 3), "PNG");
  const Result info = Ivtool(dir, "info " + dir.Path("s.ivs"));
  EXPECT_NE(info.out.find("function 1: MS1, MS level 1, 300 scans"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("trace 1: UV 254 (mAU)"), std::string::npos) << info.out;
}

TEST(Ivtool, SettingsFileParametersReachTheIntegrator) {
  ivtest::TempDir dir;
  ASSERT_EQ(Ivtool(dir, "synth --seed 9 --scans 300 " + dir.Path("s.ivs")).code, 0);
  ivtest::WriteBytes(dir.Path("host.ini"), "[ChrIntegrate]\r\nMaxPeaks=1\r\nMinWidth=oops\r\n");
  const Result r = Ivtool(dir, "peaks " + dir.Path("s.ivs") + " --ini " + dir.Path("host.ini"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
  EXPECT_NE(r.err.find("MinWidth=oops"), std::string::npos);
}

// Round trips through both open formats that the import reads, with an absorbance trace in mzML.
TEST(Ivtool, ExportedOpenFormatsImportBackTheSameScans) {
  ivtest::TempDir dir;
  ASSERT_EQ(Ivtool(dir, "synth --seed 5 --scans 100 " + dir.Path("s.ivs")).code, 0);
  const ivdata::Sample original = ivdata::Sample::Open(dir.Path("s.ivs"));
  for (const char* format : {"mzML", "mzXML"}) {
    const std::string open = dir.Path(std::string("s.") + format), back = dir.Path(std::string("back-") + format + ".ivs");
    ASSERT_EQ(Ivtool(dir, "export " + dir.Path("s.ivs") + " " + open).code, 0) << format;
    const Result r = Ivtool(dir, "import " + open + " " + back);
    ASSERT_EQ(r.code, 0) << r.err;
    const ivdata::Sample copy = ivdata::Sample::Open(back);
    ASSERT_EQ(copy.FunctionCount(), 2) << format;
    for (int f = 1; f <= 2; ++f) {
      ASSERT_EQ(copy.ScanCount(f), original.ScanCount(f)) << format;
      for (int s = 1; s <= original.ScanCount(f); s += 17) {
        EXPECT_NEAR(copy.Scan(f, s).rt, original.Scan(f, s).rt, 1e-4) << format;  // mzXML keeps seconds to 4 decimals
        EXPECT_NEAR(copy.Scan(f, s).tic, original.Scan(f, s).tic, 1e-5 * original.Scan(f, s).tic) << format;
        EXPECT_EQ(copy.ReadSpectrum(f, s).mz.size(), original.ReadSpectrum(f, s).mz.size()) << format;
      }
    }
    EXPECT_NEAR(copy.Scan(2, 5).precursorMz, original.Scan(2, 5).precursorMz, 1e-4) << format;
    if (std::string(format) == "mzML") {
      ASSERT_EQ(copy.TraceCount(), 1);
      EXPECT_EQ(copy.Trace(1).name, "UV 254");
      EXPECT_EQ(copy.Trace(1).type, ivdata::TraceType::Absorbance);
      EXPECT_EQ(copy.Trace(1).unit, "mAU");
      EXPECT_EQ(copy.ReadTrace(1).value, original.ReadTrace(1).value);
    }
  }
}

TEST(Ivtool, RealRunGivesItsThreeTicPeaks) {
  const std::string input = kExamples + "/LCMS-centroided.mzML";
  if (!Have(input)) GTEST_SKIP() << "openms-doc not installed";
  ivtest::TempDir dir;
  const Result import = Ivtool(dir, "import " + input + " " + dir.Path("l.ivs"));
  ASSERT_EQ(import.code, 0) << import.err;
  EXPECT_NE(import.out.find("function 1: MS1, 112 scans"), std::string::npos) << import.out;
  const ivdata::Sample s = ivdata::Sample::Open(dir.Path("l.ivs"));
  ivdata::Channel tic;
  ivdata::ParseChannel("TIC", tic);
  const auto peaks = ivdata::IntegrateChannel(s, 1, tic, 1, 0, ivdata::IntegratorSettings());
  ASSERT_EQ(peaks.size(), 3u);
  const double seconds[] = {4203, 4296, 4398};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(peaks[static_cast<std::size_t>(i)].apexRt * 60, seconds[i], 6) << i;
}

TEST(Ivtool, MsnOnlyRunKeepsFunctionNumbers) {
  const std::string input = kExamples + "/ID/Ecoli_MS2_small.mzML";
  if (!Have(input)) GTEST_SKIP() << "openms-doc not installed";
  ivtest::TempDir dir;
  ASSERT_EQ(Ivtool(dir, "import " + input + " " + dir.Path("e.ivs")).code, 0);
  const ivdata::Sample s = ivdata::Sample::Open(dir.Path("e.ivs"));
  EXPECT_EQ(s.ScanCount(1), 0);
  EXPECT_GT(s.ScanCount(2), 100);
  const Result peaks = Ivtool(dir, "peaks " + dir.Path("e.ivs"));
  EXPECT_EQ(peaks.code, 0);
  EXPECT_TRUE(peaks.out.empty());
}

}  // namespace
