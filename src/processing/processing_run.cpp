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
constexpr Integer kPeakListWindow = 2;
inline constexpr const char* kDisplaySection = "SpeDisplay";
inline constexpr const char* kReplaceKey = "Replace";
inline constexpr const char* kReplaceDuringRun = "FALSE";

std::string ReplaceNotSetText() {
  return std::string("Unable to set ") + kReplaceKey + " in section " + kDisplaySection + " of " + kHostSettingsFile +
         " to " + kReplaceDuringRun;
}

// What the run changed on the host, put back on every way out of it, each once: made when the host has
// opened the sample's raw file for the run. The run's own end (an early stop included) closes the
// peak-list window first when the host was prepared for the peaks; an error or Cancel leaves the host's
// windows as they are, since that close waits without limit.
class HostChanges {
 public:
  HostChanges(Platform& p, RunRecord& record) : p_(p), record_(record) {}
  ~HostChanges() { PutBack(); }
  HostChanges(const HostChanges&) = delete;
  HostChanges& operator=(const HostChanges&) = delete;

  // "Replace" saved and set to FALSE for the peaks; the program's error when it does not read FALSE after.
  void SetReplaceForTheRun() {
    prepared_ = true;
    saved_ = ReadProfileString(p_.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
    replaceChanged_ = true;
    WriteProfileString(p_.profiles, kDisplaySection, kReplaceKey, kReplaceDuringRun, kHostSettingsFile);
    // A write that did not take (a read-only file, a folder the user may not write) would have the host
    // replace each spectrum with the next, and every page would show one where there should be six.
    if (!EqualsNoCase(ReadProfileString(p_.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile),
                      kReplaceDuringRun)) {
      RaiseAppError(kAppErrorNumber, ReplaceNotSetText());
    }
    record_.ReplaceSet(saved_);
  }

  void EndOfRun() {
    if (prepared_) CloseHostWindow(p_, kPeakListWindow);
    PutBack();
  }

 private:
  // Not held for a press (BeforeHostRequest): after Cancel its yield would raise Cancel again, and leave the
  // file open; on the run's own end the host was asked last, with no yield since, by the call before.
  void PutBack() noexcept {
    if (replaceChanged_) {
      replaceChanged_ = false;
      try {
        WriteProfileString(p_.profiles, kDisplaySection, kReplaceKey, saved_, kHostSettingsFile);
        record_.ReplaceRestored(saved_,
                                ReadProfileString(p_.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile));
      } catch (...) {
      }
    }
    if (!rawFileOpen_) return;
    rawFileOpen_ = false;
    try {
      // Prescribed although the integration closes the raw file too: one that failed returned before that.
      p_.host.DmRawClose();
    } catch (...) {
    }
  }

  Platform& p_;
  RunRecord& record_;
  std::string saved_;
  bool prepared_ = false;  // the host's windows closed and "Replace" set for the peaks
  bool replaceChanged_ = false;
  bool rawFileOpen_ = true;
};

// The sample as the record names it: the host's folder and file name.
std::string SampleName(const RawFileRecord& rawFile) {
  std::string folder = FieldText(rawFile.Spec.Location, sizeof rawFile.Spec.Location);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + FieldText(rawFile.Spec.FileName, sizeof rawFile.Spec.FileName);
}

}  // namespace

std::string ProcessingStatusText(long long position, long long count) {
  return "Processing: " + DecimalText(position) + "/" + DecimalText(count);
}

Integer RunSampleProcessing(Platform& p, RunRecord& record, const std::string& channelDescription) {
  const std::string settingsPath = ProgramSettingsPath(p.app);
  const Integer printMode = ReadProfileInt(p.profiles, "SpecPrint", "PrintMode", settingsPath);

  RawFileRecord rawFile{};
  BeforeHostRequest(p, kHostQuestion);
  const bool hasSample = p.host.GetSampleListFileVB(rawFile) != 0;
  record.Begin({channelDescription, printMode, settingsPath, hasSample ? SampleName(rawFile) : std::string()});
  if (!hasSample) {
    record.NoSample(channelDescription);
    record.Completed(0);
    return 0;
  }

  HostChanges changes(p, record);
  rawFile.Spec.ScanCount = p.host.DmRawScansInFunction(rawFile);
  std::vector<PeakRecord> peaks;
  const Integer m = IntegrateWholeChannel(p, rawFile, channelDescription, peaks);
  // Every peak counted was taken over: the loop below reads peaks up to m - 1.
  assert(m <= 0 || static_cast<std::size_t>(m) == peaks.size());
  record.Started(SampleName(rawFile), channelDescription, m);
  if (m <= 0) {
    changes.EndOfRun();
    record.Completed(m);
    return m;
  }

  const Integer first = 0;
  const auto last = static_cast<Integer>(m - 1);
  CloseHostWindow(p, kSpectrumWindow);
  CloseHostWindow(p, kPeakListWindow);
  changes.SetReplaceForTheRun();

  int batch = 0;  // spectra combined since the last print
  for (Integer i = first; i <= last; ++i) {
    const Long position = i - first + 1;
    p.status.SetStatusText(ProcessingStatusText(position, m));
    // An apex that is not a number, or too large for any scan, is refused like a scan outside the sample.
    const Single apexScan = peaks[static_cast<std::size_t>(i)].ApexScan;
    const auto apex = RoundToLong(apexScan);
    const CombineOutcome combined = apex ? CombineAroundScan(p, *apex, rawFile) : CombineOutcome{Refusal::NoScanNumber};
    if (!combined.Combined()) {
      changes.EndOfRun();
      record.Stopped(position, m, i, apexScan, combined);
      return i;
    }
    record.Peak(position, m, apexScan, combined);
    ++batch;
    if (batch == kSpectraPerPrint || i == last) {
      // Recorded once asked, before the wait: a Cancel while the host prints leaves the page in the record.
      const PageRequest asked = AskForPage(p, printMode);
      record.Printed(printMode, position - batch + 1, position, asked);
      if (asked != PageRequest::NoSpectrumWindow) WaitForPrinting(p);
      CloseHostWindow(p, kSpectrumWindow);
      batch = 0;
    }
  }
  changes.EndOfRun();
  record.Completed(m);
  return m;
}

}  // namespace apexer
