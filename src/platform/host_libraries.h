// The three host libraries as the program sees them: the bridge, the raw-data library, the integrator.
#pragma once
#include <string>

#include "platform/host_records.h"
#include "platform/global_memory.h"

namespace apexer {

// Texts go to the host as ANSI strings it may change in place; the changes come back in the string.
class HostLibraries {
 public:
  virtual ~HostLibraries() = default;

  // Iv_vb32.dll
  virtual Long GetSampleListFileVB(RawFileRecord& record) = 0;
  virtual Long GetApplicationWnd(Integer kind) = 0;
  virtual Integer GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                                FileSpecRecord& result) = 0;
  virtual Long IonvaneCommand(std::string& command, Long number) = 0;
  virtual Long CopyMemVB(void* destination, const void* source, Long byteCount) = 0;

  // ivraw32.dll
  virtual Integer DmRawReadHeaderVB(RawFileRecord& record, RawHeaderRecord& header) = 0;
  virtual Long DmRawScansInFunction(RawFileRecord& record) = 0;
  virtual Long DmRawTimeToScan(RawFileRecord& record, Single time) = 0;
  virtual Integer DmRawIsAnalogTraceDesc(std::string& description) = 0;
  virtual Integer DmRawStrToMass(std::string& description, void* masses, Integer capacity,
                                 Long& count) = 0;
  virtual void DmRawClose() = 0;

  // ivpeak32.dll
  virtual Integer IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) = 0;
  virtual Integer IntegrateChromatogramRange(Hwnd window, RawFileRecord& record, TraceDescriptor& trace,
                                             platform::GlobalHandle& block, Long& peakCount,
                                             Integer& auxValue, IntegrationParameters& parameters,
                                             Long firstScan, Long lastScan, Integer auxNumber) = 0;
};

}  // namespace apexer
