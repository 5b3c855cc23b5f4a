// The chromatogram window: the display channel of function 1 drawn by the engine's trace panel, the larger
// peaks marked, and the Process menu whose command 354 (or the one the host plays instead) opens
// "Combine Spectrum".
#include <algorithm>
#include <cstdio>

#include "bridge/host_settings.h"
#include "gdi_drawing.h"
#include "host_app.h"
#include "resource.h"

namespace standin {

namespace {

int CombineCommand() {
  const int other = FaultInt(HostFault::CombineCommand);
  return other > 0 ? other : IDM_COMBINE_SPECTRUM;
}

}  // namespace

void ChromatogramView::Prepare(HostApp& app) {
  trace_ = {};
  peaks_.clear();
  if (!app.Sample().Has()) return;
  trace_ = app.Sample().DisplayTrace();
  peaks_ = app.Sample().DisplayPeaks();
}

void ChromatogramView::Opened(HostApp& app, HWND) {
  // A layout that shows the peak list beside a newly opened chromatogram, as the client meets it mid-run.
  if (ivdata::UpperAnsi(IniString(kSecStandin, "OpenWithChromatogram", "")).find("PEAKLIST") != std::string::npos) {
    app.Show(WindowKind::PeakList);
  }
}

void ChromatogramView::Paint(HostApp& app, HWND, HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ivdata::TracePlot plot;
  plot.title = app.Sample().Summary().name + "   Function 1   " + trace_.label + "   " + std::to_string(peaks_.size()) +
               " peaks";
  plot.x = trace_.rt;
  plot.y = trace_.value;
  // Label the larger peaks only, so the labels stay readable.
  std::vector<ivdata::Peak> byHeight = peaks_;
  std::sort(byHeight.begin(), byHeight.end(), [](const auto& a, const auto& b) { return a.height > b.height; });
  if (byHeight.size() > 12) byHeight.resize(12);
  for (const ivdata::Peak& p : byHeight) {
    char label[32];
    std::snprintf(label, sizeof label, "%.2f", p.apexRt);
    plot.markers.push_back({p.apexRt, label});
  }
  const double scale = ScreenPointScale(dc);
  ivdata::DisplayList list;
  list.width = (client.right - client.left) / scale;
  list.height = (client.bottom - client.top) / scale;
  ivdata::DrawTracePanel(list, plot, 6, 4, list.width - 8, list.height - 6);
  DrawDisplayList(dc, list, {static_cast<double>(client.left), static_cast<double>(client.top), scale});
}

void ChromatogramView::Command(HostApp& app, HWND window, int id) {
  const int combine = CombineCommand();
  if (id == combine) {
    app.OpenCombineDialog(window);
    return;
  }
  switch (id) {
    case IDM_COMBINE_SPECTRUM:
      Journal(kSrcHost, "fault.combine-command", JsonFields().Int("received", id).Int("opensOn", combine));
      break;
    case IDM_VIEW_PEAK_LIST: app.Show(WindowKind::PeakList); break;
    case IDM_CLOSE_WINDOW: app.CloseLikeUser(window, KindInfo(WindowKind::Chromatogram).role); break;
    default: break;
  }
}

void ChromatogramView::Forget(HWND, JsonFields&) {
  trace_ = {};
  peaks_.clear();
}

}  // namespace standin
