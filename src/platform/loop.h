// Time and the message loop as the platform gives them. How long a wait blocks is the core's to decide.
#pragma once
#include <cstdint>
#include <optional>

#include "platform/types.h"

namespace apexer::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds from an arbitrary origin; a wall-clock step never moves it.
  virtual std::int64_t MonotonicMs() = 0;
  // The same reading with its fraction, for timing the program's own work between two yields.
  virtual double MonotonicMsFine() = 0;
};

// What a wait is waiting for, so that the yield can choose how long to block: a window of another program
// that appears can wake it (a desktop hook), one that goes has to be polled for. The end of a press on the
// program's own windows wakes it as input there; a release elsewhere is polled for.
enum class Awaiting { Nothing, WindowToAppear, WindowToGo, PressToEnd };

// What the program is about to ask of the host. A question is answered in the call (a window by kind, the
// current file, any other library call); the other kinds have the host act, and it is expected to react
// soon.
struct HostRequest {
  enum class Kind : std::uint8_t { Question, Post, Send, Command };
  Kind kind = Kind::Question;
  std::uint32_t message = 0;  // posted or sent
  Long wParam = 0;            // its word parameter: the command of a WM_COMMAND
};

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Dispatches every pending event of the program's windows without blocking. True when there was one, or
  // when the desktop told of a window of another program since the last call.
  virtual bool DoEvents(Awaiting awaiting) = 0;
  // Blocks up to timeoutMs (none at 0), less when input for the program's windows arrives, or a window of
  // another program appears where NewWindowsWake.
  virtual void Block(double timeoutMs) = 0;
  // Whether a window of another program that appears ends a block (a desktop hook is in place).
  virtual bool NewWindowsWake() = 0;
  // A pause that dispatches nothing, for polls that must not run event handlers.
  virtual void PauseWithoutEvents(double ms) = 0;
  // Since when (Clock::MonotonicMs) a mouse button has been held down on one of the program's own windows
  // (a client area, a title bar, the menu), as the yields have dispatched it; nothing when no press is
  // going on. A press whose release has not been dispatched yet still counts, so that the yield after it
  // runs what the release does (a click) before anything else.
  virtual std::optional<std::int64_t> PressHeldSince() = 0;
  // The program is about to have the host act (never told of a question). The platform may keep it with
  // what follows, as the measuring build does with its counts.
  virtual void RequestMade(const HostRequest& request) = 0;
};

}  // namespace apexer::platform
