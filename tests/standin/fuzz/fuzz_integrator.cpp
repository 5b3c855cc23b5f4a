// libFuzzer target: the integrator on arbitrary traces (values, spacing, settings from the bytes).
#include <cstring>
#include <vector>

#include "ivdata/ivdata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < ivdata::kEncodedSettingsSize) return 0;
  ivdata::IntegratorSettings settings;
  std::vector<std::uint8_t> block(data, data + ivdata::kEncodedSettingsSize);
  std::memcpy(block.data(), "IVIP\x01\0\0\0", 8);
  ivdata::DecodeIntegratorSettings(block, settings);
  data += ivdata::kEncodedSettingsSize;
  size -= ivdata::kEncodedSettingsSize;
  ivdata::Chromatogram c;
  double t = 0;
  for (std::size_t i = 0; i + 4 <= size; i += 4) {
    float v;
    std::memcpy(&v, data + i, 4);
    c.rt.push_back(t);
    c.scan.push_back(static_cast<double>(i / 4 + 1));
    c.value.push_back(v);
    t += 0.01 * (1 + (data[i] & 3));
  }
  const auto peaks = ivdata::IntegrateChromatogram(c, settings);
  for (const auto& p : peaks) {
    if (p.startScan > p.endScan || !(p.height > 0)) __builtin_trap();
  }
  return 0;
}
