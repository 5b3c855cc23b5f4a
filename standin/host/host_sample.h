// The host's current sample, what its windows show of it, and where its prints go.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ivdata/ivdata.h"

namespace standin {

struct SampleSummary {
  std::string path;
  std::string location;      // folder with a trailing backslash
  std::string name;          // file name shown in titles
  std::string description;
  std::string acquired;
  int functionCount = 0;
  int scanCount = 0;         // of function 1
  double firstMinutes = 0;
  double lastMinutes = 0;
  long long sizeKiB = 0;
};

struct PagePaths {
  std::string pdf;
  std::string png;
  std::string massList;      // command 342 only
};

class HostSample {
 public:
  // On failure the host runs without a current sample; Error() says why.
  bool Open(const std::string& path);
  void SetError(std::string error) { error_ = std::move(error); }

  bool Has() const { return sample_.has_value(); }
  const SampleSummary& Summary() const { return summary_; }
  const ivdata::Sample& Data() const { return *sample_; }
  const std::string& Error() const { return error_; }

  // The channel the host displays ([Standin] Trace, "TIC" by default), its trace and its peaks.
  std::string DisplayChannel() const;
  ivdata::Chromatogram DisplayTrace() const;
  std::vector<ivdata::Peak> DisplayPeaks() const;

  // Writes one page (PDF and PNG preview) of the latest six spectra into folder under the next free name;
  // withMassList (command 342) also writes the spectra's mass lists beside it as text.
  bool WriteSpectrumPage(const std::string& folder, const std::vector<ivdata::CombinedSpectrum>& spectra,
                         bool withMassList, PagePaths& paths, std::string& error) const;

 private:
  std::optional<ivdata::Sample> sample_;
  SampleSummary summary_;
  std::string error_;
};

}  // namespace standin
