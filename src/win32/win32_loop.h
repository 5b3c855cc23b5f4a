// The monotonic clock and the message loop of the real user32: dispatching, blocking, the desktop hook.
#pragma once
#include <exception>
#include <optional>
#include <vector>

#include "platform/loop.h"
#include "win32/win32_call_counts.h"
#include "win32/win32_handles.h"

namespace apexer::win32 {

class Win32Clock : public platform::Clock {
 public:
  Win32Clock();
  std::int64_t MonotonicMs() override;
  double MonotonicMsFine() override;

 private:
  std::int64_t frequency_ = 1;
};

class Win32MessageLoop : public platform::MessageLoop {
 public:
  // Press times are read on the program's one clock; the calls are counted in the measuring build.
  Win32MessageLoop(platform::Clock& clock, CallCounts& calls);
  ~Win32MessageLoop() override;
  Win32MessageLoop(const Win32MessageLoop&) = delete;
  Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

  bool DoEvents(platform::Awaiting awaiting) override;
  void Block(double timeoutMs) override;
  // Whether desktop events (windows of other programs created, shown, renamed, destroyed) wake a block.
  bool NewWindowsWake() override { return !hooks_.empty(); }
  void PauseWithoutEvents(double ms) override;
  std::optional<std::int64_t> PressHeldSince() override;
  void RequestMade(const platform::HostRequest& request) override { calls_.Request(request); }

  // Top-level windows whose keyboard navigation (Tab, Enter, mnemonics) IsDialogMessage handles.
  void AddDialogWindow(HWND window);
  void RemoveDialogWindow(HWND window);
  // An error raised inside an event handler. It must not unwind through the dispatcher, so DoEvents
  // raises it again once the dispatch has returned.
  void DeferError(std::exception_ptr error);
 private:
  // The desktop hook's callback, on the thread that set the hook: a window of another program was created,
  // shown, renamed or destroyed.
  static void CALLBACK OnDesktopEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD);
  bool HandledAsDialogMessage(MSG& msg);
  void NotePress(const MSG& msg);

  platform::Clock& clock_;
  CallCounts& calls_;
  bool queueSeenEmpty_ = false;
  bool desktopChanged_ = false;
  // A mouse button pressed on the program's windows, from the dispatched down to the dispatched up.
  struct Press {
    std::int64_t sinceMs = 0;
    bool releasedElsewhere = false;  // no button is down any more, and no up has been dispatched
  };
  std::optional<Press> press_;
  std::vector<HWINEVENTHOOK> hooks_;
  std::vector<HWND> dialogs_;
  std::exception_ptr deferred_;
};

}  // namespace apexer::win32
