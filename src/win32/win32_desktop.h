// The desktop calls on the real user32.
#pragma once
#include <cstdint>

#include "platform/desktop.h"
#include "win32/win32_pacing.h"

namespace apexer::win32 {

class Win32Desktop : public platform::Desktop {
 public:
  // Messages to the host restart the pacer's back-off: the host is expected to react soon.
  explicit Win32Desktop(WaitPacer& pacer) : pacer_(pacer) {}

  Hwnd FindWindowA(const std::string& title) override;
  platform::TopLevelWindows ListTopLevel() override;
  int GetWindowTextA(Hwnd window, char* buffer, int maxCount) override;
  Hwnd GetParent(Hwnd window) override;
  bool IsWindow(Hwnd window) override;
  bool IsTopLevelWindow(Hwnd window) override;
  Hwnd GetActiveWindow() override;
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
  WaitPacer& pacer_;
};

}  // namespace apexer::win32
