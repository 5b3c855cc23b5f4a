// How long each yield may block while the program waits for the host: short right after the program
// acted or the desktop changed, longer while nothing happens, so it reacts quickly to a quick host and
// costs little while a slow one works.
#pragma once
#include <array>
#include <cstddef>

namespace apexer::platform {

class WaitPacing {
 public:
  static constexpr double kFirstMs = 1;
  static constexpr double kLeastCapMs = 5;
  static constexpr double kMostCapMs = 250;
  // A poll may take at most about 1/20 of the time between polls.
  static constexpr double kWaitPerWorkMs = 20;
  // Once a wait has lasted, its reaction may take about this share of the time already waited.
  static constexpr double kQuietShare = 0.02;

  void Activity(double nowMs);
  // The next block: none right after activity (a single yield after the program acted costs nothing), then
  // doubling from kFirstMs, never above a cap that follows the cost of a poll (workMs, the time since the
  // last block) and the time things have been quiet.
  double NextTimeoutMs(double nowMs, double workMs);

 private:
  double next_ = 0;
  double lastActivityMs_ = 0;
  std::array<double, 4> recentWorkMs_{};
  std::size_t nextSlot_ = 0;
};

}  // namespace apexer::platform
