#include "common/message_loop.h"

#include "common/errors.h"

namespace apexer {

void YieldToMessageLoop(platform::Platform& p, platform::Awaiting awaiting) {
  p.loop.DoEvents(awaiting);
  // Raised here, outside any window procedure, so the unwinding never crosses the platform's dispatcher.
  if (p.status.CancelClicked()) throw CancelRequested();
}

void BeforeHostRequest(platform::Platform& p) {
  for (;;) {
    const std::optional<std::int64_t> since = p.loop.PressHeldSince();
    if (!since || p.clock.MonotonicMs() - *since >= kLongestHoldMs) return;
    YieldToMessageLoop(p, platform::Awaiting::PressToEnd);
  }
}

}  // namespace apexer
