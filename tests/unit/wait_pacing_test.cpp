#include "platform/wait_pacing.h"

#include <gtest/gtest.h>

#include <vector>

namespace apexer::platform {
namespace {

// Blocks a waiting loop would take, from a given moment, with polls costing workMs each.
std::vector<double> Blocks(WaitPacing& pacing, double& now, double workMs, int count) {
  std::vector<double> out;
  for (int i = 0; i < count; ++i) {
    now += workMs;
    const double block = pacing.NextTimeoutMs(now, workMs);
    out.push_back(block);
    now += block;
  }
  return out;
}

TEST(WaitPacing, NoBlockRightAfterActivityThenDoublingUpToTheLeastCap) {
  WaitPacing pacing;
  double now = 1000;
  pacing.Activity(now);
  EXPECT_EQ(Blocks(pacing, now, 0.05, 7), (std::vector<double>{0, 1, 2, 4, 5, 5, 5}));
  pacing.Activity(now);
  EXPECT_EQ(Blocks(pacing, now, 0.05, 3), (std::vector<double>{0, 1, 2}));
}

TEST(WaitPacing, AWaitThatLastsPollsLessOften) {
  WaitPacing pacing;
  double now = 0;
  pacing.Activity(now);
  Blocks(pacing, now, 0.05, 50);
  now = 5000;  // five quiet seconds
  EXPECT_DOUBLE_EQ(pacing.NextTimeoutMs(now, 0.05), 100);
  now = 60000;
  EXPECT_DOUBLE_EQ(pacing.NextTimeoutMs(now, 0.05), WaitPacing::kMostCapMs);
}

TEST(WaitPacing, ExpensivePollsAreSpacedOut) {
  WaitPacing pacing;
  double now = 0;
  pacing.Activity(now);
  const auto blocks = Blocks(pacing, now, 3.0, 12);  // a walk over many windows
  EXPECT_DOUBLE_EQ(blocks.back(), 60);
  // One slow poll among cheap ones does not stretch the wait.
  WaitPacing steady;
  double t = 0;
  steady.Activity(t);
  Blocks(steady, t, 0.05, 8);
  EXPECT_DOUBLE_EQ(steady.NextTimeoutMs(t + 50, 50), 5);
}

TEST(WaitPacing, PollingCostsAboutOnePercentOfAMinuteLongWait) {
  WaitPacing pacing;
  double now = 0;
  pacing.Activity(now);
  int polls = 0;
  const double work = 0.1;  // one look-up by title under Wine
  while (now < 60000) {
    now += work + pacing.NextTimeoutMs(now + work, work);
    ++polls;
  }
  EXPECT_LT(polls * work / now, 0.01);
  EXPECT_GT(polls, 60);  // still looking several times a second on average
}

}  // namespace
}  // namespace apexer::platform
