// Having the host combine the spectrum around one scan through its "Combine Spectrum" dialog.
#pragma once
#include <cstdint>
#include <string>

#include "common/platform.h"

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

// Why a scan was not combined: its apex is no scan number (decided by the run), it lies outside the
// sample, or there was no host or chromatogram window to ask.
enum class Refusal : std::uint8_t { None, NoScanNumber, OutsideSample, HostGone, NoChromatogramWindow };

// What combining one spectrum did: the scans the host was asked to combine, or why it was not asked.
struct CombineOutcome {
  Refusal refusal = Refusal::None;
  Long scan = 0;       // the apex scan asked for
  Long first = 0;      // the range written into the dialog, when it was
  Long last = 0;
  Long scanCount = 0;  // the sample's scans, which the apex scan was held against
  bool Combined() const { return refusal == Refusal::None; }
};

// The apex scan and its two neighbours, clipped to the sample, combined through the host's dialog; refused
// when the scan lies outside the sample, and also when there was no host or chromatogram window to ask, so
// the run stops there instead of counting what never was. Scans are Longs here so that samples beyond
// 32,767 scans are combined, not overflowed.
CombineOutcome CombineAroundScan(Platform& p, Long scan, const RawFileRecord& rawFile);
// The same as the scan (combined) or 0 (refused).
Long CombineAtScan(Platform& p, Long scan, const RawFileRecord& rawFile);
// True once the dialog was filled and confirmed; false when nothing was done (no first range, no
// chromatogram window). A dialog that is missing, or lacks a field, raises the program's error; a
// half-filled dialog is closed without OK first.
Integer CombineSpectrum(Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd, Long thirdStart,
                        Long thirdEnd, Single firstValue, Single secondValue);

}  // namespace apexer
