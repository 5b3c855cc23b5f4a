// libFuzzer target: the sample-file reader, and everything that reads through it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "ivdata/ivdata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/ivdata-fuzz-" + std::to_string(getpid()) + ".ivs";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  try {
    const ivdata::Sample s = ivdata::Sample::Open(path);
    for (int f = 1; f <= s.FunctionCount(); ++f) {
      for (int scan = 1; scan <= s.ScanCount(f) && scan <= 64; ++scan) {
        try {
          s.ReadSpectrum(f, scan);
        } catch (const ivdata::Error&) {
        }
      }
      for (const char* text : {"TIC", "BPI", "100_2000", "ANALOG 1"}) {
        ivdata::Channel c;
        ivdata::ParseChannel(text, c);
        try {
          ivdata::IntegrateChannel(s, f, c, 1, 0, ivdata::IntegratorSettings());
        } catch (const ivdata::Error&) {
        }
      }
      if (s.ScanCount(f) > 0) {
        try {
          ivdata::CombineRequest r;
          r.function = f;
          r.ranges = {{1, 3}, {s.ScanCount(f), s.ScanCount(f) + 5}};
          ivdata::CombineScans(s, r);
        } catch (const ivdata::Error&) {
        }
      }
      s.ScanAtTime(f, 1.0);
      s.FractionalScanAtTime(f, 1.0);
    }
    for (int t = 1; t <= s.TraceCount(); ++t) {
      try {
        s.ReadTrace(t);
      } catch (const ivdata::Error&) {
      }
    }
  } catch (const ivdata::Error&) {
  }
  return 0;
}
