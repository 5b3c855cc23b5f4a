#include "common/wait_pacing.h"

#include <gtest/gtest.h>

#include <vector>

namespace apexer {
namespace {

std::vector<double> Blocks(WaitPacing& pacing, double workMs, int count) {
  std::vector<double> out;
  for (int i = 0; i < count; ++i) out.push_back(pacing.NextTimeoutMs(workMs));
  return out;
}

TEST(WaitPacing, NoBlockRightAfterActivityThenDoublingUpToTheLeastCap) {
  WaitPacing pacing;
  pacing.Activity();
  // A poll of 0.05 ms may be repeated every 5 ms (100 times its cost), more often than the least cap.
  EXPECT_EQ(Blocks(pacing, 0.05, 7), (std::vector<double>{0, 1, 2, 4, 5, 5, 5}));
  pacing.Activity();
  EXPECT_EQ(Blocks(pacing, 0.05, 3), (std::vector<double>{0, 1, 2}));
}

TEST(WaitPacing, AWaitThatWhatItAwaitsWillEndBlocksUpToTheCapAtOnce) {
  WaitPacing pacing;
  Blocks(pacing, 1.2, 4);  // walks over many windows
  pacing.Activity();
  EXPECT_DOUBLE_EQ(pacing.NextTimeoutMs(1.2, true), 120);
  EXPECT_DOUBLE_EQ(pacing.NextTimeoutMs(1.2, false), 1);  // the doubling goes on where the wait must poll
}

TEST(WaitPacing, ExpensivePollsAreSpacedOutButOneSlowPollIsNot) {
  WaitPacing walking;
  EXPECT_DOUBLE_EQ(Blocks(walking, 1.2, 12).back(), 120);  // a walk over many windows
  EXPECT_DOUBLE_EQ(Blocks(walking, 9.0, 12).back(), WaitPacing::kMostCapMs);

  WaitPacing steady;
  Blocks(steady, 0.05, 8);
  EXPECT_DOUBLE_EQ(steady.NextTimeoutMs(50), 5);  // a page fault or a busy server, once
}

TEST(WaitPacing, TheLongerAWaitHasLastedTheRarerItsCheapPolls) {
  WaitPacing pacing;
  pacing.Activity();
  double now = 0;
  int polls = 0;
  double afterOneSecond = 0, afterFiveSeconds = 0;
  while (now < 30000) {
    const double block = pacing.NextTimeoutMs(0.05);
    if (afterOneSecond == 0 && now >= 1000) afterOneSecond = block;
    if (afterFiveSeconds == 0 && now >= 5000) afterFiveSeconds = block;
    now += 0.05 + block;
    ++polls;
  }
  EXPECT_NEAR(afterOneSecond, 10, 0.5);  // 1 % of the time waited
  EXPECT_NEAR(afterFiveSeconds, 50, 1);
  EXPECT_LT(polls, 600) << "a 30 s wait on a slow host: under twenty polls a second, not two hundred";
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
}  // namespace apexer
