// Combined spectra: the sum of the scans of up to three scan ranges of one function.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "ivdata/sample.h"

namespace ivdata {

struct ScanRange {
  int first = 0;  // 1-based, inclusive
  int last = 0;
};

// Text of the combine dialog's range fields: "" (none), "17" (one scan), "16:18", and lists joined
// by "," such as "3:5,20:22". A reversed range ("18:16") is read as 16:18. Spaces around numbers are
// allowed. Returns false with a one-line reason for anything else.
bool ParseScanRanges(std::string_view text, std::vector<ScanRange>& ranges, std::string* error = nullptr);
// A dialog number: decimal with "." or "," as separator, optional sign and exponent.
bool ParseDialogNumber(std::string_view text, double& value);

constexpr int kMaxCombineRanges = 3;

struct CombineRequest {
  int function = 1;
  std::vector<ScanRange> ranges;  // 1 to 3 ranges; a scan in several ranges is counted once
  // The dialog's two numbers:
  double scale = 1;            // first: the summed intensities are multiplied by it (1/n averages n
                               //        scans); must be finite and > 0
  double thresholdPercent = 1; // second: points below this percent of the base peak are dropped
                               //         from the result, 0..100 (0 keeps everything)
  double tolerancePpm = 10;    // centroided peaks of different scans closer than this are merged
};

struct CombinedSpectrum {
  Spectrum spectrum;
  std::string sampleName;
  int function = 1;
  std::vector<ScanRange> ranges;  // as used: clipped to the function, reversed ones put in order
  int scansUsed = 0;
  double firstRt = 0;  // minutes, of the earliest and latest scan used
  double lastRt = 0;
  double basePeakMz = 0;
  double basePeakIntensity = 0;
};

// Centroided scans: all points, sorted by m/z, are grouped while each next point lies within the
// tolerance of the group's intensity-weighted m/z; a group becomes one peak at that m/z with the
// summed intensity. Profile scans: summed on the first scan's m/z grid (others interpolated linearly).
// Mixed centroided and profile scans are treated as centroided. Throws Error when no range is given,
// more than three are, a range lies wholly outside the function, or a number is out of range.
CombinedSpectrum CombineScans(const Sample& sample, const CombineRequest& request);

// "49:51" or "3:5, 20:22": the text of the ranges as used.
std::string ScanRangesText(const std::vector<ScanRange>& ranges);

// The four fields of the host's "Combine Spectrum" dialog as the user (or the client) filled them.
struct CombineFields {
  std::string scans;      // 308: the first range
  std::string moreScans;  // 310: further ranges
  std::string scale;      // 369
  std::string threshold;  // 176, percent
};

// Checks the fields as the host reads them on OK, against a sample of scanCount scans (function 1):
// one to three ranges in all, none wholly outside the sample, a scale above 0, a threshold of 0 to 100.
// On failure error is the one message the user sees and request is left empty.
bool ReadCombineFields(const CombineFields& fields, int scanCount, CombineRequest& request, std::string& error);

}  // namespace ivdata
