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
constexpr Integer kAppErrorNumber = 32767;

struct LastErrorRecord {
  Integer Number = 0;
  std::string Description;
};
extern LastErrorRecord LastError;

// Text of a scan range: empty when absent, "start" alone, or "start:end".
std::string ScanRangeText(Long start, Long end);

// The scan when it lies in the sample and the combine was asked for; 0 when refused.
// Scans are Longs here so that samples beyond 32,767 scans are combined, not overflowed.
Long CombineAtScan(platform::Platform& p, Long scan, const RawFileRecord& record);
void CombineSpectrum(platform::Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd,
                     Long thirdStart, Long thirdEnd, Single firstValue, Single secondValue);
[[noreturn]] void RaiseAppError(Integer number, const std::string& description);

}  // namespace apexer
