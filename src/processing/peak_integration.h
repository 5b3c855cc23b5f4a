// Integrating one chromatogram trace of the current sample with the host's integrator.
#pragma once
#include <string>
#include <vector>

#include "platform/platform.h"

namespace apexer {

inline constexpr const char* kStoredParameterSet = "ChrIntegrate";

// The number of peaks taken over into peaks (at most 32,767), 0 on every failure.
Integer IntegrateChromatogram(platform::Platform& p, const std::string& windowTitle, RawFileRecord& raw,
                              Integer functionNumber, const std::string& channelDescription, Single rangeStart,
                              Single rangeEnd, Integer rangeInScans, std::vector<PeakRecord>& peaks,
                              const IntegrationParameters& parameters, Integer useStoredParameters,
                              Integer& auxValue, Long auxNumber);

Integer SelectFunction(HostLibraries& host, Integer functionNumber, RawFileRecord& raw);
Long ScanFromTime(HostLibraries& host, Integer functionNumber, Single time, RawFileRecord& raw);
Long ScanInRange(HostLibraries& host, Integer functionNumber, Long scan, RawFileRecord& raw);

}  // namespace apexer
