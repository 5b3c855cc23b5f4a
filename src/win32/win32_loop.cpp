#include "win32/win32_loop.h"

#include <algorithm>
#include <utility>

namespace apexer::win32 {
namespace {

constexpr int kMostMessagesPerYield = 10000;  // a window that keeps posting to itself cannot hold the run

// The loop whose hook reports to this thread: an out-of-context hook calls back on the thread that set it,
// and its callback is told no more than the event.
thread_local Win32MessageLoop* hookedLoop = nullptr;

}  // namespace

void CALLBACK Win32MessageLoop::OnDesktopEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_WINDOW && child == CHILDID_SELF && hookedLoop != nullptr) hookedLoop->desktopChanged_ = true;
}

Win32Clock::Win32Clock() {
  LARGE_INTEGER f;
  if (QueryPerformanceFrequency(&f) && f.QuadPart > 0) frequency_ = f.QuadPart;
}

std::int64_t Win32Clock::MonotonicMs() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  // Split so that the multiplication cannot overflow however long the machine has been running.
  return (c.QuadPart / frequency_) * 1000 + (c.QuadPart % frequency_) * 1000 / frequency_;
}

double Win32Clock::MonotonicMsFine() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart / frequency_) * 1000.0 +
         static_cast<double>(c.QuadPart % frequency_) * 1000.0 / static_cast<double>(frequency_);
}

Win32MessageLoop::Win32MessageLoop(platform::Clock& clock, CallCounts& calls) : clock_(clock), calls_(calls) {
  hookedLoop = this;
  // Out of context: the events arrive in this thread's queue, so they wake MsgWaitForMultipleObjectsEx.
  const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  for (const auto& range : {std::pair<DWORD, DWORD>{EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE},
                            std::pair<DWORD, DWORD>{EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE}}) {
    if (HWINEVENTHOOK h = SetWinEventHook(range.first, range.second, nullptr, OnDesktopEvent, 0, 0, flags)) {
      hooks_.push_back(h);
    }
  }
}

Win32MessageLoop::~Win32MessageLoop() {
  for (HWINEVENTHOOK h : hooks_) UnhookWinEvent(h);
  if (hookedLoop == this) hookedLoop = nullptr;
}

void Win32MessageLoop::AddDialogWindow(HWND window) { dialogs_.push_back(window); }

void Win32MessageLoop::RemoveDialogWindow(HWND window) {
  dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), window), dialogs_.end());
}

void Win32MessageLoop::DeferError(std::exception_ptr error) {
  if (!deferred_) deferred_ = std::move(error);
}

bool Win32MessageLoop::HandledAsDialogMessage(MSG& msg) {
  for (HWND d : dialogs_) {
    if ((msg.hwnd == d || IsChild(d, msg.hwnd)) && IsDialogMessageA(d, &msg)) return true;
  }
  return false;
}

bool Win32MessageLoop::DoEvents(platform::Awaiting awaiting) {
  bool events = false;
  // After a block that ended without input the queue was empty moments ago: skip the look (a server
  // round trip under Wine). Whatever came since ends the next block at once and is dispatched then. While
  // a press is held the look is always made: the release must be dispatched by the yield that follows it.
  if (!queueSeenEmpty_ || awaiting == platform::Awaiting::PressToEnd) {
    MSG msg;
    int handled = 0;
    while (handled < kMostMessagesPerYield) {
      bool got;
      {
        CallScope call(calls_, CallKind::Peek);
        got = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
      }
      if (!got) break;
      ++handled;
      if (msg.message == WM_QUIT) continue;  // nobody in this program asks to quit; the run decides the end
      events = true;
      NotePress(msg);
      if (!HandledAsDialogMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      if (deferred_) break;
    }
    if (deferred_) {
      std::exception_ptr e = deferred_;
      deferred_ = nullptr;
      std::rethrow_exception(e);
    }
  }
  // The hook calls back while messages are retrieved, here or in the block before.
  return std::exchange(desktopChanged_, false) || events;
}

void Win32MessageLoop::Block(double timeoutMs) {
  const auto timeout = static_cast<DWORD>(timeoutMs);
  // A zero block would only ask the server what the queue check just answered.
  if (timeout == 0) {
    queueSeenEmpty_ = false;
    return;
  }
  CallScope call(calls_, CallKind::Block);
  queueSeenEmpty_ =
      MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT;
}

void Win32MessageLoop::NotePress(const MSG& msg) {
  switch (msg.message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_XBUTTONDOWN: case WM_XBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK: case WM_NCXBUTTONDOWN: case WM_NCXBUTTONDBLCLK:
      if (!press_ || press_->releasedElsewhere) press_ = Press{clock_.MonotonicMs(), false};
      break;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: case WM_XBUTTONUP:
    case WM_NCLBUTTONUP: case WM_NCRBUTTONUP: case WM_NCMBUTTONUP: case WM_NCXBUTTONUP:
      press_.reset();
      break;
    default:
      break;
  }
}

std::optional<std::int64_t> Win32MessageLoop::PressHeldSince() {
  if (!press_) return std::nullopt;
  // The up of a press may never reach these windows: a menu or a title-bar drag takes it inside the
  // dispatch, or the pointer left the window once the press had lost its capture. The buttons themselves
  // say whether the hand is still down (one request to the server, made only while a press is noted).
  CallScope call(calls_, CallKind::Test);
  for (int button : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2}) {
    if (GetAsyncKeyState(button) < 0) return press_->sinceMs;
  }
  // Released: one more yield dispatches the up if it came to these windows, so that the click acts first.
  if (!press_->releasedElsewhere) {
    press_->releasedElsewhere = true;
    return press_->sinceMs;
  }
  press_.reset();
  return std::nullopt;
}

void Win32MessageLoop::PauseWithoutEvents(double ms) {
  CallScope call(calls_, CallKind::Block);
  Sleep(static_cast<DWORD>(ms));
}

}  // namespace apexer::win32
