#include "ivdata/page.h"

#include <algorithm>

#include "file_io.h"
#include "ivdata/error.h"
#include "ivdata/pdf.h"
#include "ivdata/plots.h"
#include "ivdata/raster.h"

namespace ivdata {
namespace {

constexpr double kPageWidth = 842;  // A4 landscape, points
constexpr double kPageHeight = 595;
constexpr double kMargin = 36;

}  // namespace

DisplayList LayoutPage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  if (spectra.empty()) throw Error("a page needs at least one spectrum");
  if (spectra.size() > kMaxPageSpectra) throw Error("a page holds at most six spectra");
  DisplayList d;
  d.width = kPageWidth;
  d.height = kPageHeight;
  d.texts.push_back({kMargin, kMargin, 14, true, Align::Left, options.title});
  if (!options.footer.empty()) {
    d.texts.push_back({kPageWidth - kMargin, kPageHeight - kMargin + 14, 8, false, Align::Right, options.footer});
  }
  d.texts.push_back({kPageWidth - kMargin, kMargin, 8, false, Align::Right,
                     std::to_string(spectra.size()) + (spectra.size() == 1 ? " spectrum" : " spectra")});
  const double gridTop = kMargin + 12;
  const double gridBottom = kPageHeight - kMargin;
  const double cellW = (kPageWidth - 2 * kMargin) / 2;
  const double cellH = (gridBottom - gridTop) / 3;
  for (std::size_t i = 0; i < spectra.size(); ++i) {
    const double x = kMargin + cellW * static_cast<double>(i % 2);
    const double y = gridTop + cellH * static_cast<double>(i / 2);
    DrawSpectrumPanel(d, spectra[i], x + 4, y + 6, cellW - 12, cellH - 8);
  }
  return d;
}

std::string RenderPagePdf(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  return RenderPdf(LayoutPage(spectra, options), options.title);
}

RgbImage RenderPageImage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options) {
  return RenderImage(LayoutPage(spectra, options), std::clamp(options.previewDpi, 90, 300));
}

void WritePage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options, const std::string& pdfPath,
               const std::string& pngPath) {
  const std::string pdf = RenderPagePdf(spectra, options);
  const std::string png = EncodePng(RenderPageImage(spectra, options));
  detail::WriteWholeFile(pdfPath, pdf);
  detail::WriteWholeFile(pngPath, png);
}

}  // namespace ivdata
