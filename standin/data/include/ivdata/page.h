// Printed pages: up to six combined spectra on one A4 landscape page, as vector PDF and PNG preview.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ivdata/combiner.h"

namespace ivdata {

constexpr int kMaxPageSpectra = 6;

struct PageOptions {
  std::string title = "Combined spectra";  // heading of the page
  std::string footer;                      // e.g. the print time or job; may be empty
  int previewDpi = 100;                    // PNG resolution, 90..300 (the bitmap font needs 90)
};

// The PDF as bytes (one page, Helvetica, vector drawing). Throws Error for 0 or more than six spectra.
// Each panel is labelled with sample, function, scan ranges, retention time range and base peak.
std::string RenderPagePdf(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options);

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // RGB, rows top to bottom
};
RgbImage RenderPageImage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options);
std::string EncodePng(const RgbImage& image);

// Writes both files (each through a temporary name and a rename). Throws Error on I/O failure.
void WritePage(const std::vector<CombinedSpectrum>& spectra, const PageOptions& options,
               const std::string& pdfPath, const std::string& pngPath);

}  // namespace ivdata
