// libFuzzer target: the channel grammar, and the other texts the host reads (scan ranges, dialog
// numbers, settings files).
#include <string>
#include <string_view>

#include "ivdata/ivdata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ivdata::Channel c;
  std::string error;
  if (ivdata::ParseChannel(text, c, &error)) {
    ivdata::ChannelLabel(c);
    if (c.windows.size() > ivdata::kMaxMassTerms) __builtin_trap();
    for (const auto& w : c.windows) {
      if (!(w.low >= 0 && w.low <= w.high)) __builtin_trap();
    }
  } else if (error.empty()) {
    __builtin_trap();
  }
  ivdata::IsAnalogTraceDescription(text);
  std::vector<ivdata::ScanRange> ranges;
  if (ivdata::ParseScanRanges(text, ranges)) {
    for (const auto& r : ranges) {
      if (r.first < 1 || r.last < r.first) __builtin_trap();
    }
  }
  double v;
  ivdata::ParseDialogNumber(text, v);
  const ivdata::IniFile ini = ivdata::IniFile::Parse(text);
  ini.Get("ChrIntegrate", "SmoothWidth");
  ini.Keys("ChrIntegrate");
  ivdata::ProfileInt(text);
  return 0;
}
