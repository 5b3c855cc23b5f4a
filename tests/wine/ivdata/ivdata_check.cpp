// Self-check of the data engine as built for Windows, run under Wine by tests/wine/run-ivdata-engine.sh:
// the same synthesis, integration, combining and page as natively, and 64-bit file offsets.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "file_io.h"  // the engine's own file helpers
#include "ivdata/ivdata.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ivdata_check DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    ivdata::SynthOptions o;
    o.seed = 3;
    o.ms1Scans = 300;
    const std::string path = dir + "\\check.ivs";
    const ivdata::SynthTruth truth = ivdata::Synthesise(o, path);
    const ivdata::Sample sample = ivdata::Sample::Open(path);
    Check(sample.FunctionCount() == 2 && sample.ScanCount(1) == 300, "synthesised sample opens with 2 functions");
    ivdata::Channel tic;
    ivdata::ParseChannel("TIC", tic);
    const auto peaks = ivdata::IntegrateChannel(sample, 1, tic, 1, 0, ivdata::IntegratorSettings());
    int strong = 0, found = 0;
    for (const auto& t : truth.peaks) {
      if (t.signalToNoise < 10) continue;
      ++strong;
      for (const auto& p : peaks) {
        if (std::fabs(p.apexScan - t.apexScan) <= 0.5) {
          ++found;
          break;
        }
      }
    }
    Check(strong > 0 && found == strong, "every peak with S/N >= 10 found within 0.5 scan (" + std::to_string(found) + "/" +
                                              std::to_string(strong) + ")");
    ivdata::CombineRequest r;
    r.ranges = {{static_cast<int>(peaks.at(0).apexScan), static_cast<int>(peaks.at(0).apexScan) + 2}};
    const ivdata::CombinedSpectrum c = ivdata::CombineScans(sample, r);
    Check(c.scansUsed == 3 && c.basePeakIntensity > 0, "three scans combine");
    ivdata::WritePage({c, c}, ivdata::PageOptions(), dir + "\\page.pdf", dir + "\\page.png");
    Check(true, "page written");
    std::printf("sample crc %08x\n", [&] {
      ivdata::detail::File f(path, ivdata::detail::File::Mode::Read);
      std::string bytes(static_cast<std::size_t>(f.Size()), '\0');
      f.ReadAt(0, bytes.data(), bytes.size(), "the sample");
      return static_cast<unsigned>(ivdata::detail::Crc32(bytes.data(), bytes.size()));
    }());

    const std::string big = dir + "\\sparse.bin";
    const std::uint64_t far = (5ull << 30) + 7;
    {
      ivdata::detail::File f(big, ivdata::detail::File::Mode::Write);
      f.WriteAt(far, "end", 3);
      f.Close();
    }
    const ivdata::detail::File f(big, ivdata::detail::File::Mode::Read);
    char back[3] = {};
    f.ReadAt(far, back, 3, "the tail");
    Check(f.Size() == far + 3 && std::memcmp(back, "end", 3) == 0, "64-bit offsets past 4 GB");
    std::remove(big.c_str());

    bool refused = false;
    try {
      ivdata::detail::WriteWholeFile(dir + "\\cut.ivs", "IVSAMPLE");
      ivdata::Sample::Open(dir + "\\cut.ivs");
    } catch (const ivdata::Error&) {
      refused = true;
    }
    Check(refused, "a truncated sample is refused");
  } catch (const std::exception& e) {
    std::printf("FAIL %s\n", e.what());
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
