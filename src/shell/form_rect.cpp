#include "shell/form_rect.h"

#include <algorithm>

namespace apexer {

void GetFormRect(platform::Desktop& desktop, platform::StatusForm& form, WindowRect& rect) {
  const platform::WindowState state = form.GetWindowState();
  const bool restored = state != platform::WindowState::Normal;
  if (restored) form.SetWindowState(platform::WindowState::Normal);

  platform::PixelRect r;
  desktop.GetWindowRect(form.hWnd(), r);
  rect.Left = r.left;
  rect.Top = r.top;
  rect.Width = r.right - r.left;
  rect.Height = r.bottom - r.top;

  if (restored) form.SetWindowState(state);
}

void ApplyFormRect(platform::Desktop& desktop, platform::StatusForm& form, WindowRect& rect) {
  WindowRect current;
  GetFormRect(desktop, form, current);
  const bool sizable = form.GetBorderStyle() == platform::BorderStyle::Sizable;
  if (!sizable || rect.Width == 0) rect.Width = current.Width;
  if (!sizable || rect.Height == 0) rect.Height = current.Height;
  MoveWindowToRect(desktop, form.hWnd(), rect);
}

void MoveWindowToRect(platform::Desktop& desktop, Hwnd hwnd, const WindowRect& rect) {
  desktop.MoveWindow(hwnd, rect.Left, rect.Top, rect.Width, rect.Height, true);
}

bool MoveOntoNearestMonitor(platform::Desktop& desktop, platform::StatusForm& form) {
  platform::PixelRect window;
  platform::PixelRect work;
  if (!desktop.GetWindowRect(form.hWnd(), window) || !desktop.GetNearestMonitorWorkArea(window, work)) return false;
  const bool overlaps = window.left < work.right && work.left < window.right && window.top < work.bottom &&
                        work.top < window.bottom;
  if (overlaps) return false;
  const Long width = window.right - window.left;
  const Long height = window.bottom - window.top;
  // As far in as needed and no further; a window larger than the work area keeps its top-left corner on it.
  const Long left = std::max(work.left, std::min(window.left, work.right - width));
  const Long top = std::max(work.top, std::min(window.top, work.bottom - height));
  return desktop.MoveWindow(form.hWnd(), left, top, width, height, true);
}

}  // namespace apexer
