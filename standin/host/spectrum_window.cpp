// The spectrum window (kind 1): what a print of it would put on paper, drawn from the same display list
// as the page (the latest six spectra, each on its own axes), and the print commands 341 and 342.
#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "gdi_drawing.h"
#include "host_app.h"
#include "resource.h"

namespace standin {

void SpectrumView::Add(HostApp& app, ivdata::CombinedSpectrum spectrum, const ivdata::CombineRequest& request) {
  // Read at this moment, as the client changes it around its run.
  const std::string replace = IniString("SpeDisplay", "Replace", "");
  const bool add = ivdata::EqualsNoCase(Trim(replace), "FALSE");
  if (!add) spectra_.clear();
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
              .Int("spectraShown", static_cast<int64_t>(spectra_.size() + 1)));
  spectra_.push_back(std::move(spectrum));
  if (HWND window = app.Show(WindowKind::Spectrum)) InvalidateRect(window, nullptr, TRUE);
}

void SpectrumView::Paint(HostApp& app, HWND, HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (spectra_.empty()) {
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const char* text = "No spectra. Combine scans from the chromatogram window.";
    TextOutA(dc, 12, 12, text, lstrlenA(text));
    return;
  }
  const std::vector<ivdata::CombinedSpectrum> onPage = ivdata::LatestForPage(spectra_);
  ivdata::PageOptions page;
  page.footer = ivdata::PageFooter(app.Sample().Summary().name, "", onPage.size(), spectra_.size());
  const ivdata::DisplayList list = ivdata::LayoutPage(onPage, page);
  DrawDisplayList(dc, list, FitInto(client, list));
}

void SpectrumView::Command(HostApp& app, HWND window, int id) {
  switch (id) {
    case IDM_PRINT:
    case IDM_PRINT_WITH_LIST: app.PrintSpectrumWindow(static_cast<UINT>(id)); break;
    case IDM_CLOSE_WINDOW: app.CloseLikeUser(window, KindInfo(WindowKind::Spectrum).role); break;
    default: break;
  }
}

void SpectrumView::Forget(HWND, JsonFields& closed) {
  closed.Int("forgotSpectra", static_cast<int64_t>(spectra_.size()));
  spectra_.clear();
}

}  // namespace standin
