// An in-memory desktop: top-level windows in Z-order, owners, dialog controls, and a log of messages.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop.h"

namespace apexer::fakes {

// A call that would never return: what it waits on has stopped answering. Thrown, and not a std::exception,
// so that nothing in the program takes it for an error to report; a test sees where the program would hang
// (what its clean-up does while this unwinds, a hung program would never do).
struct CallNeverReturns {
  std::string call;
};

struct Message {
  bool posted = false;  // posted (queued) or sent (synchronous)
  Hwnd window = 0;
  std::uint32_t message = 0;
  Long wParam = 0;
  Long lParam = 0;
  std::string text;  // the string of WM_SETTEXT
};

class FakeDesktop : public platform::Desktop {
 public:
  struct Window {
    Hwnd handle = 0;
    std::string title;
    Hwnd owner = 0;
    bool topLevel = true;
    Hwnd dialog = 0;  // for controls: the dialog holding them
    Long controlId = 0;
    platform::PixelRect rect;
    bool topmost = false;
    // Its thread pumps no more messages: sent ones never return, posted ones are never handled.
    bool hung = false;
    // The window's reaction to a message; its result is what SendMessage returns.
    std::function<Long(const Message&)> handler;
  };

  // New top-level windows go to the top of the Z-order, like a window that is shown and activated, but
  // below the top-most windows, as they do on the real desktop.
  Hwnd AddWindow(const std::string& title, Hwnd owner = 0);
  Hwnd AddWindowAtBottom(const std::string& title, Hwnd owner = 0);
  Hwnd AddControl(Hwnd dialog, Long id);
  void RemoveWindow(Hwnd window);  // and its controls
  void SetTitle(Hwnd window, const std::string& title);
  void SetHandler(Hwnd window, std::function<Long(const Message&)> handler);
  void RaiseToTop(Hwnd window);
  void Hang(Hwnd window);
  // The next window or control gets this handle, as the real desktop may hand a closed window's value out
  // again.
  void ReuseHandle(Hwnd handle) { reuse_ = handle; }
  Window* Find(Hwnd window);
  const std::vector<Hwnd>& ZOrder() const { return zOrder_; }
  void SetActiveWindow(Hwnd window) { active_ = window; }
  void SetMetric(int index, int value) { metrics_[index] = value; }
  struct Monitor {
    platform::PixelRect area;
    platform::PixelRect work;
  };
  // One 1280 x 1024 screen with a task bar along its bottom.
  std::vector<Monitor> monitors{{{0, 0, 1280, 1024}, {0, 0, 1280, 984}}};

  // Delivers queued posted messages to their windows' handlers, oldest first.
  void DeliverPosted();
  const std::vector<Message>& Log() const { return log_; }
  std::vector<Message> LogOf(std::uint32_t message) const;
  std::string ControlText(Hwnd control) const;

  int lookups = 0;  // FindWindowA calls, to see how often a wait polled
  int windowsMade = 0;  // windows and controls made, as a desktop hook tells of them
  std::vector<std::string>* journal = nullptr;  // posted and sent messages, in words
  std::function<void(const Message&)> onMessage;  // told of every message posted or sent

  Hwnd FindWindowA(const std::string& title) override;
  platform::TopLevelWindows ListTopLevel() override;
  int GetWindowTextA(Hwnd window, char* buffer, int maxCount) override;
  Hwnd GetParent(Hwnd window) override;
  bool IsWindow(Hwnd window) override;
  bool IsTopLevelWindow(Hwnd window) override;
  Hwnd GetActiveWindow() override { return active_; }
  Hwnd GetDlgItem(Hwnd dialog, Long id) override;
  Long PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) override;
  Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) override;
  Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) override;
  bool GetWindowRect(Hwnd window, platform::PixelRect& rect) override;
  bool MoveWindow(Hwnd window, Long x, Long y, Long width, Long height, bool repaint) override;
  bool SetWindowPos(Hwnd window, Hwnd insertAfter, Long x, Long y, Long cx, Long cy,
                    std::uint32_t flags) override;
  int GetSystemMetrics(int index) override;
  bool GetNearestMonitorWorkArea(const platform::PixelRect& rect, platform::PixelRect& workArea) override;

 private:
  Long Dispatch(const Message& m);
  void Note(const Message& m);
  Hwnd NewHandle() { return reuse_ != 0 ? std::exchange(reuse_, 0) : next_ += 4; }
  std::vector<Hwnd>::iterator TopOfBand(bool topmost);

  Hwnd next_ = 0x10000;
  Hwnd active_ = 0;
  Hwnd reuse_ = 0;
  std::map<Hwnd, Window> windows_;
  std::vector<Hwnd> zOrder_;  // index 0 is the topmost window
  std::deque<Message> queue_;
  std::vector<Message> log_;
  std::map<int, int> metrics_;
};

}  // namespace apexer::fakes
