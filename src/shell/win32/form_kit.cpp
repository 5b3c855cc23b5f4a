#include "shell/win32/form_kit.h"

#include <cassert>
#include <cmath>

namespace apexer::win32 {

constexpr double kTwipsPerInch = 1440.0;

Dpi ScreenDpi() {
  Dpi dpi;
  const ScopedGetDC screen(nullptr);
  if (screen.get() != nullptr) {
    dpi.x = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) { return pixels * kTwipsPerInch / dpi; }

ScopedFont CreateFormFont(const Dpi& dpi, bool bold) {
  LOGFONTA lf{};
  lf.lfHeight = -static_cast<LONG>(std::lround(8.25 * dpi.y / 72.0));
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, "MS Sans Serif", LF_FACESIZE);
  return ScopedFont(CreateFontIndirectA(&lf));
}

HWND CreateControl(HWND parent, const char* className, const std::string& text, DWORD style, int id,
                   double left, double top, double width, double height, const Dpi& dpi, HFONT font) {
  assert(parent != nullptr);
  HWND h = CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                           TwipsToPixels(left, dpi.x), TwipsToPixels(top, dpi.y), TwipsToPixels(width, dpi.x),
                           TwipsToPixels(height, dpi.y), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                           nullptr);
  if (h != nullptr && font != nullptr) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

SIZE OuterSizeForClient(double clientWidth, double clientHeight, DWORD style, DWORD exStyle, bool menu,
                        const Dpi& dpi) {
  RECT r{0, 0, TwipsToPixels(clientWidth, dpi.x), TwipsToPixels(clientHeight, dpi.y)};
  AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace apexer::win32
