#include "win32/win32_call_counts.h"

#ifdef APEXER_COUNT_CALLS
#include <cmath>
#include <nlohmann/json.hpp>

namespace apexer::win32 {
namespace {

constexpr const char* kKindNames[] = {"listing", "find", "title", "test", "peek", "block", "request", "host"};
static_assert(std::size(kKindNames) == CallCounts::kKinds);

// Each kind's calls, then its milliseconds to the microsecond (always a fraction), into `out`.
void AddTally(nlohmann::ordered_json& out, const CallCounts::Tally& tally) {
  for (std::size_t i = 0; i < CallCounts::kKinds; ++i) {
    out[kKindNames[i]] = tally.calls[i];
    out[std::string(kKindNames[i]) + "_ms"] = std::round(tally.ms[i] * 1000.0) / 1000.0;
  }
}

}  // namespace

std::string CallCounts::Json() const {
  nlohmann::ordered_json total = nlohmann::ordered_json::object(), after = nlohmann::ordered_json::object();
  AddTally(total, total_);
  for (const auto& [what, segment] : segments_) {
    auto& entry = after[what];
    entry["times"] = segment.times;
    AddTally(entry, segment.tally);
  }
  const nlohmann::ordered_json all = {{"total", std::move(total)}, {"after", std::move(after)}};
  return all.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace apexer::win32
#endif
