#include "processing/processing_run.h"

#include <cassert>
#include <vector>

#include "automation/host_windows.h"
#include "common/errors.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "processing/combine_spectrum.h"
#include "processing/peak_integration.h"
#include "settings/profile_settings.h"
#include "settings/settings_paths.h"

namespace apexer {
namespace {

constexpr Integer kSpectrumWindow = 1;
constexpr Integer kSecondaryWindow = 2;
inline constexpr const char* kDisplaySection = "SpeDisplay";
inline constexpr const char* kReplaceKey = "Replace";
inline constexpr const char* kReplaceDuringRun = "FALSE";

// What the run changed on the host, put back when the run is left by an error or by Cancel.
struct HostChanges {
  bool replaceChanged = false;
  std::string savedReplace;

  void RestoreAfterAbort(platform::Platform& p) const noexcept {
    try {
      if (replaceChanged) {
        WriteProfileString(p.profiles, kDisplaySection, kReplaceKey, savedReplace, kHostSettingsFile);
        p.record.ReplaceRestored(savedReplace);
      }
    } catch (...) {
    }
    // Not held for a press (BeforeHostRequest): its yield would raise Cancel again, and the file stay open.
    try {
      p.host.DmRawClose();
    } catch (...) {
    }
  }
};

std::string ReplaceNotSetText() {
  return std::string("Unable to set ") + kReplaceKey + " in section " + kDisplaySection + " of " + kHostSettingsFile +
         " to " + kReplaceDuringRun;
}

// The sample as the record names it: the host's folder and file name.
std::string SampleName(const RawFileRecord& record) {
  std::string folder = FieldText(record.Spec.Location, sizeof record.Spec.Location);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + FieldText(record.Spec.FileName, sizeof record.Spec.FileName);
}

}  // namespace

std::string ProcessingStatusText(long long position, long long count) {
  return "Processing: " + DecimalText(position) + "/" + DecimalText(count);
}

Integer RunSampleProcessing(platform::Platform& p, const std::string& channelDescription) {
  const std::string settingsPath = ProgramSettingsPath(p.app);
  const Integer printMode = ReadProfileInt(p.profiles, "SpecPrint", "PrintMode", settingsPath);

  RawFileRecord record{};
  BeforeHostRequest(p);
  if (p.host.GetSampleListFileVB(record) == 0) {
    p.record.NoSample(channelDescription);
    p.record.Completed(0);
    return 0;
  }

  HostChanges changes;
  try {
    record.Spec.ScanCount = p.host.DmRawScansInFunction(record);

    std::vector<PeakRecord> peaks;
    IntegrationParameters parameters{};
    Integer auxValue = 0;
    const Integer m = IntegrateChromatogram(p, std::string(1, '\0'), record, 1, channelDescription, 0, 0, kFalse,
                                            peaks, parameters, kTrue, auxValue, 0);
    // Every peak counted was taken over: the loop below reads peaks up to m - 1.
    assert(m <= 0 || static_cast<std::size_t>(m) == peaks.size());
    p.record.Started(SampleName(record), channelDescription, m);
    if (m <= 0) {
      p.host.DmRawClose();
      p.record.Completed(m);
      return m;
    }

    const Integer lb = 0;
    const auto ub = static_cast<Integer>(m - 1);
    int batch = 0;

    CloseHostWindow(p, kSpectrumWindow);
    CloseHostWindow(p, kSecondaryWindow);
    changes.savedReplace = ReadProfileString(p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
    changes.replaceChanged = true;
    WriteProfileString(p.profiles, kDisplaySection, kReplaceKey, kReplaceDuringRun, kHostSettingsFile);
    // A write that did not take (a read-only file, a folder the user may not write) would have the host
    // replace each spectrum with the next, and every page would show one where there should be six.
    if (!EqualsNoCase(ReadProfileString(p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile),
                      kReplaceDuringRun)) {
      RaiseAppError(kAppErrorNumber, ReplaceNotSetText());
    }
    p.record.ReplaceSet(changes.savedReplace);

    Integer result = m;
    bool stopped = false;
    for (Integer i = lb; i <= ub; ++i) {
      p.status.SetStatusText(ProcessingStatusText(i - lb + 1, m));
      // An apex that is not a number, or too large for any scan, is refused like a scan outside the sample.
      const Single apexScan = peaks[static_cast<std::size_t>(i)].ApexScan;
      const auto apex = RoundToLong(apexScan);
      if (!apex) p.record.Refused("apex " + GeneralNumberText(apexScan) + " is no scan number");
      if (!apex || CombineAtScan(p, *apex, record) == 0) {
        result = i;
        stopped = true;
        break;
      }
      p.record.Peak(i - lb + 1, m, apexScan);
      ++batch;
      if (batch == kSpectraPerPrint || i == ub) {
        PrintSpectra(p, printMode);
        p.record.Printed(printMode);
        CloseHostWindow(p, kSpectrumWindow);
        batch = 0;
      }
    }

    CloseHostWindow(p, kSecondaryWindow);
    WriteProfileString(p.profiles, kDisplaySection, kReplaceKey, changes.savedReplace, kHostSettingsFile);
    changes.replaceChanged = false;
    p.record.ReplaceRestored(changes.savedReplace);
    p.host.DmRawClose();
    if (stopped) {
      p.record.Stopped(result - lb + 1, m, result);
    } else {
      p.record.Completed(result);
    }
    return result;
  } catch (...) {
    changes.RestoreAfterAbort(p);
    throw;
  }
}

}  // namespace apexer
