// The host's three libraries, loaded and bound when the program first calls into each of them.
#pragma once
#include <memory>
#include <string>

#include "platform/host_libraries.h"
#include "win32/win32_call_counts.h"
#include "win32/win32_scoped.h"

namespace apexer::win32 {

// Run-time error numbers the classic runtime gives a Declare whose library or entry point is missing.
constexpr Long kErrorLoadingDll = 48;
constexpr Long kEntryPointNotFound = 453;

class Win32HostLibraries : public HostLibraries {
 public:
  // The calls are counted in the measuring build.
  explicit Win32HostLibraries(CallCounts& calls);
  ~Win32HostLibraries() override;
  Win32HostLibraries(const Win32HostLibraries&) = delete;
  Win32HostLibraries& operator=(const Win32HostLibraries&) = delete;

  Long GetSampleListFileVB(RawFileRecord& record) override;
  Long GetApplicationWnd(Integer kind) override;
  Integer GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                        FileSpecRecord& result) override;
  Long IonvaneCommand(std::string& command, Long number) override;
  Long CopyMemVB(void* destination, const void* source, Long byteCount) override;

  Integer DmRawReadHeaderVB(RawFileRecord& record, RawHeaderRecord& header) override;
  Long DmRawScansInFunction(RawFileRecord& record) override;
  Long DmRawTimeToScan(RawFileRecord& record, Single time) override;
  Integer DmRawIsAnalogTraceDesc(std::string& description) override;
  Integer DmRawStrToMass(std::string& description, void* masses, Integer capacity, Long& count) override;
  void DmRawClose() override;

  Integer IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) override;
  Integer IntegrateChromatogramRange(Hwnd window, RawFileRecord& record, TraceDescriptor& trace,
                                     platform::GlobalHandle& block, Long& peakCount, Integer& auxValue,
                                     IntegrationParameters& parameters, Long firstScan, Long lastScan,
                                     Integer auxNumber) override;

  // Loads one library and binds every entry point now, as the program's first call into it does: 0 the
  // bridge, 1 the raw-data library, 2 the integrator. Throws the error the program would report.
  void Bind(int library);

  struct Bridge;
  struct Raw;
  struct Peak;

 private:
  const Bridge& BridgeLib();
  const Raw& RawLib();
  const Peak& PeakLib();

  CallCounts& calls_;
  // Loaded at the first call into each; kept, even when an entry point is missing, while this object lives.
  ScopedLibrary bridgeModule_{nullptr};
  ScopedLibrary rawModule_{nullptr};
  ScopedLibrary peakModule_{nullptr};
  std::unique_ptr<Bridge> bridge_;
  std::unique_ptr<Raw> raw_;
  std::unique_ptr<Peak> peak_;
};

}  // namespace apexer::win32
