#include "win32/win32_call_counts.h"

#ifdef APEXER_COUNT_CALLS
#include <cmath>
#include <nlohmann/json.hpp>

#include "platform/desktop.h"

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

std::string RequestName(const platform::HostRequest& request) {
  using Kind = platform::HostRequest::Kind;
  if (request.kind == Kind::Command) return "host command";
  std::string name = std::string(request.kind == Kind::Post ? "post " : "send ") + std::to_string(request.message);
  if (request.message == platform::kWmCommand) name += " " + std::to_string(request.wParam);
  return name;
}

}  // namespace

void CallCounts::Request(const platform::HostRequest& request) {
  current_ = segments_.try_emplace(RequestName(request)).first;
  ++current_->second.times;
}

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
