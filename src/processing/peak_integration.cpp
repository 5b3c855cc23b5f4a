#include "processing/peak_integration.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "automation/host_windows.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "host/channel_description.h"

namespace apexer {
namespace {

constexpr std::size_t kPeakSize = sizeof(PeakRecord);
constexpr Long kMostPeaks = std::numeric_limits<Integer>::max();

// Bounds that are not numbers, or too large for a scan, become 0: "no bound", as a missed scan does.
Long WholeBound(Single bound) { return RoundToLong(bound).value_or(0); }

}  // namespace

Integer IntegrateWholeChannel(Platform& p, RawFileRecord& rawFile, const std::string& channelDescription,
                              std::vector<PeakRecord>& peaks) {
  // A title of one NUL names no window: the integration takes the active one.
  const std::string activeWindow(1, '\0');
  const IntegrationParameters unused{};  // the stored parameters are taken instead
  Integer auxValue = 0;
  return IntegrateChromatogram(p, activeWindow, rawFile, 1, channelDescription, 0, 0, kFalse, peaks, unused, kTrue,
                               auxValue, 0);
}

Integer SelectFunction(HostLibraries& host, Integer functionNumber, RawFileRecord& raw) {
  auto header = std::make_unique<RawHeaderRecord>();  // all zero
  if (host.DmRawReadHeaderVB(raw, *header) == 0) return kFalse;
  if (functionNumber > header->FunctionCount || functionNumber <= 0) return kFalse;
  raw.FunctionNumber = functionNumber;
  return kTrue;
}

Long ScanFromTime(HostLibraries& host, Integer functionNumber, Single time, RawFileRecord& raw) {
  if (!SelectFunction(host, functionNumber, raw)) return 0;
  return host.DmRawTimeToScan(raw, time);
}

Long ScanInRange(HostLibraries& host, Integer functionNumber, Long scan, RawFileRecord& raw) {
  if (!SelectFunction(host, functionNumber, raw)) return 0;
  const Long n = host.DmRawScansInFunction(raw);
  return (scan >= 1 && scan <= n) ? scan : 0;
}

Integer IntegrateChromatogram(Platform& p, const std::string& windowTitle, RawFileRecord& raw,
                              Integer functionNumber, const std::string& channelDescription, Single rangeStart,
                              Single rangeEnd, Integer rangeInScans, std::vector<PeakRecord>& peaks,
                              const IntegrationParameters& parameters, Integer useStoredParameters,
                              Integer& auxValue, Long auxNumber) {
  HostLibraries& host = p.host;
  TraceDescriptor trace{};
  auto work = std::make_unique<IntegrationParameters>();

  Integer go = CloseChromatogramWindow(p);
  // From here to the end the host's libraries are called with no yield between them.
  BeforeHostRequest(p, kHostQuestion);

  const Hwnd window = (!windowTitle.empty() && windowTitle[0] != '\0') ? p.desktop.FindWindowA(windowTitle)
                                                                        : p.desktop.GetActiveWindow();
  if (useStoredParameters) {
    std::string set = kStoredParameterSet;
    go = host.IntegrateGetIniFile(set, *work);
  } else {
    *work = parameters;
  }

  Long firstScan = 0;
  Long lastScan = 0;
  if (!SelectFunction(host, functionNumber, raw)) {
    go = kFalse;
  } else {
    if (rangeInScans) {
      firstScan = ScanInRange(host, functionNumber, WholeBound(rangeStart), raw);
      lastScan = ScanInRange(host, functionNumber, WholeBound(rangeEnd), raw);
    } else {
      firstScan = ScanFromTime(host, functionNumber, static_cast<Single>(WholeBound(rangeStart)), raw);
      lastScan = ScanFromTime(host, functionNumber, static_cast<Single>(WholeBound(rangeEnd)), raw);
    }
    if (rangeStart == 0 || firstScan == 0) firstScan = 1;
    if (rangeEnd == 0 || lastScan == 0) lastScan = host.DmRawScansInFunction(raw);
  }

  if (ParseChannelDescription(host, channelDescription, trace) != kTrue) go = kFalse;
  if (go == 0) return 0;

  platform::GlobalHandle block = 0;
  Long count = 0;
  const auto auxInteger = static_cast<Integer>(std::clamp<Long>(auxNumber, std::numeric_limits<Integer>::min(),
                                                                std::numeric_limits<Integer>::max()));
  if (host.IntegrateChromatogramRange(window, raw, trace, block, count, auxValue, *work, firstScan, lastScan,
                                      auxInteger) == 0) {
    return 0;
  }

  // Take over every record the block really holds, up to the most a peak count can say.
  const auto* base = static_cast<const std::uint8_t*>(p.memory.GlobalLock(block));
  Long taken = 0;
  if (base != nullptr && count > 0) {
    const auto held = static_cast<Long>(std::min<std::size_t>(p.memory.GlobalSize(block) / kPeakSize,
                                                              static_cast<std::size_t>(kMostPeaks)));
    taken = std::min({count, kMostPeaks, held});
  }
  if (taken > 0) {
    peaks.assign(static_cast<std::size_t>(taken), PeakRecord{});
    PeakRecord copy{};
    for (Long i = 0; i < taken; ++i) {
      host.CopyMemVB(&copy, base + kPeakSize * static_cast<std::size_t>(i), static_cast<Long>(kPeakSize));
      peaks[static_cast<std::size_t>(i)] = copy;
    }
  }
  p.memory.GlobalUnlock(block);
  p.memory.GlobalFree(block);
  host.DmRawClose();
  return static_cast<Integer>(taken);
}

}  // namespace apexer
