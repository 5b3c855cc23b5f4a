// The host as the program relies on it: which command makes which window appear or go and with what
// title, when "Replace" is read, the "Printing..." window, how WM_CLOSE is answered, and what the libraries
// answer for a missing sample, no peaks and a negative count.
#include <memory>
#include <string>

#include "conformance/conformance.h"
#include "host/current_file.h"

namespace apexer::conformance {
namespace {

constexpr int kHostReactsMs = 5000;
constexpr int kCloseIgnoredMs = 150;

class HostCases {
 public:
  HostCases(HostWorld& world, Failures& failures)
      : w_(world), f_(failures), h_(world.Host()), d_(world.Desk()) {}

  void WithoutSample() {
    RawFileRecord raw{};
    f_.Equal("no sample: GetSampleListFileVB answers 0", h_.GetSampleListFileVB(raw), 0);
    FileSpecRecord blank = BlankFileSpecRecord();
    FileSpecRecord spec{};
    std::string list = "SystemList";
    std::string type = "RAW";
    f_.True("no sample: GetGlobalFile does not answer 1", h_.GetGlobalFile(list, type, blank, spec) != 1);
    f_.True("no sample: the main window is kind 0", h_.GetApplicationWnd(0) != 0);
  }

  // Fills raw and returns the scan count of function 1.
  Long Sample(RawFileRecord& raw) {
    f_.True("GetSampleListFileVB answers non-zero with a sample", h_.GetSampleListFileVB(raw) != 0);
    name_ = GetCurrentRawFileName(h_, "RAW");
    f_.True("GetGlobalFile names the current file", !name_.empty());
    const Long scans = h_.DmRawScansInFunction(raw);
    f_.True("DmRawScansInFunction gives the scans of the sample", scans >= 20);
    f_.True("at start the main window is kind 0", h_.GetApplicationWnd(0) != 0);
    f_.Equal("at start there is no window of kind 1", h_.GetApplicationWnd(1), 0);
    f_.Equal("at start there is no window of kind 2", h_.GetApplicationWnd(2), 0);
    return scans;
  }

  void NoPeaksAndNegativeCounts(RawFileRecord& raw, Long scans) {
    auto header = std::make_unique<RawHeaderRecord>();
    f_.True("DmRawReadHeaderVB answers non-zero", h_.DmRawReadHeaderVB(raw, *header) != 0);
    raw.FunctionNumber = 1;
    IntegrationParameters parameters{};
    std::string set = "ChrIntegrate";
    f_.True("IntegrateGetIniFile answers non-zero", h_.IntegrateGetIniFile(set, parameters) != 0);
    TraceDescriptor tic{};
    platform::GlobalHandle block = 0;
    Long count = -1;
    Integer aux = 0;
    f_.True("no peaks: IntegrateChromatogramRange answers non-zero",
            h_.IntegrateChromatogramRange(0, raw, tic, block, count, aux, parameters, 1, scans, 0) != 0);
    f_.Equal("no peaks: the count is 0", count, 0);
    f_.True("no peaks: the peak block can be locked", w_.Memory().GlobalLock(block) != nullptr);
    w_.Memory().GlobalUnlock(block);
    f_.Equal("no peaks: the peak block is freed", w_.Memory().GlobalFree(block), 0);
    // Asked while the raw file is open, as the program asks: only the sample's own traces count.
    std::string nonsense = "NO SUCH CHANNEL";
    f_.Equal("DmRawIsAnalogTraceDesc of no trace of the sample answers 0", h_.DmRawIsAnalogTraceDesc(nonsense), 0);
    h_.DmRawClose();

    char destination[8] = "keep";
    const char source[8] = "copied";
    f_.Equal("CopyMemVB refuses a negative count", h_.CopyMemVB(destination, source, -4), 0);
    f_.Equal("CopyMemVB with a negative count copies nothing", std::string(destination), std::string("keep"));
    float masses[40] = {};
    Long found = 0;
    std::string mass = "301.1";
    f_.True("DmRawStrToMass of a mass answers above 0", h_.DmRawStrToMass(mass, masses, 33, found) > 0);
    f_.True("DmRawStrToMass of no mass list answers 0 or less", h_.DmRawStrToMass(nonsense, masses, 33, found) <= 0);
  }

  // The launch command, command 354 and the dialog; returns the chromatogram window.
  Hwnd OpenChromatogramAndDialog() {
    std::string launch = "app.launch[default:Chro]()";
    f_.True("the launch command is accepted", h_.IonvaneCommand(launch, 5000) != 0);
    const std::string title = "Chromatogram - [" + name_ + "]";
    Hwnd chromatogram = 0;
    f_.True("the launch command opens \"" + title + "\"",
            w_.Until([&] { return (chromatogram = d_.FindWindowA(title)) != 0; }, kHostReactsMs));
    f_.True("the launch command brings the kind-2 window along",
            w_.Until([&] { return h_.GetApplicationWnd(2) != 0; }, kHostReactsMs));
    f_.True("WM_COMMAND 354 is posted to the chromatogram window",
            d_.PostMessageA(chromatogram, platform::kWmCommand, 354, 0) != 0);
    Hwnd dialog = 0;
    f_.True("command 354 opens \"Combine Spectrum\"",
            w_.Until([&] { return (dialog = d_.FindWindowA("Combine Spectrum")) != 0; }, kHostReactsMs));
    f_.Equal("the dialog is owned by the chromatogram window", d_.GetParent(dialog), chromatogram);
    for (Long id : {308, 310, 369, 176}) {
      // The dialog may be found by its title before its controls exist: the program waits for each.
      f_.True("the dialog has control " + std::to_string(id),
              w_.Until([&] { return d_.GetDlgItem(dialog, id) != 0; }, kHostReactsMs));
    }
    return chromatogram;
  }

  // One combine as the program drives it, with "Replace" set to replaceAtOk before OK and to
  // replaceAtEnd while "Spectrum Combine" shows.
  void Combine(Hwnd chromatogram, const std::string& range, const std::string& replaceAtOk,
               const std::string& replaceAtEnd, bool closeTheBusyWindow = false) {
    if (d_.FindWindowA("Combine Spectrum") == 0) d_.PostMessageA(chromatogram, platform::kWmCommand, 354, 0);
    Hwnd dialog = 0;
    w_.Until([&] { return (dialog = d_.FindWindowA("Combine Spectrum")) != 0; }, kHostReactsMs);
    const std::pair<Long, std::string> fields[] = {{308, range}, {310, ""}, {369, "1"}, {176, "1"}};
    bool filled = true;
    for (const auto& [id, text] : fields) {
      Hwnd control = 0;
      w_.Until([&] { return (control = d_.GetDlgItem(dialog, id)) != 0; }, kHostReactsMs);
      const bool set = d_.SendMessageA(control, platform::kWmSetText, 0, text) != 0;
      f_.True("WM_SETTEXT to control " + std::to_string(id) + " answers non-zero", set);
      filled = filled && set;
    }
    if (!filled) {  // OK would only meet the host's complaint about its fields
      d_.PostMessageA(dialog, platform::kWmClose, 0, 0);
      return;
    }
    w_.SetReplace(replaceAtOk);
    d_.SendMessageA(dialog, platform::kWmCommand, 1, 0);
    f_.True("the dialog is gone when OK returns", !d_.IsWindow(dialog));
    const Hwnd busy = d_.FindWindowA("Spectrum Combine");
    f_.True("\"Spectrum Combine\" is there when OK returns", busy != 0);
    w_.SetReplace(replaceAtEnd);
    if (closeTheBusyWindow) {
      d_.PostMessageA(busy, platform::kWmClose, 0, 0);
      w_.Until([] { return false; }, kCloseIgnoredMs);
      f_.True("WM_CLOSE to \"Spectrum Combine\" is ignored", d_.IsWindow(busy));
    }
    f_.True("\"Spectrum Combine\" goes on its own",
            w_.Until([&] { return d_.FindWindowA("Spectrum Combine") == 0; }, kHostReactsMs));
  }

  void CombinePrintClose(Hwnd chromatogram) {
    Combine(chromatogram, "10:12", "FALSE", "FALSE", true);
    f_.True("a combine opens the spectrum window as kind 1", h_.GetApplicationWnd(1) != 0);
    f_.Equal("the first spectrum is shown", w_.SpectraShown(), 1);
    Combine(chromatogram, "14:16", "FALSE", "FALSE");
    f_.Equal("with Replace FALSE a spectrum is added", w_.SpectraShown(), 2);
    Combine(chromatogram, "14:16", "FALSE", "TRUE");
    f_.Equal("Replace is read when the combine ends: TRUE then replaces", w_.SpectraShown(), 1);
    Combine(chromatogram, "17:19", "TRUE", "false");
    f_.Equal("Replace is compared ignoring case", w_.SpectraShown(), 2);

    const Hwnd spectrum = static_cast<Hwnd>(h_.GetApplicationWnd(1));
    for (Long command : {341, 342}) {
      const std::string what = "command " + std::to_string(command);
      d_.PostMessageA(spectrum, platform::kWmCommand, command, 0);
      Hwnd printing = 0;
      f_.True(what + " shows \"Printing...\"",
              w_.Until([&] { return (printing = d_.FindWindowA("Printing...")) != 0; }, kHostReactsMs));
      d_.PostMessageA(printing, platform::kWmClose, 0, 0);
      w_.Until([] { return false; }, kCloseIgnoredMs);
      f_.True(what + ": WM_CLOSE to \"Printing...\" is ignored", d_.IsWindow(printing));
      f_.True(what + ": \"Printing...\" goes on its own",
              w_.Until([&] { return d_.FindWindowA("Printing...") == 0; }, 2 * kHostReactsMs));
      f_.Equal(what + " prints what the spectrum window shows", w_.SpectraPrinted(), 2);
    }

    CloseKind(1, "the spectrum window");
    Combine(chromatogram, "20:22", "FALSE", "FALSE");
    f_.Equal("a closed spectrum window forgot its spectra", w_.SpectraShown(), 1);
    CloseKind(1, "the spectrum window");
    CloseKind(2, "the kind-2 window");
    const std::string title = "Chromatogram - [" + name_ + "]";
    f_.True("WM_CLOSE to the chromatogram window is accepted",
            d_.PostMessageA(chromatogram, platform::kWmClose, 0, 0) != 0);
    f_.True("WM_CLOSE closes the chromatogram window",
            w_.Until([&] { return d_.FindWindowA(title) == 0; }, kHostReactsMs));
  }

 private:
  void CloseKind(Integer kind, const std::string& what) {
    const auto window = static_cast<Hwnd>(h_.GetApplicationWnd(kind));
    f_.True("WM_CLOSE to " + what + " is accepted", d_.PostMessageA(window, platform::kWmClose, 0, 0) != 0);
    f_.True("WM_CLOSE closes " + what + ": kind " + std::to_string(kind) + " reports 0",
            w_.Until([&] { return h_.GetApplicationWnd(kind) == 0; }, kHostReactsMs));
  }

  HostWorld& w_;
  Failures& f_;
  HostLibraries& h_;
  platform::Desktop& d_;
  std::string name_;
};

}  // namespace

void RunHostCases(HostWorld& world, Failures& failures) {
  if (!world.StartHost(false, 0)) {
    failures.True("the host starts without a sample", false);
    return;
  }
  HostCases(world, failures).WithoutSample();
  world.StopHost();

  if (!world.StartHost(true, 0)) {
    failures.True("the host starts with a sample", false);
    return;
  }
  HostCases cases(world, failures);
  RawFileRecord raw{};
  const Long scans = cases.Sample(raw);
  cases.NoPeaksAndNegativeCounts(raw, scans);
  cases.CombinePrintClose(cases.OpenChromatogramAndDialog());
  world.StopHost();
}

}  // namespace apexer::conformance
