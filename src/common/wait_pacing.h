// How long each yield may block while the program waits for the host: not at all right after the program
// acted, then doubling up to a cap, so it reacts quickly to a quick host and costs little while a slow one
// works. Windows that appear wake the wait through the desktop hook; windows that go are seen by polling.
#pragma once
#include <array>
#include <cstddef>

namespace apexer {

class WaitPacing {
 public:
  static constexpr double kFirstMs = 1;
  // A cheap poll (one window's title) is repeated this often: about half of it as the median reaction.
  static constexpr double kLeastCapMs = 4;
  static constexpr double kMostCapMs = 250;
  // An expensive poll (every window's title) takes at most about 1/100 of the time between polls.
  static constexpr double kWaitPerWorkMs = 100;
  // The longer the host has already taken, the less a few milliseconds more matter: the time between
  // polls may grow to this share of the time waited so far, so a wait of seconds costs next to nothing.
  static constexpr double kShareOfTimeWaited = 0.01;
  // Between the polls of a wait that must not dispatch the program's events (a dialog's control).
  static constexpr double kPauseMs = 5;

  // The program asked the host to act, or its own windows had events: a reaction is expected soon.
  void Activity();
  // The next block: none right after activity (a single yield after the program acted costs nothing), then
  // doubling from kFirstMs, never above a cap that follows the cost of a poll (workMs, the time the program
  // worked since the last block) or the time waited since the activity, whichever allows more.
  // With wokenOnArrival the wait is ended by what it waits for as soon as it happens, so it blocks up to the
  // cap at once, without the doubling.
  double NextTimeoutMs(double workMs, bool wokenOnArrival = false);

  // The program's work is timed from the end of one block (a reading of the clock) to the next yield; the
  // first yield has no block before it, and counts none.
  void BlockEnded(double nowMs) { lastBlockEndMs_ = nowMs; }
  double WorkUntil(double nowMs) const { return lastBlockEndMs_ < 0 ? 0 : nowMs - lastBlockEndMs_; }

 private:
  double next_ = 0;
  double waitedMs_ = 0;  // work and blocks since the last activity
  std::array<double, 4> recentWorkMs_{};
  std::size_t nextSlot_ = 0;
  double lastBlockEndMs_ = -1;
};

}  // namespace apexer
