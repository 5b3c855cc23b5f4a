// The monotonic clock and the yield: how long the program blocks while it waits for the host.
#pragma once
#include <array>
#include <exception>
#include <vector>

#include "platform/pacing.h"
#include "platform/win32/win32_handles.h"

namespace apexer::win32 {

class Win32Clock : public platform::Clock {
 public:
  Win32Clock();
  std::int64_t MonotonicMs() override;
  double MonotonicMsFine();

 private:
  std::int64_t frequency_ = 1;
};

// Each yield blocks for at most the next step of a back-off that starts short whenever the program has
// just asked the host for something or the desktop changed, and grows while nothing happens: quick
// reactions to a quick host, little CPU while a slow one works. The back-off stops at a cap that follows
// the cost of a poll (the least of the last few, so one slow poll does not stretch the waits): a look-up
// on an ordinary desktop is repeated every 15 ms, one through a thousand windows less often.
class WaitPacer {
 public:
  static constexpr DWORD kFirstMs = 1;
  static constexpr DWORD kLeastCapMs = 15;
  static constexpr DWORD kMostCapMs = 250;
  static constexpr double kWaitPerWorkMs = 20;

  void Activity() { next_ = kFirstMs; }
  // How long the next block may last, given how long the program worked since the previous one.
  DWORD NextTimeout(double workMs);

 private:
  DWORD next_ = kFirstMs;
  std::array<double, 4> recentWorkMs_{};
  std::size_t nextSlot_ = 0;
};

class Win32MessageLoop : public platform::MessageLoop {
 public:
  explicit Win32MessageLoop(WaitPacer& pacer);
  ~Win32MessageLoop() override;
  Win32MessageLoop(const Win32MessageLoop&) = delete;
  Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

  void DoEvents() override;
  void PauseWithoutEvents() override;

  // Top-level windows whose keyboard navigation (Tab, Enter, mnemonics) IsDialogMessage handles.
  void AddDialogWindow(HWND window);
  void RemoveDialogWindow(HWND window);
  // An error raised inside an event handler. It must not unwind through the dispatcher, so DoEvents
  // raises it again once the dispatch has returned.
  void DeferError(std::exception_ptr error);
  // Whether desktop events (windows of other programs created, shown, renamed, destroyed) wake a yield.
  bool WatchingDesktop() const { return !hooks_.empty(); }

 private:
  bool HandledAsDialogMessage(MSG& msg);

  WaitPacer& pacer_;
  Win32Clock clock_;
  double lastReturnMs_ = 0;
  bool queueSeenEmpty_ = false;
  std::vector<HWINEVENTHOOK> hooks_;
  std::vector<HWND> dialogs_;
  std::exception_ptr deferred_;
};

}  // namespace apexer::win32
