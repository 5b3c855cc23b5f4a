// A person's press on the program's windows holds back the run's next request to the host until it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/message_loop.h"
#include "fakes/rig.h"
#include "shell/startup.h"

namespace apexer {
namespace {

constexpr int kPeaks = 8;

fakes::HostScript EightPeaks() {
  fakes::HostScript s;
  for (int i = 0; i < kPeaks; ++i) s.apexScans.push_back(static_cast<Single>(10 + 9 * i));
  return s;
}

// A whole job in virtual time; the press, when given, starts this long after the job does.
struct PressedRun {
  explicit PressedRun(std::optional<fakes::FakeLoop::Press> press = std::nullopt) : rig(EightPeaks()) {
    rig.profiles.SetText(R"(D:\Tools\Apexer.INI)", "[Combine]\nChroDesc=TIC\n");
    rig.profiles.SetText(R"(C:\Ionvane\Ionvane.ini)", "[SpeDisplay]\nReplace=TRUE\n");
    start = rig.clock.now;
    if (press) rig.loop.press = fakes::FakeLoop::Press{start + press->downAtMs, start + press->upAtMs};
  }
  int Go() {
    exitCode = Main(*rig.p, rig.record);
    end = rig.clock.now;
    return exitCode;
  }
  // Requests made from `from` (inclusive) to `to` (exclusive), virtual time.
  std::size_t RequestsBetween(std::int64_t from, std::int64_t to) const {
    return static_cast<std::size_t>(std::count_if(rig.requestTimes.begin(), rig.requestTimes.end(),
                                                  [&](std::int64_t t) { return t >= from && t < to; }));
  }
  std::int64_t FirstRequestFrom(std::int64_t from) const {
    const auto it = std::find_if(rig.requestTimes.begin(), rig.requestTimes.end(), [&](std::int64_t t) { return t >= from; });
    return it == rig.requestTimes.end() ? -1 : *it;
  }

  fakes::Rig rig;
  std::int64_t start = 0;
  std::int64_t end = 0;
  int exitCode = -1;
};

TEST(BeforeHostRequest, WithoutAPressItReturnsAtOnceAndYieldsNothing) {
  fakes::Rig rig;
  BeforeHostRequest(*rig.p, kHostQuestion);
  EXPECT_EQ(rig.loop.yields, 0);
}

TEST(BeforeHostRequest, WhileAPressIsHeldItServicesTheWindowsUntilTheRelease) {
  fakes::Rig rig;
  rig.loop.press = fakes::FakeLoop::Press{rig.clock.now, rig.clock.now + 300};
  YieldToMessageLoop(*rig.p);  // the yield that dispatches the press
  const std::int64_t seen = *rig.loop.pressSeenAtMs;
  BeforeHostRequest(*rig.p, kHostQuestion);
  EXPECT_GE(rig.clock.now, seen + 290);  // the release is dispatched by the first yield at or after it
  EXPECT_LT(rig.clock.now, seen + 300 + rig.loop.yieldStepMs);
  EXPECT_EQ(rig.loop.lastAwaiting, platform::Awaiting::PressToEnd);
}

TEST(BeforeHostRequest, AReleaseOnCancelEndsTheRunBeforeTheRequest) {
  fakes::Rig rig;
  rig.loop.press = fakes::FakeLoop::Press{rig.clock.now, rig.clock.now + 120};
  YieldToMessageLoop(*rig.p);
  rig.loop.onYield = [&](int) { rig.status->cancelClicked = !rig.loop.press.has_value(); };
  EXPECT_THROW(BeforeHostRequest(*rig.p, kHostQuestion), CancelRequested);
}

// Press moments across a run (ms after the job starts) and how long each is held.
struct PressCase {
  const char* name;
  std::int64_t downAtMs;
  std::int64_t heldMs;
};
void PrintTo(const PressCase& c, std::ostream* os) { *os << c.name; }

class HeldPress : public ::testing::TestWithParam<PressCase> {};

TEST_P(HeldPress, NoRequestUntilTheReleaseAndTheHostOperationsInTheirOrder) {
  PressedRun plain;
  ASSERT_EQ(plain.Go(), kExitDone);
  const PressCase c = GetParam();
  PressedRun pressed(fakes::FakeLoop::Press{c.downAtMs, c.downAtMs + c.heldMs});
  ASSERT_EQ(pressed.Go(), kExitDone);

  ASSERT_TRUE(pressed.rig.loop.pressSeenAtMs.has_value()) << "the press fell after the run";
  const std::int64_t seen = *pressed.rig.loop.pressSeenAtMs;
  const std::int64_t up = pressed.start + c.downAtMs + c.heldMs;
  // The run without the press asked the host for something in that time: the case holds something back.
  ASSERT_GT(plain.RequestsBetween(seen - pressed.start + plain.start, up - pressed.start + plain.start), 0u);
  EXPECT_EQ(pressed.RequestsBetween(seen, up), 0u) << "requests while the button was down";
  EXPECT_LT(pressed.FirstRequestFrom(up), up + 2 * pressed.rig.loop.yieldStepMs) << "the run went on late";
  EXPECT_EQ(pressed.rig.journal, plain.rig.journal) << "the host's operations changed";
  EXPECT_GE(pressed.end - pressed.start, plain.end - plain.start) << "the held requests started no later";
}

INSTANTIATE_TEST_SUITE_P(AcrossARun, HeldPress,
                         ::testing::Values(PressCase{"AtTheStart", 0, 120}, PressCase{"WhileIntegrating", 5, 400},
                                           PressCase{"FirstCombine", 60, 120}, PressCase{"MidRun", 400, 120},
                                           PressCase{"MidRunLong", 400, 1500}, PressCase{"LateRun", 700, 200}),
                         [](const ::testing::TestParamInfo<PressCase>& row) { return std::string(row.param.name); });

TEST(HeldPress, AButtonHeldDownForMinutesHoldsTheRunForTheBoundOnly) {
  PressedRun plain;
  ASSERT_EQ(plain.Go(), kExitDone);
  PressedRun pressed(fakes::FakeLoop::Press{200, 200 + 10 * 60'000});
  ASSERT_EQ(pressed.Go(), kExitDone);
  const std::int64_t seen = *pressed.rig.loop.pressSeenAtMs;
  EXPECT_EQ(pressed.RequestsBetween(seen, seen + kLongestHoldMs), 0u);
  // Then the run goes on to its end, the button still down, with no second hold for the same press.
  const std::int64_t resumed = pressed.FirstRequestFrom(seen + kLongestHoldMs);
  EXPECT_LT(resumed, seen + kLongestHoldMs + 2 * pressed.rig.loop.yieldStepMs);
  EXPECT_LT(pressed.end - pressed.start, plain.end - plain.start + kLongestHoldMs + 100);
  EXPECT_EQ(pressed.rig.journal, plain.rig.journal);
}

TEST(HeldPress, ACancelReleasedEndsTheRunWithNoFurtherRequestButTheCleanUp) {
  PressedRun run(fakes::FakeLoop::Press{300, 420});
  run.rig.loop.onYield = [&](int) {
    if (run.rig.loop.pressSeenAtMs && !run.rig.loop.press) run.rig.status->cancelClicked = true;
  };
  EXPECT_EQ(run.Go(), kExitCancelled);
  const std::int64_t seen = *run.rig.loop.pressSeenAtMs;
  // Only the raw file's release, on the way out.
  EXPECT_EQ(run.RequestsBetween(seen, run.end + 1), 1u);
  EXPECT_EQ(run.rig.journal.back(), "DmRawClose");
  EXPECT_EQ(run.rig.profiles.RawValue(R"(C:\Ionvane\Ionvane.ini)", "SpeDisplay", "Replace"), "TRUE");
}

}  // namespace
}  // namespace apexer
