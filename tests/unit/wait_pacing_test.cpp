#include "platform/wait_pacing.h"

#include <gtest/gtest.h>

#include <vector>

namespace apexer::platform {
namespace {

std::vector<double> Blocks(WaitPacing& pacing, double workMs, int count) {
  std::vector<double> out;
  for (int i = 0; i < count; ++i) out.push_back(pacing.NextTimeoutMs(workMs));
  return out;
}

TEST(WaitPacing, NoBlockRightAfterActivityThenDoublingUpToTheLeastCap) {
  WaitPacing pacing;
  pacing.Activity();
  EXPECT_EQ(Blocks(pacing, 0.05, 7), (std::vector<double>{0, 1, 2, 4, 8, 10, 10}));
  pacing.Activity();
  EXPECT_EQ(Blocks(pacing, 0.05, 3), (std::vector<double>{0, 1, 2}));
}

TEST(WaitPacing, ExpensivePollsAreSpacedOutButOneSlowPollIsNot) {
  WaitPacing walking;
  EXPECT_DOUBLE_EQ(Blocks(walking, 1.2, 12).back(), 120);  // a walk over many windows
  EXPECT_DOUBLE_EQ(Blocks(walking, 9.0, 12).back(), WaitPacing::kMostCapMs);

  WaitPacing steady;
  Blocks(steady, 0.05, 8);
  EXPECT_DOUBLE_EQ(steady.NextTimeoutMs(50), 10);  // a page fault or a busy server, once
}

TEST(WaitPacing, PollingStaysNearOnePercentOfAWaitUpToTheCeiling) {
  for (double work : {0.05, 0.1, 1.0, 2.5}) {  // beyond 2.5 ms a poll meets the 250 ms ceiling
    WaitPacing pacing;
    pacing.Activity();
    double now = 0;
    int polls = 0;
    while (now < 60000) {
      now += work + pacing.NextTimeoutMs(work);
      ++polls;
    }
    EXPECT_LE(polls * work / now, 0.011) << work;
  }
}

}  // namespace
}  // namespace apexer::platform
