// Integrating one chromatogram trace of the current sample with the host's integrator.
#pragma once
#include <string>
#include <vector>

#include "common/platform.h"

namespace apexer {

inline constexpr const char* kStoredParameterSet = "ChrIntegrate";

// The number of peaks taken over into peaks (at most 32,767), 0 on every failure.
Integer IntegrateChromatogram(Platform& p, const std::string& windowTitle, RawFileRecord& raw,
                              Integer functionNumber, const std::string& channelDescription, Single rangeStart,
                              Single rangeEnd, Integer rangeInScans, std::vector<PeakRecord>& peaks,
                              const IntegrationParameters& parameters, Integer useStoredParameters,
                              Integer& auxValue, Long auxNumber);

// The run's integration: the whole of function 1 on the channel, with the integrator's stored parameters,
// on the calling thread's active window. The number of peaks taken over into peaks, as above.
Integer IntegrateWholeChannel(Platform& p, RawFileRecord& rawFile, const std::string& channelDescription,
                              std::vector<PeakRecord>& peaks);

Integer SelectFunction(HostLibraries& host, Integer functionNumber, RawFileRecord& raw);
Long ScanFromTime(HostLibraries& host, Integer functionNumber, Single time, RawFileRecord& raw);
Long ScanInRange(HostLibraries& host, Integer functionNumber, Long scan, RawFileRecord& raw);

}  // namespace apexer
