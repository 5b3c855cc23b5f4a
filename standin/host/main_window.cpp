// The host's main window (kind 0): the current sample at a glance, and the View menu.
#include <cstdio>

#include "host_app.h"
#include "resource.h"

namespace standin {

namespace {

const char* const kMainClass = "ApexerStandinMain";

void PaintMain(HWND h) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  std::string lines;
  if (HasSample()) {
    const auto& s = CurrentSample();
    char buf[1024];
    std::snprintf(buf, sizeof buf,
                  "Current sample:\t%s\nFile:\t%s\nDescription:\t%s\nAcquired:\t%s\n"
                  "Functions:\t%d\nScans (function 1):\t%d, %.2f to %.2f min",
                  s.name.c_str(), s.path.c_str(), s.description.c_str(), s.acquired.c_str(),
                  s.functionCount, s.scanCount, s.firstMinutes, s.lastMinutes);
    lines = buf;
  } else {
    lines = "No current sample.\n" + g_app.sampleError;
  }
  RECT r;
  GetClientRect(h, &r);
  r.left += 12;
  r.top += 10;
  DRAWTEXTPARAMS tabs{sizeof tabs, 20, 0, 0, 0};
  DrawTextExA(dc, lines.data(), -1, &r, DT_LEFT | DT_EXPANDTABS | DT_TABSTOP, &tabs);
  EndPaint(h, &ps);
}

LRESULT CALLBACK MainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintMain(h);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDM_EXIT: CloseLikeUser(h, "main"); return 0;
        case IDM_VIEW_CHROMATOGRAM: ShowChromatogramWindow(); return 0;
        case IDM_VIEW_SPECTRUM: ShowSpectrumWindow(); return 0;
        case IDM_VIEW_PEAK_LIST: ShowPeakListWindow(); return 0;
      }
      Journal(kSrcHost, "command.ignored", JsonFields().Str("role", "main").Int("id", LOWORD(wp)));
      return 0;
    case WM_CLOSE:
      CloseLikeUser(h, "main");
      return 0;
    case WM_DESTROY:
      JournalWindow("window.closed", h, "main");
      g_app.main = nullptr;
      PublishWindows();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

void RegisterMainClass() { RegisterHostClass(kMainClass, MainProc, IDC_ARROW, GetSysColorBrush(COLOR_WINDOW), LoadIcon(nullptr, IDI_APPLICATION)); }

HWND CreateMainWindow() {
  std::string title = "Ionvane Stand-in Host";
  if (HasSample()) title += " - " + CurrentSample().name;
  HWND h = CreateWindowExA(0, kMainClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 620, 190, nullptr,
                           LoadMenuA(g_app.instance, MAKEINTRESOURCEA(IDR_MAIN_MENU)), g_app.instance, nullptr);
  if (!h) return nullptr;
  g_app.main = h;
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  JournalWindow("window.opened", h, "main");
  PublishWindows();
  return h;
}

}  // namespace standin
