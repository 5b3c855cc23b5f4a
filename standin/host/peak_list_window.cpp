// The peak list window (kind 2): the display channel's peaks as the host's integrator finds them.
#include <cstdio>

#include "host_app.h"
#include "resource.h"

namespace standin {

void PeakListView::Prepare(HostApp& app) { peaks_ = app.Sample().DisplayPeaks(); }

void PeakListView::Paint(HostApp& app, HWND, HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
  SetBkMode(dc, TRANSPARENT);
  char line[160];
  int y = 6;
  std::snprintf(line, sizeof line, "%s  %s  %zu peaks", app.Sample().Summary().name.c_str(),
                app.Sample().DisplayChannel().c_str(), peaks_.size());
  TextOutA(dc, 8, y, line, lstrlenA(line));
  y += 20;
  const char* head = "  #    RT/min    Apex scan   Scans        Height         Area";
  TextOutA(dc, 8, y, head, lstrlenA(head));
  y += 16;
  for (size_t i = 0; i < peaks_.size() && y < client.bottom; ++i, y += 14) {
    const ivdata::Peak& p = peaks_[i];
    std::snprintf(line, sizeof line, "%3zu  %8.3f  %10.2f   %5d-%-5d  %12.0f %12.1f", i + 1, p.apexRt, p.apexScan,
                  p.startScan, p.endScan, p.height, p.area);
    TextOutA(dc, 8, y, line, lstrlenA(line));
  }
}

void PeakListView::Command(HostApp& app, HWND window, int id) {
  if (id == IDM_CLOSE_WINDOW) app.CloseLikeUser(window, KindInfo(WindowKind::PeakList).role);
}

void PeakListView::Forget(HWND, JsonFields&) { peaks_.clear(); }

}  // namespace standin
