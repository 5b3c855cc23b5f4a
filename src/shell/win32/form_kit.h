// Small pieces the two forms share: twips at the screen's real DPI, the forms' font, child controls.
#pragma once
#include <string>

#include "win32/win32_scoped.h"

namespace apexer::win32 {

struct Dpi {
  int x = 96;
  int y = 96;
};

Dpi ScreenDpi();
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// "MS Sans Serif" 8.25 point, as the forms were designed.
ScopedFont CreateFormFont(const Dpi& dpi, bool bold);

// A child control placed in twips.
HWND CreateControl(HWND parent, const char* className, const std::string& text, DWORD style, int id,
                   double left, double top, double width, double height, const Dpi& dpi, HFONT font);

// The outer size of a window with the given client area in twips.
SIZE OuterSizeForClient(double clientWidth, double clientHeight, DWORD style, DWORD exStyle, bool menu,
                        const Dpi& dpi);

}  // namespace apexer::win32
