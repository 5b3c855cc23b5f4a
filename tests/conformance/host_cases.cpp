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

// A host on its sample, as each row after the first starts it.
class Host {
 public:
  explicit Host(HostWorld& world, int peaks = 0) : w_(world) {
    started_ = world.StartHost(true, peaks);
    if (!started_) return;
    RawFileRecord raw{};
    world.Host().GetSampleListFileVB(raw);
    name_ = GetCurrentRawFileName(world.Host(), "RAW");
  }
  bool Started() const { return started_; }
  HostLibraries& Libraries() { return w_.Host(); }
  platform::Desktop& Desk() { return w_.Desk(); }
  std::string ChromatogramTitle() const { return "Chromatogram - [" + name_ + "]"; }
  const std::string& Name() const { return name_; }

  // The launch command; the chromatogram window, 0 when it did not come.
  Hwnd OpenChromatogram() {
    std::string launch = "app.launch[default:Chro]()";
    EXPECT_NE(Libraries().IonvaneCommand(launch, 5000), 0) << "the launch command is accepted";
    Hwnd chromatogram = 0;
    EXPECT_TRUE(w_.Until([&] { return (chromatogram = Desk().FindWindowA(ChromatogramTitle())) != 0; },
                         kHostReactsMs))
        << "the launch command opens \"" << ChromatogramTitle() << "\"";
    return chromatogram;
  }

  // Command 354 to the chromatogram window; the dialog, 0 when it did not come.
  Hwnd OpenDialog(Hwnd chromatogram) {
    EXPECT_NE(Desk().PostMessageA(chromatogram, platform::kWmCommand, 354, 0), 0)
        << "WM_COMMAND 354 is posted to the chromatogram window";
    Hwnd dialog = 0;
    EXPECT_TRUE(w_.Until([&] { return (dialog = Desk().FindWindowA("Combine Spectrum")) != 0; }, kHostReactsMs))
        << "command 354 opens \"Combine Spectrum\"";
    return dialog;
  }

  // One combine as the program drives it, with "Replace" set to replaceAtOk before OK and to replaceAtEnd
  // while "Spectrum Combine" shows; the busy window, 0 when there was none.
  Hwnd Combine(Hwnd chromatogram, const std::string& range, const std::string& replaceAtOk,
               const std::string& replaceAtEnd) {
    if (Desk().FindWindowA("Combine Spectrum") == 0) Desk().PostMessageA(chromatogram, platform::kWmCommand, 354, 0);
    Hwnd dialog = 0;
    w_.Until([&] { return (dialog = Desk().FindWindowA("Combine Spectrum")) != 0; }, kHostReactsMs);
    const std::pair<Long, std::string> fields[] = {{308, range}, {310, ""}, {369, "1"}, {176, "1"}};
    bool filled = true;
    for (const auto& [id, text] : fields) {
      Hwnd control = 0;
      w_.Until([&] { return (control = Desk().GetDlgItem(dialog, id)) != 0; }, kHostReactsMs);
      const bool set = Desk().SendMessageA(control, platform::kWmSetText, 0, text) != 0;
      EXPECT_TRUE(set) << "WM_SETTEXT to control " << id << " answers non-zero";
      filled = filled && set;
    }
    if (!filled) {  // OK would only meet the host's complaint about its fields
      Desk().PostMessageA(dialog, platform::kWmClose, 0, 0);
      return 0;
    }
    w_.SetReplace(replaceAtOk);
    Desk().SendMessageA(dialog, platform::kWmCommand, 1, 0);
    EXPECT_FALSE(Desk().IsWindow(dialog)) << "the dialog is gone when OK returns";
    const Hwnd busy = Desk().FindWindowA("Spectrum Combine");
    EXPECT_NE(busy, Hwnd{0}) << "\"Spectrum Combine\" is there when OK returns";
    w_.SetReplace(replaceAtEnd);
    return busy;
  }
  void WaitForTheCombine() {
    EXPECT_TRUE(w_.Until([&] { return Desk().FindWindowA("Spectrum Combine") == 0; }, kHostReactsMs))
        << "\"Spectrum Combine\" goes on its own";
  }
  void CombineWith(Hwnd chromatogram, const std::string& range, const std::string& replaceAtOk,
                   const std::string& replaceAtEnd) {
    Combine(chromatogram, range, replaceAtOk, replaceAtEnd);
    WaitForTheCombine();
  }

  void CloseKind(Integer kind, const std::string& what) {
    const auto window = static_cast<Hwnd>(Libraries().GetApplicationWnd(kind));
    EXPECT_NE(Desk().PostMessageA(window, platform::kWmClose, 0, 0), 0) << "WM_CLOSE to " << what << " is accepted";
    EXPECT_TRUE(w_.Until([&] { return Libraries().GetApplicationWnd(kind) == 0; }, kHostReactsMs))
        << "WM_CLOSE closes " << what << ": kind " << kind << " reports 0";
  }

  // Posts WM_CLOSE to a window that must ignore it; whether it is still there a while later.
  bool IgnoresWmClose(Hwnd window) {
    Desk().PostMessageA(window, platform::kWmClose, 0, 0);
    w_.Until([] { return false; }, kCloseIgnoredMs);
    return Desk().IsWindow(window);
  }

 private:
  HostWorld& w_;
  bool started_ = false;
  std::string name_;
};

void WithoutASampleNoFileIsNamed(HostWorld& world) {
  ASSERT_TRUE(world.StartHost(false, 0)) << "the host starts without a sample";
  HostLibraries& h = world.Host();
  RawFileRecord raw{};
  EXPECT_EQ(h.GetSampleListFileVB(raw), 0) << "GetSampleListFileVB answers 0";
  FileSpecRecord blank = BlankFileSpecRecord();
  FileSpecRecord spec{};
  std::string list = "SystemList";
  std::string type = "RAW";
  EXPECT_NE(h.GetGlobalFile(list, type, blank, spec), 1) << "GetGlobalFile does not answer 1";
  EXPECT_NE(h.GetApplicationWnd(0), 0) << "the main window is kind 0";
}

void TheSampleIsNamedAndCounted(HostWorld& world) {
  ASSERT_TRUE(world.StartHost(true, 0)) << "the host starts with a sample";
  HostLibraries& h = world.Host();
  RawFileRecord raw{};
  EXPECT_NE(h.GetSampleListFileVB(raw), 0) << "GetSampleListFileVB answers non-zero with a sample";
  EXPECT_FALSE(GetCurrentRawFileName(h, "RAW").empty()) << "GetGlobalFile names the current file";
  EXPECT_GE(h.DmRawScansInFunction(raw), 20) << "DmRawScansInFunction gives the scans of the sample";
  EXPECT_NE(h.GetApplicationWnd(0), 0) << "at start the main window is kind 0";
  EXPECT_EQ(h.GetApplicationWnd(1), 0) << "at start there is no window of kind 1";
  EXPECT_EQ(h.GetApplicationWnd(2), 0) << "at start there is no window of kind 2";
}

void NoPeaksGiveALockableEmptyBlock(HostWorld& world) {
  Host host(world, 0);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  HostLibraries& h = host.Libraries();
  RawFileRecord raw{};
  h.GetSampleListFileVB(raw);
  const Long scans = h.DmRawScansInFunction(raw);
  auto header = std::make_unique<RawHeaderRecord>();
  EXPECT_NE(h.DmRawReadHeaderVB(raw, *header), 0) << "DmRawReadHeaderVB answers non-zero";
  raw.FunctionNumber = 1;
  IntegrationParameters parameters{};
  std::string set = "ChrIntegrate";
  EXPECT_NE(h.IntegrateGetIniFile(set, parameters), 0) << "IntegrateGetIniFile answers non-zero";
  TraceDescriptor tic{};
  platform::GlobalHandle block = 0;
  Long count = -1;
  Integer aux = 0;
  EXPECT_NE(h.IntegrateChromatogramRange(0, raw, tic, block, count, aux, parameters, 1, scans, 0), 0)
      << "IntegrateChromatogramRange answers non-zero";
  EXPECT_EQ(count, 0) << "the count is 0";
  EXPECT_NE(world.Memory().GlobalLock(block), nullptr) << "the peak block can be locked";
  world.Memory().GlobalUnlock(block);
  EXPECT_EQ(world.Memory().GlobalFree(block), 0) << "the peak block is freed";
  // Asked while the raw file is open, as the program asks: only the sample's own traces count.
  std::string nonsense = "NO SUCH CHANNEL";
  EXPECT_EQ(h.DmRawIsAnalogTraceDesc(nonsense), 0) << "DmRawIsAnalogTraceDesc of no trace of the sample";
  h.DmRawClose();
}

void CopyMemVBRefusesANegativeCount(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  char destination[8] = "keep";
  const char source[8] = "copied";
  EXPECT_EQ(host.Libraries().CopyMemVB(destination, source, -4), 0) << "it answers 0";
  EXPECT_EQ(std::string(destination), "keep") << "it copies nothing";
}

void DmRawStrToMassOfAMassAndOfNone(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  float masses[40] = {};
  Long found = 0;
  std::string mass = "301.1";
  std::string nonsense = "NO SUCH CHANNEL";
  EXPECT_GT(host.Libraries().DmRawStrToMass(mass, masses, 33, found), 0) << "a mass";
  EXPECT_LE(host.Libraries().DmRawStrToMass(nonsense, masses, 33, found), 0) << "no mass list";
}

void TheLaunchCommandOpensTheChromatogramWithKind2(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  host.OpenChromatogram();
  EXPECT_TRUE(world.Until([&] { return world.Host().GetApplicationWnd(2) != 0; }, kHostReactsMs))
      << "the launch command brings the kind-2 window along";
}

void Command354OpensTheDialogWithItsFields(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd chromatogram = host.OpenChromatogram();
  const Hwnd dialog = host.OpenDialog(chromatogram);
  EXPECT_EQ(world.Desk().GetParent(dialog), chromatogram) << "the dialog is owned by the chromatogram window";
  for (Long id : {308, 310, 369, 176}) {
    // The dialog may be found by its title before its controls exist: the program waits for each.
    EXPECT_TRUE(world.Until([&] { return world.Desk().GetDlgItem(dialog, id) != 0; }, kHostReactsMs))
        << "the dialog has control " << id;
  }
}

void OkShowsSpectrumCombineWhichIgnoresWmClose(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd busy = host.Combine(host.OpenChromatogram(), "10:12", "FALSE", "FALSE");
  EXPECT_TRUE(host.IgnoresWmClose(busy)) << "WM_CLOSE to \"Spectrum Combine\" is ignored";
  host.WaitForTheCombine();
  EXPECT_NE(world.Host().GetApplicationWnd(1), 0) << "a combine opens the spectrum window as kind 1";
  EXPECT_EQ(world.SpectraShown(), 1) << "the first spectrum is shown";
}

// A first spectrum, then a second with "Replace" set to atOk before OK and to atEnd while it combines: the
// spectra the window shows then.
struct SecondSpectrum {
  const char* name;
  const char* atOk;
  const char* atEnd;
  int shown;
};
constexpr SecondSpectrum kReplaceRows[] = {
    {"replace_false_adds_a_spectrum", "FALSE", "FALSE", 2},
    {"replace_is_read_when_the_combine_ends", "FALSE", "TRUE", 1},  // read at OK, it would add
    {"replace_is_compared_ignoring_case", "TRUE", "false", 2},
};

void CombineASecondSpectrum(HostWorld& world, const SecondSpectrum& row) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd chromatogram = host.OpenChromatogram();
  host.CombineWith(chromatogram, "10:12", "FALSE", "FALSE");
  host.CombineWith(chromatogram, "14:16", row.atOk, row.atEnd);
  EXPECT_EQ(world.SpectraShown(), row.shown) << "Replace \"" << row.atOk << "\" at OK, \"" << row.atEnd
                                             << "\" as the combine ends";
}

void PrintShowsPrintingWhichIgnoresWmClose(HostWorld& world, Long command) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd chromatogram = host.OpenChromatogram();
  host.CombineWith(chromatogram, "10:12", "FALSE", "FALSE");
  host.CombineWith(chromatogram, "14:16", "FALSE", "FALSE");
  const auto spectrum = static_cast<Hwnd>(world.Host().GetApplicationWnd(1));
  world.Desk().PostMessageA(spectrum, platform::kWmCommand, command, 0);
  Hwnd printing = 0;
  EXPECT_TRUE(world.Until([&] { return (printing = world.Desk().FindWindowA("Printing...")) != 0; }, kHostReactsMs))
      << "\"Printing...\" shows";
  EXPECT_TRUE(host.IgnoresWmClose(printing)) << "WM_CLOSE to \"Printing...\" is ignored";
  EXPECT_TRUE(world.Until([&] { return world.Desk().FindWindowA("Printing...") == 0; }, 2 * kHostReactsMs))
      << "\"Printing...\" goes on its own";
  EXPECT_EQ(world.SpectraPrinted(), 2) << "it prints what the spectrum window shows";
}

void AClosedSpectrumWindowForgetsItsSpectra(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd chromatogram = host.OpenChromatogram();
  host.CombineWith(chromatogram, "10:12", "FALSE", "FALSE");
  host.CombineWith(chromatogram, "14:16", "FALSE", "FALSE");
  host.CloseKind(1, "the spectrum window");
  host.CombineWith(chromatogram, "20:22", "FALSE", "FALSE");
  EXPECT_EQ(world.SpectraShown(), 1);
}

void WmCloseClosesTheHostsWindows(HostWorld& world) {
  Host host(world);
  ASSERT_TRUE(host.Started()) << "the host starts with a sample";
  const Hwnd chromatogram = host.OpenChromatogram();
  host.CombineWith(chromatogram, "10:12", "FALSE", "FALSE");
  host.CloseKind(1, "the spectrum window");
  host.CloseKind(2, "the kind-2 window");
  EXPECT_NE(world.Desk().PostMessageA(chromatogram, platform::kWmClose, 0, 0), 0)
      << "WM_CLOSE to the chromatogram window is accepted";
  EXPECT_TRUE(world.Until([&] { return world.Desk().FindWindowA(host.ChromatogramTitle()) == 0; }, kHostReactsMs))
      << "WM_CLOSE closes the chromatogram window";
}

}  // namespace

std::vector<Case<HostWorld>> HostCases() {
  std::vector<Case<HostWorld>> cases = {
      {"without_a_sample_no_file_is_named", WithoutASampleNoFileIsNamed},
      {"the_sample_is_named_and_counted", TheSampleIsNamedAndCounted},
      {"no_peaks_give_a_lockable_empty_block", NoPeaksGiveALockableEmptyBlock},
      {"copymemvb_refuses_a_negative_count", CopyMemVBRefusesANegativeCount},
      {"dmrawstrtomass_of_a_mass_and_of_none", DmRawStrToMassOfAMassAndOfNone},
      {"the_launch_command_opens_the_chromatogram_with_kind_2", TheLaunchCommandOpensTheChromatogramWithKind2},
      {"command_354_opens_the_dialog_with_its_fields", Command354OpensTheDialogWithItsFields},
      {"ok_shows_spectrum_combine_which_ignores_wm_close", OkShowsSpectrumCombineWhichIgnoresWmClose},
      {"command_341_prints_what_the_spectrum_window_shows", [](HostWorld& w) { PrintShowsPrintingWhichIgnoresWmClose(w, 341); }},
      {"command_342_prints_what_the_spectrum_window_shows", [](HostWorld& w) { PrintShowsPrintingWhichIgnoresWmClose(w, 342); }},
      {"a_closed_spectrum_window_forgets_its_spectra", AClosedSpectrumWindowForgetsItsSpectra},
      {"wm_close_closes_the_hosts_windows", WmCloseClosesTheHostsWindows},
  };
  for (const SecondSpectrum& row : kReplaceRows) {
    cases.push_back({row.name, [row](HostWorld& w) { CombineASecondSpectrum(w, row); }});
  }
  return cases;
}

}  // namespace apexer::conformance
