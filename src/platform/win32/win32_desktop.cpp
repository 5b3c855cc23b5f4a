#include "platform/win32/win32_desktop.h"

namespace apexer::win32 {

Hwnd Win32Desktop::FindWindowA(const std::string& title) {
  return FromHwnd(::FindWindowA(nullptr, title.c_str()));
}

Hwnd Win32Desktop::GetWindow(Hwnd window, int command) {
  return FromHwnd(::GetWindow(ToHwnd(window), static_cast<UINT>(command)));
}

int Win32Desktop::GetWindowTextA(Hwnd window, char* buffer, int maxCount) {
  return ::GetWindowTextA(ToHwnd(window), buffer, maxCount);
}

Hwnd Win32Desktop::GetParent(Hwnd window) { return FromHwnd(::GetParent(ToHwnd(window))); }

bool Win32Desktop::IsWindow(Hwnd window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

Hwnd Win32Desktop::GetActiveWindow() { return FromHwnd(::GetActiveWindow()); }

Hwnd Win32Desktop::GetDlgItem(Hwnd dialog, Long id) { return FromHwnd(::GetDlgItem(ToHwnd(dialog), id)); }

Long Win32Desktop::PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  pacer_.Activity();
  return ::PostMessageA(ToHwnd(window), message, ToWparam(wParam), ToLparam(lParam)) ? 1 : 0;
}

Long Win32Desktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  pacer_.Activity();
  return static_cast<Long>(::SendMessageA(ToHwnd(window), message, ToWparam(wParam), ToLparam(lParam)));
}

Long Win32Desktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) {
  pacer_.Activity();
  return static_cast<Long>(
      ::SendMessageA(ToHwnd(window), message, ToWparam(wParam), reinterpret_cast<LPARAM>(text.c_str())));
}

bool Win32Desktop::GetWindowRect(Hwnd window, platform::PixelRect& rect) {
  RECT r;
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool Win32Desktop::MoveWindow(Hwnd window, Long x, Long y, Long width, Long height, bool repaint) {
  return ::MoveWindow(ToHwnd(window), x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool Win32Desktop::SetWindowPos(Hwnd window, Hwnd insertAfter, Long x, Long y, Long cx, Long cy,
                                std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

int Win32Desktop::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

bool Win32Desktop::GetNearestMonitorWorkArea(const platform::PixelRect& rect, platform::PixelRect& workArea) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  HMONITOR monitor = ::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !::GetMonitorInfoA(monitor, &info)) return false;
  workArea = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return true;
}

}  // namespace apexer::win32
