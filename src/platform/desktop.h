// The user32 subset the core uses, under the platform's own names.
#pragma once
#include <string>
#include <vector>

#include "platform/types.h"

namespace apexer::platform {

constexpr std::uint32_t kWmSetText = 12;
constexpr std::uint32_t kWmClose = 16;
constexpr std::uint32_t kWmCommand = 273;

constexpr Hwnd kHwndTopmost = 0xFFFFFFFFu;  // (HWND)-1
constexpr std::uint32_t kSwpNoSize = 1;
constexpr std::uint32_t kSwpNoMove = 2;

constexpr int kSmCyCaption = 4;

struct PixelRect {
  Long left = 0;
  Long top = 0;
  Long right = 0;
  Long bottom = 0;
};

// One look at the top-level windows, visible or not, of every process: the Z-order and the window the
// listing starts its walk from, in one call, so that both describe the same desktop.
struct TopLevelWindows {
  std::vector<Hwnd> zOrder;  // top first
  Hwnd firstUntitled = 0;    // what FindWindowA("") gives at the same moment; 0 when no title is empty
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Class name is always "none" in this program, so only the title is passed.
  virtual Hwnd FindWindowA(const std::string& title) = 0;
  virtual TopLevelWindows ListTopLevel() = 0;
  // Copies at most maxCount - 1 characters and a NUL; returns the characters copied.
  virtual int GetWindowTextA(Hwnd window, char* buffer, int maxCount) = 0;
  virtual Hwnd GetParent(Hwnd window) = 0;
  virtual bool IsWindow(Hwnd window) = 0;
  // A live window whose parent is the desktop (GetAncestor(window, GA_PARENT) == GetDesktopWindow()).
  virtual bool IsTopLevelWindow(Hwnd window) = 0;
  virtual Hwnd GetActiveWindow() = 0;
  virtual Hwnd GetDlgItem(Hwnd dialog, Long id) = 0;

  virtual Long PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) = 0;
  virtual Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) = 0;
  // The same call with an ANSI string as the long parameter (WM_SETTEXT).
  virtual Long SendMessageA(Hwnd window, std::uint32_t message, Long wParam,
                            const std::string& text) = 0;

  virtual bool GetWindowRect(Hwnd window, PixelRect& rect) = 0;
  virtual bool MoveWindow(Hwnd window, Long x, Long y, Long width, Long height, bool repaint) = 0;
  virtual bool SetWindowPos(Hwnd window, Hwnd insertAfter, Long x, Long y, Long cx, Long cy,
                            std::uint32_t flags) = 0;
  virtual int GetSystemMetrics(int index) = 0;
  // MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST), then the work area (rcWork) GetMonitorInfoA gives
  // for that monitor: the screen less the task bar and docked bars. False when there is no monitor.
  virtual bool GetNearestMonitorWorkArea(const PixelRect& rect, PixelRect& workArea) = 0;
};

}  // namespace apexer::platform
