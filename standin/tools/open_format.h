// Conversion between open LC-MS formats (mzML, mzXML; read with ProteoWizard) and stand-in samples.
#pragma once
#include <string>
#include <vector>

namespace ivtool {

struct ImportReport {
  struct Function {
    int msLevel = 0;
    int scans = 0;
  };
  std::vector<Function> functions;
  std::vector<std::string> traces;
  int skippedSpectra = 0;        // no MS level or no scan time
  int skippedChromatograms = 0;  // mass chromatograms (TIC, SRM, ...): the sample derives its own
  std::vector<std::string> warnings;
};

// MS level n becomes function n (levels below the highest are kept, possibly empty, so that the
// numbers stay put); non-MS chromatograms become analog traces. Throws ivdata::Error.
ImportReport ImportOpenFormat(const std::string& input, const std::string& sample);

// Writes the sample as mzML (or mzXML when the output name ends in ".mzXML", which has no place for
// chromatograms): all functions' scans in time order, analog traces as chromatograms of their type,
// and a TIC chromatogram of function 1. Throws ivdata::Error.
void ExportOpenFormat(const std::string& sample, const std::string& output);

}  // namespace ivtool
