#include "common/wait_pacing.h"

#include <algorithm>

namespace apexer {

void WaitPacing::Activity() {
  next_ = 0;
  waitedMs_ = 0;
}

double WaitPacing::NextTimeoutMs(double workMs, bool wokenOnArrival) {
  recentWorkMs_[nextSlot_] = workMs;
  nextSlot_ = (nextSlot_ + 1) % recentWorkMs_.size();
  // The least of the last few polls: one slow poll (a page fault, a busy server) must not stretch the cap.
  const double typicalWork = *std::min_element(recentWorkMs_.begin(), recentWorkMs_.end());
  waitedMs_ += workMs;
  const double cap = std::clamp(std::max(typicalWork * kWaitPerWorkMs, waitedMs_ * kShareOfTimeWaited), kLeastCapMs,
                                kMostCapMs);
  const double now = wokenOnArrival ? cap : std::min(next_, cap);
  next_ = next_ == 0 ? kFirstMs : std::min(next_ * 2, kMostCapMs);
  waitedMs_ += now;
  return now;
}

}  // namespace apexer
