// What one print of the host's spectrum window makes, apart from drawing: which spectra go on the page,
// the files' names in the print folder, the page's footer and the mass lists of command 342.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ivdata/combiner.h"

namespace ivdata {

// A page holds six spectra: of more (a window filled with Replace off), the latest six.
std::vector<CombinedSpectrum> LatestForPage(const std::vector<CombinedSpectrum>& spectra);

// The sample's file name without its extension: the stem of every page printed from it ("page" for none).
std::string PageStem(const std::string& sampleFileName);

// folder\stem-NNNN for the first NNNN from 0001 whose PDF `taken` does not report, so that no print
// overwrites another; "" when 99999 are taken. A backslash joins folder and stem unless folder ends in one
// (or in a slash).
std::string NextFreePage(const std::string& folder, const std::string& stem,
                         const std::function<bool(const std::string& pdfPath)>& taken);

// "<sample>  printed <printedAt>  <onPage> of <held> spectra"; without printedAt (the screen's own page)
// "<sample>  <onPage> of <held> spectra".
std::string PageFooter(const std::string& sampleName, const std::string& printedAt, std::size_t onPage,
                       std::size_t held);

// Each spectrum's head line ("<sample>  scans <ranges>  RT <first>-<last> min"), "m/z<TAB>intensity", its
// points one a line and a blank line; lines end in CR LF, numbers as a stream writes them (6 digits).
std::string MassListText(const std::vector<CombinedSpectrum>& spectra);

}  // namespace ivdata
