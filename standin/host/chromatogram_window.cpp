// The chromatogram window: the display channel of function 1, its integrated peaks marked, and the
// Process menu whose command 354 opens "Combine Spectrum".
#include <algorithm>
#include <cstdio>
#include <memory>

#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "host_app.h"
#include "plot.h"
#include "resource.h"

namespace standin {

namespace {

const char* const kChromatogramClass = "ApexerStandinChromatogram";

struct ChromatogramView {
  ivdata::Chromatogram trace;
  std::vector<ivdata::Peak> peaks;
};

std::unique_ptr<ChromatogramView> g_view;

void PaintChromatogram(HWND h) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (g_view) {
    // Label the larger peaks only, so the labels stay readable.
    std::vector<ivdata::Peak> byHeight = g_view->peaks;
    std::sort(byHeight.begin(), byHeight.end(), [](const auto& a, const auto& b) { return a.height > b.height; });
    if (byHeight.size() > 12) byHeight.resize(12);
    std::vector<PlotMarker> markers;
    for (const auto& p : byHeight) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.2f", p.apexRt);
      markers.push_back({p.apexRt, buf});
    }
    std::string title = CurrentSample().name + "   Function 1   " + g_view->trace.label + "   " +
                        std::to_string(g_view->peaks.size()) + " peaks";
    DrawTracePlot(dc, r, g_view->trace.rt, g_view->trace.value, title, "min", markers);
  }
  EndPaint(h, &ps);
}

LRESULT CALLBACK ChromatogramProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintChromatogram(h);
      return 0;
    case WM_SIZE:
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_COMMAND:
      Journal(kSrcHost, "command.received",
              JsonFields().Str("role", "chromatogram").Int("id", LOWORD(wp)).Str("title", TitleOf(h)));
      switch (LOWORD(wp)) {
        case IDM_COMBINE_SPECTRUM: OpenCombineDialog(h); return 0;
        case IDM_VIEW_PEAK_LIST: ShowPeakListWindow(); return 0;
        case IDM_CLOSE_WINDOW: CloseLikeUser(h, "chromatogram"); return 0;
      }
      return 0;
    case WM_CLOSE:
      CloseLikeUser(h, "chromatogram");
      return 0;
    case WM_DESTROY:
      JournalWindow("window.closed", h, "chromatogram");
      g_app.chromatogram = nullptr;
      g_view.reset();
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

void RegisterChromatogramClass() { RegisterHostClass(kChromatogramClass, ChromatogramProc, IDC_CROSS, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); }

HWND ShowChromatogramWindow() {
  if (g_app.chromatogram) {
    // Wine without a window manager leaves owned windows below a raised owner: raise the dialog, then
    // put the chromatogram window right below it.
    if (g_app.dialog) {
      SetWindowPos(g_app.dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      SetWindowPos(g_app.chromatogram, g_app.dialog, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
      SetWindowPos(g_app.chromatogram, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    JournalWindow("window.activated", g_app.chromatogram, "chromatogram");
    return g_app.chromatogram;
  }
  // Without a current sample there is no file name to show.
  std::string title = HasSample() ? "Chromatogram - [" + CurrentSample().name + "]" : "Chromatogram";
  g_view = std::make_unique<ChromatogramView>();
  if (HasSample()) {
    g_view->trace = DisplayTrace();
    g_view->peaks = DisplayPeaks();
  }
  HWND h = CreateWindowExA(0, kChromatogramClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10, 200, 900, 420, nullptr,
                           LoadMenuA(g_app.instance, MAKEINTRESOURCEA(IDR_CHROMATOGRAM_MENU)), g_app.instance,
                           nullptr);
  if (!h) return nullptr;
  g_app.chromatogram = h;
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  JournalWindow("window.opened", h, "chromatogram");
  // A layout that shows the peak list beside a newly opened chromatogram, as the client meets it mid-run.
  if (ivdata::UpperAnsi(IniString(kSecStandin, "OpenWithChromatogram", "")).find("PEAKLIST") != std::string::npos)
    ShowPeakListWindow();
  return h;
}

}  // namespace standin
