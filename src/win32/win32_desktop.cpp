#include "win32/win32_desktop.h"

#include <vector>

namespace apexer::win32 {

namespace {

BOOL CALLBACK AddToList(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

Hwnd Win32Desktop::FindWindowA(const std::string& title) {
  CallScope call(calls_, CallKind::Find);
  return FromHwnd(::FindWindowA(nullptr, title.c_str()));
}

platform::TopLevelWindows Win32Desktop::ListTopLevel() {
  CallScope call(calls_, CallKind::Listing);
  platform::TopLevelWindows look;
  look.firstUntitled = FromHwnd(::FindWindowA(nullptr, ""));
  // One server call for the whole Z-order, where a walk with GetWindow costs one a step.
  std::vector<HWND> windows;
  EnumWindows(AddToList, reinterpret_cast<LPARAM>(&windows));
  look.zOrder.reserve(windows.size());
  for (HWND w : windows) look.zOrder.push_back(FromHwnd(w));
  return look;
}

int Win32Desktop::GetWindowTextA(Hwnd window, char* buffer, int maxCount) {
  CallScope call(calls_, CallKind::Title);
  return ::GetWindowTextA(ToHwnd(window), buffer, maxCount);
}

Hwnd Win32Desktop::GetParent(Hwnd window) {
  CallScope call(calls_, CallKind::Test);
  return FromHwnd(::GetParent(ToHwnd(window)));
}

bool Win32Desktop::IsWindow(Hwnd window) {
  CallScope call(calls_, CallKind::Test);
  return ::IsWindow(ToHwnd(window)) != FALSE;
}

bool Win32Desktop::IsTopLevelWindow(Hwnd window) {
  CallScope call(calls_, CallKind::Test);
  const HWND h = ToHwnd(window);
  return h != nullptr && ::GetAncestor(h, GA_PARENT) == ::GetDesktopWindow();
}

Hwnd Win32Desktop::GetActiveWindow() {
  CallScope call(calls_, CallKind::Test);
  return FromHwnd(::GetActiveWindow());
}

Hwnd Win32Desktop::GetDlgItem(Hwnd dialog, Long id) {
  CallScope call(calls_, CallKind::Test);
  return FromHwnd(::GetDlgItem(ToHwnd(dialog), id));
}

Long Win32Desktop::PostMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  CallScope call(calls_, CallKind::Request);
  return ::PostMessageA(ToHwnd(window), message, ToWparam(wParam), ToLparam(lParam)) ? 1 : 0;
}

Long Win32Desktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, Long lParam) {
  CallScope call(calls_, CallKind::Request);
  return static_cast<Long>(::SendMessageA(ToHwnd(window), message, ToWparam(wParam), ToLparam(lParam)));
}

Long Win32Desktop::SendMessageA(Hwnd window, std::uint32_t message, Long wParam, const std::string& text) {
  CallScope call(calls_, CallKind::Request);
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
