// What the host shows and prints, taken from the data engine: the current sample, its traces, combined spectra.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "field_parse.h"

namespace standin {

struct SampleSummary {
  std::string path;
  std::string name;          // file name shown in titles
  std::string description;
  std::string acquired;
  std::string instrument;
  int functionCount = 0;
  int scanCount = 0;         // of function 1
  double firstMinutes = 0;
  double lastMinutes = 0;
};

struct TraceData {
  std::string label;
  std::vector<double> minutes;
  std::vector<double> values;
};

struct PeakSummary {
  int number = 0;
  double apexMinutes = 0;
  double apexScan = 0;
  int startScan = 0;
  int endScan = 0;
  double height = 0;
  double area = 0;
};

struct CombinedSpectrum {
  std::vector<ScanRange> scans;
  std::vector<ScanRange> subtract;
  double subtractFactor = 1;
  double scale = 1;
  double firstMinutes = 0;
  double lastMinutes = 0;
  std::vector<double> mz;
  std::vector<double> intensity;
  std::string Title() const;  // "Scans 49:51  RT 5.21-5.25 min", plus the subtraction
};

struct PagePaths {
  std::string pdf;
  std::string png;
};

bool OpenSample(const std::string& path, SampleSummary& summary, std::string& error);
const SampleSummary& CurrentSample();
bool HasSample();
TraceData SampleTrace(const std::string& channel);
std::vector<PeakSummary> IntegrateTrace(const std::string& channel);
std::optional<CombinedSpectrum> CombineSpectra(const std::vector<ScanRange>& scans,
                                               const std::vector<ScanRange>& subtract, double subtractFactor,
                                               double scale, std::string& error);
// withMassList adds each spectrum's ten most intense masses beside it (command 342).
bool WriteSpectrumPage(const std::string& folder, const std::vector<CombinedSpectrum>& spectra, bool withMassList,
                       PagePaths& paths, std::string& error);

}  // namespace standin
