// The data engine as built for Windows, run under Wine by tests/wine/run-ivdata-engine.sh: the same
// synthesis, integration, combining and page as natively, and 64-bit file offsets.
//   ivdata_check.exe [gtest flags] DIRECTORY
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "file_io.h"  // the engine's own file helpers
#include "ivdata/ivdata.h"
#include "run_tests.h"

namespace {

std::string g_dir;

std::string Bytes(const std::string& path) {
  ivdata::detail::File f(path, ivdata::detail::File::Mode::Read);
  std::string bytes(static_cast<std::size_t>(f.Size()), '\0');
  f.ReadAt(0, bytes.data(), bytes.size(), path.c_str());
  return bytes;
}

// One synthesised sample of 300 scans and its truth, made once for the suite.
class Engine : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ivdata::SynthOptions o;
    o.seed = 3;
    o.ms1Scans = 300;
    path_ = g_dir + "\\check.ivs";
    truth_ = std::make_unique<ivdata::SynthTruth>(ivdata::Synthesise(o, path_));
    sample_ = std::make_unique<ivdata::Sample>(ivdata::Sample::Open(path_));
    const std::string bytes = Bytes(path_);
    std::printf("sample crc %08x\n", static_cast<unsigned>(ivdata::detail::Crc32(bytes.data(), bytes.size())));
  }
  static void TearDownTestSuite() {
    sample_.reset();
    truth_.reset();
  }
  static std::vector<ivdata::Peak> TicPeaks() {
    ivdata::Channel tic;
    ivdata::ParseChannel("TIC", tic);
    return ivdata::IntegrateChannel(*sample_, 1, tic, 1, 0, ivdata::IntegratorSettings());
  }

  static std::string path_;
  static std::unique_ptr<ivdata::SynthTruth> truth_;
  static std::unique_ptr<ivdata::Sample> sample_;
};
std::string Engine::path_;
std::unique_ptr<ivdata::SynthTruth> Engine::truth_;
std::unique_ptr<ivdata::Sample> Engine::sample_;

TEST_F(Engine, ASynthesisedSampleOpensWithTwoFunctions) {
  EXPECT_EQ(sample_->FunctionCount(), 2);
  EXPECT_EQ(sample_->ScanCount(1), 300);
}

TEST_F(Engine, EveryClearPeakIsFoundWithinHalfAScan) {
  const auto peaks = TicPeaks();
  int strong = 0, found = 0;
  for (const auto& t : truth_->peaks) {
    if (t.signalToNoise < 10) continue;
    ++strong;
    for (const auto& p : peaks) {
      if (std::fabs(p.apexScan - t.apexScan) <= 0.5) {
        ++found;
        break;
      }
    }
  }
  EXPECT_GT(strong, 0) << "peaks with S/N >= 10 in the truth";
  EXPECT_EQ(found, strong) << "every peak with S/N >= 10 found within 0.5 scan";
}

TEST_F(Engine, ThreeScansCombineAndPrintAPage) {
  const auto peaks = TicPeaks();
  ASSERT_FALSE(peaks.empty());
  ivdata::CombineRequest r;
  r.ranges = {{static_cast<int>(peaks.at(0).apexScan), static_cast<int>(peaks.at(0).apexScan) + 2}};
  const ivdata::CombinedSpectrum c = ivdata::CombineScans(*sample_, r);
  EXPECT_EQ(c.scansUsed, 3);
  EXPECT_GT(c.basePeakIntensity, 0);
  const std::string pdf = g_dir + "\\page.pdf", png = g_dir + "\\page.png";
  ivdata::WritePage({c, c}, ivdata::PageOptions(), pdf, png);
  const std::string pdfBytes = Bytes(pdf), pngBytes = Bytes(png);
  EXPECT_TRUE(pdfBytes.rfind("%PDF-", 0) == 0 && pdfBytes.find("%%EOF") != std::string::npos) << "a PDF page";
  EXPECT_EQ(pngBytes.rfind("\x89PNG\r\n\x1a\n", 0), 0u) << "a PNG preview";
}

TEST(Files, OffsetsPast4GB) {
  const std::string big = g_dir + "\\sparse.bin";
  const std::uint64_t far = (5ull << 30) + 7;
  {
    ivdata::detail::File f(big, ivdata::detail::File::Mode::Write);
    f.WriteAt(far, "end", 3);
    f.Close();
  }
  {
    const ivdata::detail::File f(big, ivdata::detail::File::Mode::Read);
    char back[3] = {};
    f.ReadAt(far, back, 3, "the tail");
    EXPECT_EQ(f.Size(), far + 3);
    EXPECT_EQ(std::memcmp(back, "end", 3), 0);
  }
  std::remove(big.c_str());
}

TEST(Files, ATruncatedSampleIsRefused) {
  ivdata::detail::WriteWholeFile(g_dir + "\\cut.ivs", "IVSAMPLE");
  EXPECT_THROW(ivdata::Sample::Open(g_dir + "\\cut.ivs"), ivdata::Error);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ivdata_check [gtest flags] DIRECTORY\n");
    return 2;
  }
  g_dir = argv[1];
  return RunTests();
}
