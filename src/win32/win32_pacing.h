// The monotonic clock and the yield: how long the program blocks while it waits for the host.
#pragma once
#include <exception>
#include <optional>
#include <vector>

#include "platform/pacing.h"
#include "platform/wait_pacing.h"
#include "win32/win32_call_counts.h"
#include "win32/win32_handles.h"

namespace apexer::win32 {

class Win32Clock : public platform::Clock {
 public:
  Win32Clock();
  std::int64_t MonotonicMs() override;
  double MonotonicMsFine();

 private:
  std::int64_t frequency_ = 1;
};

// The waiting policy on the real clock; Win32Desktop and the host libraries report the program's own
// actions to it, the desktop hook reports windows of other programs appearing.
class WaitPacer {
 public:
  void Activity() { pacing_.Activity(); }
  // The program asked the host for something: the host is expected to react soon.
  void Request(const std::string& what) {
    calls_.Request(what);
    pacing_.Activity();
  }
  CallCounts& Calls() { return calls_; }
  DWORD NextTimeout(double workMs, bool wokenOnArrival) {
    return static_cast<DWORD>(pacing_.NextTimeoutMs(workMs, wokenOnArrival));
  }

 private:
  platform::WaitPacing pacing_;
  CallCounts calls_;
};

class Win32MessageLoop : public platform::MessageLoop {
 public:
  explicit Win32MessageLoop(WaitPacer& pacer);
  ~Win32MessageLoop() override;
  Win32MessageLoop(const Win32MessageLoop&) = delete;
  Win32MessageLoop& operator=(const Win32MessageLoop&) = delete;

  void DoEvents(platform::Awaiting awaiting) override;
  void PauseWithoutEvents() override;
  std::optional<std::int64_t> PressHeldSince() override;

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
  void NotePress(const MSG& msg);

  WaitPacer& pacer_;
  Win32Clock clock_;
  double lastReturnMs_ = 0;
  bool queueSeenEmpty_ = false;
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
