// A host that reacts like the real one, in virtual time: its libraries, its windows, its dialog, its printing.
#pragma once
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "platform/host_libraries.h"
#include "shared/host_faults.h"

namespace apexer::fakes {

// The faults of shared/host_faults.def, one member each under the table's name, typed by its kind; the
// defaults play none of them.
struct HostFaults {
  using Flag = bool;
  using Number = int;                       // 0: not played
  using Count = std::optional<int>;
  using Scans = std::optional<std::vector<Single>>;
  using Mode = std::string;                 // empty: not played
  using Text = std::string;                 // empty: not played
#define HOST_FAULT(name, kind, meaning) kind name{};
#include "shared/host_faults.def"
#undef HOST_FAULT
};
// "ExitAfterCombines=4 IntegratorPeaks=0": the faults played, as a settings file would set them.
std::string FaultsText(const HostFaults& faults);

struct HostScript {
  bool hasSample = true;
  std::string fileName = "SAMPLE01";
  Long scanCount = 100;          // of every function
  Integer functionCount = 2;
  Integer headerResult = 1;      // what DmRawReadHeaderVB answers
  Integer globalFileResult = 1;  // what GetGlobalFile answers
  std::vector<Single> apexScans;  // the integrator's peaks, in its order
  std::optional<Long> reportedPeakCount;  // the count the integrator claims, when not apexScans' size
  Integer storedParametersResult = 1;
  std::set<std::string> analogTraces{"UV 254", "PRESSURE"};

  bool mainWindowOpen = true;
  bool spectrumWindowOpen = true;
  bool secondaryWindowOpen = true;
  bool chromatogramWindowOpen = false;
  // The launch command brings the kind-2 window back along with a newly opened chromatogram window, as
  // the host's default layout does, so a run meets it again at its end.
  bool peakListWithChromatogram = true;

  // Reaction times in milliseconds.
  std::int64_t openChromatogramMs = 30;
  std::int64_t openDialogMs = 20;
  std::int64_t combineMs = 50;
  std::int64_t printAppearMs = 20;
  std::int64_t printMs = 40;
  std::int64_t closeMs = 10;
  // A host that leaves closes its other windows at once and its main window this much later.
  std::int64_t exitMs = 0;

  HostFaults faults;
};

class ScriptedHost : public HostLibraries {
 public:
  ScriptedHost(World& world, FakeDesktop& desktop, FakeProfileFiles& profiles, FakeMemory& memory,
               HostScript script, std::vector<std::string>& journal);

  struct Print {
    Long command;
    std::vector<std::string> spectra;
  };
  std::vector<Print> prints;
  std::vector<std::string> combined;     // first-range texts, in order
  std::vector<std::string> spectra;      // what the spectrum window shows now
  std::string blankSeen;                 // Location/FileName/Detail of the blank record, as the host saw them
  int copyCalls = 0;
  // Told of every call of the libraries, before it acts.
  std::function<void()> onCall;
  int headerReads = 0;
  HostScript script;

  Hwnd mainWindow = 0;
  Hwnd spectrumWindow = 0;
  Hwnd secondaryWindow = 0;
  Hwnd chromatogramWindow = 0;
  Hwnd dialog = 0;

  std::string ChromatogramWindowTitle() const;
  std::string CombineDialogTitle() const;
  Long CombineCommand() const;
  // Once HostHangs has struck: the host's windows answer no message and the bridge no question.
  bool Hung() const { return hung_; }

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

 private:
  void OpenMainWindow();
  void OpenSpectrumWindow();
  void OpenSecondaryWindow();
  void OpenChromatogramWindow();
  // "Spectrum Combine" and "Printing...": the user cannot cancel the host's work by closing them.
  Hwnd OpenBusyWindow(const std::string& title);
  void OpenDialog();
  Long OnDialogOk();
  void Exit();
  void Hang();
  // The bridge's questions wait for the host; a hung one never answers them.
  void AskHost(const char* call) const;
  // The host's own later work, which a hung host never does.
  void Later(std::int64_t delayMs, std::function<void()> action);
  Hwnd AddHostWindow(const std::string& title, Hwnd owner = 0);
  void Log(const std::string& line) { journal_.push_back(line); }
  void Called() {
    if (onCall) onCall();
  }

  World& world_;
  FakeDesktop& desktop_;
  FakeProfileFiles& profiles_;
  FakeMemory& memory_;
  std::vector<std::string>& journal_;
  bool exited_ = false;
  bool hung_ = false;
  std::vector<Hwnd> made_;  // every window the host made, to stop answering in all of them
};

}  // namespace apexer::fakes
