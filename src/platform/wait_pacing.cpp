#include "platform/wait_pacing.h"

#include <algorithm>

namespace apexer::platform {

void WaitPacing::Activity() { next_ = 0; }

double WaitPacing::NextTimeoutMs(double workMs) {
  recentWorkMs_[nextSlot_] = workMs;
  nextSlot_ = (nextSlot_ + 1) % recentWorkMs_.size();
  // The least of the last few polls: one slow poll (a page fault, a busy server) must not stretch the cap.
  const double typicalWork = *std::min_element(recentWorkMs_.begin(), recentWorkMs_.end());
  const double cap = std::clamp(typicalWork * kWaitPerWorkMs, kLeastCapMs, kMostCapMs);
  const double now = std::min(next_, cap);
  next_ = next_ == 0 ? kFirstMs : std::min(next_ * 2, kMostCapMs);
  return now;
}

}  // namespace apexer::platform
