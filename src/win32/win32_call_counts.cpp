#include "win32/win32_call_counts.h"

#ifdef APEXER_COUNT_CALLS
#include <cstdio>

namespace apexer::win32 {
namespace {

constexpr const char* kKindNames[] = {"listing", "find", "title", "test", "peek", "block", "request", "host"};
static_assert(std::size(kKindNames) == CallCounts::kKinds);

std::string Fields(const CallCounts::Tally& tally) {
  std::string out;
  for (std::size_t i = 0; i < CallCounts::kKinds; ++i) {
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.3f", tally.ms[i]);
    out += (out.empty() ? "\"" : ",\"") + std::string(kKindNames[i]) + "\":" + std::to_string(tally.calls[i]) +
           ",\"" + kKindNames[i] + "_ms\":" + ms;
  }
  return out;
}

}  // namespace

std::string CallCounts::Json() const {
  std::string out = "{\"total\":{" + Fields(total_) + "},\"after\":{";
  bool first = true;
  for (const auto& [what, segment] : segments_) {
    out += (first ? "\"" : ",\"") + what + "\":{\"times\":" + std::to_string(segment.times) + "," +
           Fields(segment.tally) + "}";
    first = false;
  }
  return out + "}}\n";
}

}  // namespace apexer::win32
#endif
