// The small windows the host shows while it works: "Spectrum Combine" and "Printing...".
#include <string>

#include "host_app.h"

namespace standin {

namespace {

const char* const kBusyClass = "ApexerStandinBusy";

LRESULT CALLBACK BusyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      JournalWindow("window.created", h, "busy");
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      char text[512] = {};
      if (auto* stored = static_cast<const char*>(GetPropA(h, "text"))) lstrcpynA(text, stored, sizeof text);
      RECT tr = {16, 14, r.right - 16, r.bottom - 30};
      DrawTextA(dc, text, -1, &tr, DT_LEFT | DT_WORDBREAK);
      RECT bar = {16, r.bottom - 26, r.right - 16, r.bottom - 14};
      FrameRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      RECT fill = {bar.left + 2, bar.top + 2, bar.left + (bar.right - bar.left) * 2 / 3, bar.bottom - 2};
      HBRUSH b = CreateSolidBrush(RGB(0, 120, 215));
      FillRect(dc, &fill, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_CLOSE:
      // A user cannot cancel the host's work from here.
      Journal(kSrcHost, "window.close-ignored", JsonFields().Str("title", TitleOf(h)));
      return 0;
    case WM_DESTROY: {
      JournalWindow("window.closed", h, "busy");
      if (auto* text = static_cast<char*>(RemovePropA(h, "text"))) delete[] text;
      if (g_app.combineBusy == h) g_app.combineBusy = nullptr;
      if (g_app.printing == h) g_app.printing = nullptr;
      return 0;
    }
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

void RegisterBusyClass() { RegisterHostClass(kBusyClass, BusyProc, IDC_WAIT, GetSysColorBrush(COLOR_BTNFACE)); }

HWND CreateBusyWindow(const char* title, HWND owner, const char* text) {
  int w = 340, hgt = 110;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - hgt) / 2;
  HWND h = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kBusyClass, title, WS_POPUP | WS_CAPTION, x, y, w,
                           hgt, owner, nullptr, g_app.instance, nullptr);
  if (!h) return nullptr;
  std::string s(text);
  char* copy = new char[s.size() + 1];
  lstrcpyA(copy, s.c_str());
  SetPropA(h, "text", copy);
  ShowWindow(h, SW_SHOWNOACTIVATE);
  UpdateWindow(h);
  JournalWindow("window.opened", h, "busy");
  return h;
}

}  // namespace standin
