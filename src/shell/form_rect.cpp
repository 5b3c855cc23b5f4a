#include "shell/form_rect.h"

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

}  // namespace apexer
