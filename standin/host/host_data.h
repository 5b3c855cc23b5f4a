// What the host shows and prints, taken from the data engine: the current sample, its traces, combined spectra.
#pragma once

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

// On failure the host runs without a current sample; error says why.
bool OpenSample(const std::string& path, std::string& error);
bool HasSample();
const SampleSummary& CurrentSample();
const ivdata::Sample& SampleData();

// The channel the host displays ([Standin] Trace, "TIC" by default).
std::string DisplayChannel();
ivdata::Chromatogram DisplayTrace();
std::vector<ivdata::Peak> DisplayPeaks();

// Writes one page (PDF and PNG preview) into folder; withMassList (command 342) also writes the spectra's
// mass lists beside it as text.
bool WriteSpectrumPage(const std::string& folder, const std::vector<ivdata::CombinedSpectrum>& spectra,
                       bool withMassList, PagePaths& paths, std::string& error);

}  // namespace standin
