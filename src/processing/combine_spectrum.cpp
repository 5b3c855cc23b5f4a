#include "processing/combine_spectrum.h"

#include <utility>

#include "automation/host_windows.h"
#include "automation/window_lookup.h"
#include "common/errors.h"
#include "common/message_loop.h"
#include "common/text.h"

namespace apexer {
namespace {

std::string MissingFieldText(Long controlId) {
  return "Unable to find field " + DecimalText(controlId) + " of the Combine Spectrum dialogue box";
}

// CombineSpectrum, saying what stood in its way when it did nothing. No first range means nothing of the
// sample to combine.
Refusal CombineRanges(Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd, Long thirdStart,
                      Long thirdEnd, Single firstValue, Single secondValue) {
  if (firstStart < 1) return Refusal::OutsideSample;
  const std::string first = ScanRangeText(firstStart, firstEnd);
  const std::string second = ScanRangeText(secondStart, secondEnd);
  const std::string third = ScanRangeText(thirdStart, thirdEnd);
  const std::string further = (!second.empty() && !third.empty()) ? second + "," + third : second + third;

  const ChromatogramWindow chromatogram = OpenChromatogram(p);
  if (chromatogram.window == 0) return chromatogram.hostGone ? Refusal::HostGone : Refusal::NoChromatogramWindow;
  const Hwnd dialog = OpenDialogByCommand(p, chromatogram.window, kOpenCombineDialogCommand, kCombineDialogTitle,
                                          kCombineDialogLimit, kFalse);
  if (dialog == 0) RaiseAppError(kAppErrorNumber, kCombineDialogMissing);

  const std::pair<Long, std::string> fields[] = {
      {kFirstRangeControl, TrimSpaces(first)},
      {kFurtherRangesControl, TrimSpaces(further)},
      {kFirstValueControl, GeneralNumberText(firstValue)},
      {kSecondValueControl, GeneralNumberText(secondValue)},
  };
  for (const auto& [id, text] : fields) {
    const Hwnd control = WaitForDialogItem(p, dialog, id);
    if (control == 0) {
      // OK on a half-filled dialog would combine whatever the missing field held: close it unconfirmed.
      PostWindowMessage(p, dialog, platform::kWmClose, 0, 0);
      WaitUntilWindowClosed(p, dialog, kCombineDialogLimit);
      RaiseAppError(kAppErrorNumber, MissingFieldText(id));
    }
    SetControlText(p, control, text);
  }
  SendWindowMessage(p, dialog, platform::kWmCommand, kOkCommand, 0);
  YieldToMessageLoop(p);
  WaitUntilWindowGone(p, kCombiningWindowTitle);
  return Refusal::None;
}

}  // namespace

std::string ScanRangeText(Long start, Long end) {
  if (start < 1) return {};
  if (end < 1) return DecimalText(start);
  return DecimalText(start) + ":" + DecimalText(end);
}

CombineOutcome CombineAroundScan(Platform& p, Long scan, const RawFileRecord& rawFile) {
  CombineOutcome out;
  out.scan = scan;
  out.scanCount = rawFile.Spec.ScanCount;
  const Long n = out.scanCount;
  if (scan < 1 || scan > n) {
    out.refusal = Refusal::OutsideSample;
    return out;
  }
  const Long low = scan - 1 < 1 ? 1 : scan - 1;
  const Long high = scan + 1 > n ? n : scan + 1;
  out.refusal = CombineRanges(p, low, high, 0, 0, 0, 0, 1.0f, 1.0f);
  if (out.Combined()) {
    out.first = low;
    out.last = high;
  }
  return out;
}

Long CombineAtScan(Platform& p, Long scan, const RawFileRecord& rawFile) {
  return CombineAroundScan(p, scan, rawFile).Combined() ? scan : 0;
}

Integer CombineSpectrum(Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd, Long thirdStart,
                        Long thirdEnd, Single firstValue, Single secondValue) {
  return CombineRanges(p, firstStart, firstEnd, secondStart, secondEnd, thirdStart, thirdEnd, firstValue,
                       secondValue) == Refusal::None
             ? kTrue
             : kFalse;
}

}  // namespace apexer
