// The spectrum window (kind 1): combined spectra stacked one above the other on a common mass axis, and
// the print commands 341 and 342.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "host_app.h"
#include "plot.h"
#include "resource.h"

namespace standin {

namespace {

const char* const kSpectrumClass = "ApexerStandinSpectrum";

std::string PanelTitle(const ivdata::CombinedSpectrum& s, size_t index) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "%zu.  Scans %s   RT %.2f-%.2f min   Base peak %.1f", index + 1,
                ivdata::ScanRangesText(s.ranges).c_str(), s.firstRt, s.lastRt, s.basePeakMz);
  return buf;
}

void PaintSpectra(HWND h) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  RECT r;
  GetClientRect(h, &r);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const auto& spectra = g_app.spectra;
  if (spectra.empty()) {
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const char* text = "No spectra. Combine scans from the chromatogram window.";
    TextOutA(dc, 12, 12, text, lstrlenA(text));
  } else {
    double lo = 1e300, hi = -1e300;
    for (const auto& s : spectra) {
      if (!s.spectrum.mz.empty()) {
        lo = std::min(lo, s.spectrum.mz.front());
        hi = std::max(hi, s.spectrum.mz.back());
      }
    }
    if (lo > hi) lo = 0, hi = 1000;
    lo = std::floor(lo / 50) * 50;
    hi = std::ceil(hi / 50) * 50;
    int n = static_cast<int>(spectra.size());
    int panel = (r.bottom - r.top) / n;
    for (int i = 0; i < n; ++i) {
      RECT pr = {r.left, r.top + i * panel, r.right, r.top + (i + 1) * panel};
      const auto& s = spectra[static_cast<size_t>(i)];
      DrawSpectrumPlot(dc, pr, s.spectrum.mz, s.spectrum.intensity, lo, hi, PanelTitle(s, static_cast<size_t>(i)));
    }
  }
  EndPaint(h, &ps);
}

LRESULT CALLBACK SpectrumProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      PaintSpectra(h);
      return 0;
    case WM_SIZE:
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_COMMAND:
      Journal(kSrcHost, "command.received",
              JsonFields().Str("role", "spectrum").Int("id", LOWORD(wp)).Str("title", TitleOf(h)));
      switch (LOWORD(wp)) {
        case IDM_PRINT:
        case IDM_PRINT_WITH_LIST: PrintSpectrumWindow(LOWORD(wp)); return 0;
        case IDM_CLOSE_WINDOW: CloseLikeUser(h, "spectrum"); return 0;
      }
      return 0;
    case WM_CLOSE:
      CloseLikeUser(h, "spectrum");
      return 0;
    case WM_DESTROY:
      Journal(kSrcHost, "window.closed",
              JsonFields().Str("role", "spectrum").Str("title", TitleOf(h)).Str("hwnd", HexHandle(h))
                  .Int("forgotSpectra", static_cast<int64_t>(g_app.spectra.size())));
      g_app.spectrum = nullptr;
      g_app.spectra.clear();
      PublishWindows();
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

void RegisterSpectrumClass() { RegisterHostClass(kSpectrumClass, SpectrumProc, IDC_ARROW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))); }

HWND ShowSpectrumWindow() {
  if (g_app.spectrum) {
    SetWindowPos(g_app.spectrum, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return g_app.spectrum;
  }
  std::string title = HasSample() ? "Spectrum - [" + CurrentSample().name + "]" : "Spectrum";
  HWND h = CreateWindowExA(0, kSpectrumClass, title.c_str(), WS_OVERLAPPEDWINDOW, 420, 60, 860, 900, nullptr,
                           LoadMenuA(g_app.instance, MAKEINTRESOURCEA(IDR_SPECTRUM_MENU)), g_app.instance, nullptr);
  if (!h) return nullptr;
  g_app.spectrum = h;
  ShowWindow(h, SW_SHOWNOACTIVATE);
  UpdateWindow(h);
  JournalWindow("window.opened", h, "spectrum");
  PublishWindows();
  return h;
}

void AddCombinedSpectrum(ivdata::CombinedSpectrum spectrum, const ivdata::CombineRequest& request) {
  // Read at this moment, as the client changes it around its run.
  std::string replace = IniString("SpeDisplay", "Replace", "");
  bool add = ivdata::EqualsNoCase(Trim(replace), "FALSE");
  if (!add) g_app.spectra.clear();
  Journal(kSrcHost, "combine",
          JsonFields()
              .Str("ranges", ivdata::ScanRangesText(spectrum.ranges))
              .Num("scale", request.scale)
              .Num("thresholdPercent", request.thresholdPercent)
              .Str("replaceSetting", replace)
              .Str("mode", add ? "add" : "replace")
              .Int("scansUsed", spectrum.scansUsed)
              .Num("firstRt", spectrum.firstRt)
              .Num("lastRt", spectrum.lastRt)
              .Num("basePeakMz", spectrum.basePeakMz)
              .Int("points", static_cast<int64_t>(spectrum.spectrum.mz.size()))
              .Int("spectraShown", static_cast<int64_t>(g_app.spectra.size() + 1)));
  g_app.spectra.push_back(std::move(spectrum));
  HWND h = ShowSpectrumWindow();
  if (h) InvalidateRect(h, nullptr, TRUE);
}

}  // namespace standin
