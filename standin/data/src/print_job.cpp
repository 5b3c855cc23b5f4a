#include "ivdata/print_job.h"

#include <cstdio>
#include <sstream>

#include "ivdata/page.h"

namespace ivdata {

std::vector<CombinedSpectrum> LatestForPage(const std::vector<CombinedSpectrum>& spectra) {
  const std::size_t from = spectra.size() > kMaxPageSpectra ? spectra.size() - kMaxPageSpectra : 0;
  return std::vector<CombinedSpectrum>(spectra.begin() + static_cast<std::ptrdiff_t>(from), spectra.end());
}

std::string PageStem(const std::string& sampleFileName) {
  std::string stem = sampleFileName.empty() ? std::string("page") : sampleFileName;
  if (const std::size_t dot = stem.find_last_of('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  return stem;
}

std::string NextFreePage(const std::string& folder, const std::string& stem,
                         const std::function<bool(const std::string& pdfPath)>& taken) {
  std::string base = folder;
  if (base.empty() || (base.back() != '\\' && base.back() != '/')) base += '\\';
  for (int k = 1; k < 100000; ++k) {
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", k);
    const std::string path = base + stem + number;
    if (!taken(path + ".pdf")) return path;
  }
  return {};
}

std::string PageFooter(const std::string& sampleName, const std::string& printedAt, std::size_t onPage,
                       std::size_t held) {
  const std::string printed = printedAt.empty() ? std::string() : "  printed " + printedAt;
  return sampleName + printed + "  " + std::to_string(onPage) + " of " + std::to_string(held) + " spectra";
}

std::string MassListText(const std::vector<CombinedSpectrum>& spectra) {
  std::ostringstream out;
  for (const CombinedSpectrum& s : spectra) {
    out << s.sampleName << "  scans " << ScanRangesText(s.ranges) << "  RT " << s.firstRt << "-" << s.lastRt
        << " min\r\nm/z\tintensity\r\n";
    for (std::size_t i = 0; i < s.spectrum.mz.size(); ++i) {
      out << s.spectrum.mz[i] << '\t' << s.spectrum.intensity[i] << "\r\n";
    }
    out << "\r\n";
  }
  return out.str();
}

}  // namespace ivdata
