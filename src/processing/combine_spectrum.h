// Having the host combine the spectrum around one scan through its "Combine Spectrum" dialog.
#pragma once
#include <string>

#include "platform/platform.h"

namespace apexer {

inline constexpr const char* kCombineDialogTitle = "Combine Spectrum";
inline constexpr const char* kCombiningWindowTitle = "Spectrum Combine";
inline constexpr const char* kCombineDialogMissing = "Unable to find Combine Spectrum dialogue box";
constexpr Long kOpenCombineDialogCommand = 354;
constexpr Long kFirstRangeControl = 308;
constexpr Long kFurtherRangesControl = 310;
constexpr Long kFirstValueControl = 369;
constexpr Long kSecondValueControl = 176;
constexpr Long kOkCommand = 1;
constexpr Integer kCombineDialogLimit = 5;
// Text of a scan range: empty when absent, "start" alone, or "start:end".
std::string ScanRangeText(Long start, Long end);

// The scan when it lies in the sample and the host was asked to combine; 0 when refused, also when there
// was no host or chromatogram window to ask, so the run stops there instead of counting what never was.
// Scans are Longs here so that samples beyond 32,767 scans are combined, not overflowed.
Long CombineAtScan(platform::Platform& p, Long scan, const RawFileRecord& record);
// True once the dialog was filled and confirmed; false when nothing was done (no first range, no
// chromatogram window). A dialog that is missing, or lacks a field, raises the program's error; a
// half-filled dialog is closed without OK first.
Integer CombineSpectrum(platform::Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd,
                        Long thirdStart, Long thirdEnd, Single firstValue, Single secondValue);

}  // namespace apexer
