// Time and the message loop: the one place that decides how long the program blocks while it waits.
#pragma once
#include <cstdint>

namespace apexer::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds from an arbitrary origin; a wall-clock step never moves it.
  virtual std::int64_t MonotonicMs() = 0;
};

// What a wait is waiting for, so that the yield can choose how long to block: a window of another program
// that appears can wake it (a desktop hook), one that goes has to be polled for.
enum class Awaiting { Nothing, WindowToAppear, WindowToGo };

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Dispatches every pending event of the program's windows; may block briefly for new input.
  virtual void DoEvents(Awaiting awaiting) = 0;
  // A short pause that dispatches nothing, for polls that must not run event handlers.
  virtual void PauseWithoutEvents() = 0;
};

}  // namespace apexer::platform
