// The peak list window (kind 2): the display channel's peaks as the host's integrator finds them.
#include <cstdio>

#include "host_app.h"
#include "resource.h"

namespace standin {

namespace {

const char* const kPeakListClass = "ApexerStandinPeakList";
std::vector<ivdata::Peak> g_peaks;

void PaintPeaks(HWND h) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  SetBkMode(dc, TRANSPARENT);
  char line[160];
  int y = 6;
  std::snprintf(line, sizeof line, "%s  %s  %zu peaks", CurrentSample().name.c_str(), DisplayChannel().c_str(),
                g_peaks.size());
  TextOutA(dc, 8, y, line, lstrlenA(line));
  y += 20;
  const char* head = "  #    RT/min    Apex scan   Scans        Height         Area";
  TextOutA(dc, 8, y, head, lstrlenA(head));
  y += 16;
  for (size_t i = 0; i < g_peaks.size() && y < r.bottom; ++i, y += 14) {
    const auto& p = g_peaks[i];
    std::snprintf(line, sizeof line, "%3zu  %8.3f  %10.2f   %5d-%-5d  %12.0f %12.1f", i + 1, p.apexRt, p.apexScan,
                  p.startScan, p.endScan, p.height, p.area);
    TextOutA(dc, 8, y, line, lstrlenA(line));
  }
  EndPaint(h, &ps);
}

LRESULT CALLBACK PeakListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintPeaks(h);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDM_CLOSE_WINDOW) CloseLikeUser(h, "peaklist");
      return 0;
    case WM_CLOSE:
      CloseLikeUser(h, "peaklist");
      return 0;
    case WM_DESTROY:
      JournalWindow("window.closed", h, "peaklist");
      g_app.peakList = nullptr;
      g_peaks.clear();
      PublishWindows();
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

void RegisterPeakListClass() { RegisterHostClass(kPeakListClass, PeakListProc, IDC_ARROW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); }

HWND ShowPeakListWindow() {
  if (g_app.peakList) {
    SetWindowPos(g_app.peakList, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return g_app.peakList;
  }
  g_peaks = DisplayPeaks();
  std::string title = HasSample() ? "Peak List - [" + CurrentSample().name + "]" : "Peak List";
  HWND h = CreateWindowExA(0, kPeakListClass, title.c_str(), WS_OVERLAPPEDWINDOW, 640, 0, 520, 400, nullptr,
                           LoadMenuA(g_app.instance, MAKEINTRESOURCEA(IDR_PEAK_LIST_MENU)), g_app.instance, nullptr);
  if (!h) return nullptr;
  g_app.peakList = h;
  ShowWindow(h, SW_SHOWNOACTIVATE);
  UpdateWindow(h);
  JournalWindow("window.opened", h, "peaklist");
  PublishWindows();
  return h;
}

}  // namespace standin
