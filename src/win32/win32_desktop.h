// The desktop calls on the real user32.
#pragma once
#include <cstdint>

#include "platform/desktop.h"
#include "win32/win32_call_counts.h"

namespace apexer::win32 {

class Win32Desktop : public platform::Desktop {
 public:
  // The calls are counted in the measuring build.
  explicit Win32Desktop(CallCounts& calls) : calls_(calls) {}

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
  CallCounts& calls_;
};

}  // namespace apexer::win32
