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

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Dispatches every pending event of the program's windows; may block briefly for new input.
  virtual void DoEvents() = 0;
  // A short pause that dispatches nothing, for polls that must not run event handlers.
  virtual void PauseWithoutEvents() = 0;
};

}  // namespace apexer::platform
