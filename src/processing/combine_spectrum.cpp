#include "processing/combine_spectrum.h"

#include "automation/host_windows.h"
#include "automation/window_lookup.h"
#include "common/errors.h"
#include "common/message_loop.h"
#include "common/text.h"

namespace apexer {

LastErrorRecord LastError;

std::string ScanRangeText(Long start, Long end) {
  if (start < 1) return {};
  if (end < 1) return DecimalText(start);
  return DecimalText(start) + ":" + DecimalText(end);
}

Long CombineAtScan(platform::Platform& p, Long scan, const RawFileRecord& record) {
  const Long n = record.Spec.ScanCount;
  if (scan < 1 || scan > n) return 0;
  const Long low = scan - 1 < 1 ? 1 : scan - 1;
  const Long high = scan + 1 > n ? n : scan + 1;
  CombineSpectrum(p, low, high, 0, 0, 0, 0, 1.0f, 1.0f);
  return scan;
}

void CombineSpectrum(platform::Platform& p, Long firstStart, Long firstEnd, Long secondStart, Long secondEnd,
                     Long thirdStart, Long thirdEnd, Single firstValue, Single secondValue) {
  if (firstStart < 1) return;
  const std::string first = ScanRangeText(firstStart, firstEnd);
  const std::string second = ScanRangeText(secondStart, secondEnd);
  const std::string third = ScanRangeText(thirdStart, thirdEnd);
  const std::string further = (!second.empty() && !third.empty()) ? second + "," + third : second + third;

  const Hwnd chromatogram = OpenChromatogramWindow(p);
  if (chromatogram == 0) return;
  const Hwnd dialog =
      OpenDialogByCommand(p, chromatogram, kOpenCombineDialogCommand, kCombineDialogTitle, kCombineDialogLimit, kFalse);
  if (dialog == 0) RaiseAppError(kAppErrorNumber, kCombineDialogMissing);

  SetControlText(p, WaitForDialogItem(p, dialog, kFirstRangeControl), TrimSpaces(first));
  SetControlText(p, WaitForDialogItem(p, dialog, kFurtherRangesControl), TrimSpaces(further));
  SetControlText(p, WaitForDialogItem(p, dialog, kFirstValueControl), GeneralNumberText(firstValue));
  SetControlText(p, WaitForDialogItem(p, dialog, kSecondValueControl), GeneralNumberText(secondValue));
  SendWindowMessage(p, dialog, platform::kWmCommand, kOkCommand, 0);
  YieldToMessageLoop(p);
  WaitUntilWindowGone(p, kCombiningWindowTitle);
}

void RaiseAppError(Integer number, const std::string& description) {
  LastError.Number = number;
  LastError.Description = description;
  throw AppError(number, description);
}

}  // namespace apexer
