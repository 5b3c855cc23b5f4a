#include "common/message_loop.h"

#include "common/errors.h"

namespace apexer {

void YieldToMessageLoop(Platform& p, platform::Awaiting awaiting) {
  const double workMs = p.pacing.WorkUntil(p.clock.MonotonicMsFine());
  if (p.loop.DoEvents(awaiting)) p.pacing.Activity();
  // A release on the program's windows ends the block as input does.
  const bool woken = awaiting == platform::Awaiting::PressToEnd ||
                     (awaiting == platform::Awaiting::WindowToAppear && p.loop.NewWindowsWake());
  p.loop.Block(p.pacing.NextTimeoutMs(workMs, woken));
  p.pacing.BlockEnded(p.clock.MonotonicMsFine());
  // Raised here, outside any window procedure, so the unwinding never crosses the platform's dispatcher.
  if (p.status.CancelClicked()) throw CancelRequested();
}

void PauseWithoutEvents(Platform& p) { p.loop.PauseWithoutEvents(WaitPacing::kPauseMs); }

void BeforeHostRequest(Platform& p, const platform::HostRequest& request) {
  for (;;) {
    const std::optional<std::int64_t> since = p.loop.PressHeldSince();
    if (!since || p.clock.MonotonicMs() - *since >= kLongestHoldMs) break;
    YieldToMessageLoop(p, platform::Awaiting::PressToEnd);
  }
  if (request.kind == platform::HostRequest::Kind::Question) return;
  p.pacing.Activity();
  p.loop.RequestMade(request);
}

}  // namespace apexer
