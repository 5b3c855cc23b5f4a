// Chromatograms of a channel over a scan range of one function.
#pragma once
#include <string>
#include <vector>

#include "ivdata/channel.h"
#include "ivdata/sample.h"

namespace ivdata {

struct Chromatogram {
  std::vector<double> rt;     // minutes, ascending
  std::vector<double> value;
  // Fractional scan number of each point in the function: exact scans for MS channels; for analog
  // traces, interpolated from the function's scan times (their own sampling differs).
  std::vector<double> scan;
  bool analog = false;
  std::string label;
};

// Points of scans firstScan..lastScan (1-based, inclusive; lastScan 0 means the function's last scan);
// bounds are clipped to the function. An analog trace yields its points between the times of
// firstScan and lastScan. Throws Error for an unknown function or analog trace, or damaged data.
// TIC and BPI come from the index; mass channels read one scan's arrays at a time.
Chromatogram ExtractChromatogram(const Sample& sample, int function, const Channel& channel,
                                 int firstScan = 1, int lastScan = 0);

// Index of the analog trace a channel names, or 0 when the sample has none by that name.
int ResolveAnalogTrace(const Sample& sample, const Channel& channel);

}  // namespace ivdata
