// Printed pages: up to six combined spectra on one A4 landscape page, laid out once as a display list and
// written as vector PDF and PNG preview (the host's spectrum window draws the same list on the screen).
#pragma once
#include <string>
#include <vector>

#include "ivdata/combiner.h"
#include "ivdata/display_list.h"
#include "ivdata/png.h"

namespace ivdata {

constexpr int kMaxPageSpectra = 6;

struct PageOptions {
  std::string title = "Combined spectra";  // heading of the page
  std::string footer;                      // e.g. the print time or job; may be empty
  int previewDpi = 100;                    // PNG resolution, 90..300 (the bitmap font needs 90)
};

// The page: heading, count, footer and a panel a spectrum (DrawSpectrumPanel), two columns of three rows.
// Throws Error for 0 or more than six spectra.
DisplayList LayoutPage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options);

// The PDF as bytes (one page, Helvetica, vector drawing). Each panel is labelled with sample, function,
// scan ranges, retention time range and base peak.
std::string RenderPagePdf(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options);
RgbImage RenderPageImage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options);

// Writes both files (each through a temporary name and a rename). Throws Error on I/O failure.
void WritePage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options,
               const std::string& pdfPath, const std::string& pngPath);

}  // namespace ivdata
