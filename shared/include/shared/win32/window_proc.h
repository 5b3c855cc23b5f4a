// The one window procedure of a window whose messages an object handles.
#pragma once
#include <windows.h>

#include <functional>

namespace shared::win32 {

// Register WindowProcOf<T, Handle> as the class's procedure and pass the object as CreateWindowEx's last
// argument: it is kept in the window's GWLP_USERDATA from WM_NCCREATE on, and each message goes to
// Handle(object, window, message, wParam, lParam), a member function of T or a free function. Messages
// that come before WM_NCCREATE (WM_GETMINMAXINFO) go to DefWindowProcA.
template <typename T, auto Handle>
LRESULT CALLBACK WindowProcOf(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  T* object = reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (object == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return std::invoke(Handle, *object, window, message, wParam, lParam);
}

}  // namespace shared::win32
