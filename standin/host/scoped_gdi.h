// Thin owners of the GDI resources the host's windows use, one job each.
#pragma once

#include <windows.h>

#include "shared/win32/gdi.h"

namespace standin {

template <typename H>
using ScopedGdiObject = shared::win32::ScopedGdiObject<H>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedSelect = shared::win32::ScopedSelectObject;

// BeginPaint for the scope, EndPaint at its end.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace standin
