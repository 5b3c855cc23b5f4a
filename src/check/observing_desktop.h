// The desktop as the check hands it to Apexer's own look-ups and waits: every call goes through, and what
// those look-ups saw of a title (when a window first carried it, when none did any more) is kept. A
// window that no longer answers is never sent a message: that would hang the check with the host.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "check/bounded_host.h"
#include "check/check_machine.h"
#include "platform/desktop.h"
#include "platform/loop.h"

namespace apexer::check {

class ObservingDesktop : public platform::Desktop {
 public:
  static constexpr int kAnswerLimitMs = 5000;

  ObservingDesktop(platform::Desktop& desktop, CheckMachine& machine, platform::Clock& clock)
      : d_(desktop), machine_(machine), clock_(clock) {}

  struct Sighting {
    std::int64_t firstSeenMs = -1;  // when an exact look-up first found a window with the title
    std::int64_t goneMs = -1;       // when one first found none after that
  };
  // Forgets what was seen of the title and starts watching it from now.
  void Watch(const std::string& title);
  Sighting Seen(const std::string& title) const;

  Hwnd FindWindowA(const std::string& title) override;
  platform::TopLevelWindows ListTopLevel() override { return d_.ListTopLevel(); }
  int GetWindowTextA(Hwnd window, char* buffer, int maxCount) override {
    return d_.GetWindowTextA(window, buffer, maxCount);
  }
  Hwnd GetParent(Hwnd window) override { return d_.GetParent(window); }
  bool IsWindow(Hwnd window) override { return d_.IsWindow(window); }
  bool IsTopLevelWindow(Hwnd window) override { return d_.IsTopLevelWindow(window); }
  Hwnd GetActiveWindow() override { return d_.GetActiveWindow(); }
  Hwnd GetDlgItem(Hwnd dialog, Long id) override { return d_.GetDlgItem(dialog, id); }
  Long PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) override {
    return d_.PostMessageA(window, message, wParam, lParam);
  }
  Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) override;
  Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) override;
  bool GetWindowRect(Hwnd window, platform::PixelRect& rect) override { return d_.GetWindowRect(window, rect); }
  bool MoveWindow(Hwnd window, Long x, Long y, Long width, Long height, bool repaint) override {
    return d_.MoveWindow(window, x, y, width, height, repaint);
  }
  bool SetWindowPos(Hwnd window, Hwnd insertAfter, Long x, Long y, Long cx, Long cy, std::uint32_t flags) override {
    return d_.SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
  }
  int GetSystemMetrics(int index) override { return d_.GetSystemMetrics(index); }
  bool GetNearestMonitorWorkArea(const platform::PixelRect& rect, platform::PixelRect& workArea) override {
    return d_.GetNearestMonitorWorkArea(rect, workArea);
  }

 private:
  void MustAnswer(Hwnd window);

  platform::Desktop& d_;
  CheckMachine& machine_;
  platform::Clock& clock_;
  std::map<std::string, Sighting> watched_;
};

}  // namespace apexer::check
