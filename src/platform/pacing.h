// Time and the message loop: the one place that decides how long the program blocks while it waits.
#pragma once
#include <cstdint>
#include <optional>

namespace apexer::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds from an arbitrary origin; a wall-clock step never moves it.
  virtual std::int64_t MonotonicMs() = 0;
};

// What a wait is waiting for, so that the yield can choose how long to block: a window of another program
// that appears can wake it (a desktop hook), one that goes has to be polled for. The end of a press on the
// program's own windows wakes it as input there; a release elsewhere is polled for.
enum class Awaiting { Nothing, WindowToAppear, WindowToGo, PressToEnd };

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Dispatches every pending event of the program's windows; may block briefly for new input.
  virtual void DoEvents(Awaiting awaiting) = 0;
  // A short pause that dispatches nothing, for polls that must not run event handlers.
  virtual void PauseWithoutEvents() = 0;
  // Since when (Clock::MonotonicMs) a mouse button has been held down on one of the program's own windows
  // (a client area, a title bar, the menu), as the yields have dispatched it; nothing when no press is
  // going on. A press whose release has not been dispatched yet still counts, so that the yield after it
  // runs what the release does (a click) before anything else.
  virtual std::optional<std::int64_t> PressHeldSince() = 0;
};

}  // namespace apexer::platform
