#include "fakes/scripted_host.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "common/text.h"

namespace apexer::fakes {

namespace {

constexpr const char* kHostSettings = "C:\\Ionvane\\Ionvane.ini";

std::string ValueText(bool flag) { return flag ? "1" : ""; }
std::string ValueText(int number) { return number != 0 ? std::to_string(number) : ""; }
std::string ValueText(const std::optional<int>& count) { return count ? std::to_string(*count) : ""; }
std::string ValueText(const std::string& mode) { return mode; }
std::string ValueText(const std::optional<std::vector<Single>>& scans) {
  if (!scans) return "";
  std::string text;
  for (Single scan : *scans) text += (text.empty() ? "" : ",") + GeneralNumberText(scan);
  return text.empty() ? "none" : text;
}

}  // namespace

std::string FaultsText(const HostFaults& faults) {
  std::string text;
  const auto add = [&text](const char* name, const std::string& value) {
    if (!value.empty()) text += (text.empty() ? "" : " ") + std::string(name) + "=" + value;
  };
#define HOST_FAULT(name, kind, meaning) add(#name, ValueText(faults.name));
#include "shared/host_faults.def"
#undef HOST_FAULT
  return text.empty() ? "no fault" : text;
}

ScriptedHost::ScriptedHost(World& world, FakeDesktop& desktop, FakeProfileFiles& profiles, FakeMemory& memory,
                           HostScript s, std::vector<std::string>& journal)
    : script(std::move(s)), world_(world), desktop_(desktop), profiles_(profiles), memory_(memory),
      journal_(journal) {
  if (script.mainWindowOpen) OpenMainWindow();
  if (script.secondaryWindowOpen) OpenSecondaryWindow();
  if (script.spectrumWindowOpen) {
    OpenSpectrumWindow();
    spectra = {"earlier spectrum"};
  }
  if (script.chromatogramWindowOpen) OpenChromatogramWindow();
  if (script.faults.HostHangs > 0) Later(script.faults.HostHangs, [this] { Hang(); });
}

std::string ScriptedHost::ChromatogramWindowTitle() const {
  const std::string& other = script.faults.ChromatogramTitle;
  return other.empty() ? "Chromatogram - [" + script.fileName + "]" : other;
}

std::string ScriptedHost::CombineDialogTitle() const {
  const std::string& other = script.faults.CombineDialogTitle;
  return other.empty() ? "Combine Spectrum" : other;
}

Long ScriptedHost::CombineCommand() const {
  return script.faults.CombineCommand != 0 ? script.faults.CombineCommand : 354;
}

void ScriptedHost::Later(std::int64_t delayMs, std::function<void()> action) {
  world_.After(delayMs, [this, action = std::move(action)] {
    if (!hung_) action();
  });
}

Hwnd ScriptedHost::AddHostWindow(const std::string& title, Hwnd owner) {
  const Hwnd window = desktop_.AddWindow(title, owner);
  made_.push_back(window);
  return window;
}

void ScriptedHost::Hang() {
  hung_ = true;
  for (Hwnd window : made_) desktop_.Hang(window);
  Log("host hangs");
}

void ScriptedHost::AskHost(const char* call) const {
  if (hung_) throw CallNeverReturns{std::string(call) + ": the host does not answer"};
}

void ScriptedHost::OpenMainWindow() {
  mainWindow = AddHostWindow("Host - [" + script.fileName + "]");
}

void ScriptedHost::OpenSpectrumWindow() {
  spectrumWindow = AddHostWindow("Spectrum - [" + script.fileName + "]");
  desktop_.SetHandler(spectrumWindow, [this](const Message& m) -> Long {
    if (m.message == platform::kWmCommand && (m.wParam == 341 || m.wParam == 342)) {
      const Long command = m.wParam;
      Later(script.printAppearMs, [this, command] {
        // PrintingWindow never or flash: the page is printed with no window a poll could see.
        if (!script.faults.PrintingWindow.empty()) {
          Log("fault PrintingWindow=" + script.faults.PrintingWindow);
          prints.push_back({command, spectra});
          Log("printed " + std::to_string(command) + " with " + std::to_string(spectra.size()) + " spectra");
          return;
        }
        const Hwnd printing = OpenBusyWindow("Printing...");
        Log("printing shown");
        Later(script.printMs, [this, printing, command] {
          desktop_.RemoveWindow(printing);
          prints.push_back({command, spectra});
          Log("printed " + std::to_string(command) + " with " + std::to_string(spectra.size()) + " spectra");
        });
      });
    } else if (m.message == platform::kWmClose) {
      const Hwnd closing = m.window;
      Later(script.closeMs, [this, closing] {
        desktop_.RemoveWindow(closing);
        if (spectrumWindow == closing) spectrumWindow = 0;
        spectra.clear();
        Log("spectrum window closed");
      });
    }
    return 0;
  });
}

void ScriptedHost::OpenSecondaryWindow() {
  secondaryWindow = AddHostWindow("Peak List - [" + script.fileName + "]");
  desktop_.SetHandler(secondaryWindow, [this](const Message& m) -> Long {
    if (m.message == platform::kWmClose) {
      Later(script.closeMs, [this] {
        desktop_.RemoveWindow(secondaryWindow);
        secondaryWindow = 0;
        Log("peak list closed");
      });
    }
    return 0;
  });
}

Hwnd ScriptedHost::OpenBusyWindow(const std::string& title) {
  const Hwnd busy = AddHostWindow(title);
  desktop_.SetHandler(busy, [](const Message&) -> Long { return 0; });
  return busy;
}

void ScriptedHost::OpenChromatogramWindow() {
  chromatogramWindow = AddHostWindow(ChromatogramWindowTitle());
  Log("chromatogram opened");
  desktop_.SetHandler(chromatogramWindow, [this](const Message& m) -> Long {
    if (m.message == platform::kWmCommand && m.wParam == CombineCommand() && !script.faults.DialogNeverOpens) {
      Later(script.openDialogMs, [this] {
        if (dialog == 0 && chromatogramWindow != 0) OpenDialog();
      });
    } else if (m.message == platform::kWmCommand && m.wParam == 354 && CombineCommand() != 354) {
      Log("fault CombineCommand=" + std::to_string(CombineCommand()) + ": 354 opens nothing");
    } else if (m.message == platform::kWmClose) {
      Later(script.closeMs, [this] {
        desktop_.RemoveWindow(chromatogramWindow);
        chromatogramWindow = 0;
        Log("chromatogram closed");
      });
    }
    return 0;
  });
}

void ScriptedHost::OpenDialog() {
  dialog = AddHostWindow(CombineDialogTitle(), chromatogramWindow);
  for (Long id : {308, 310, 369, 176}) {
    if (id != script.faults.DialogMissingField) desktop_.AddControl(dialog, id);
  }
  desktop_.AddControl(dialog, 1);  // OK
  Log("dialog opened");
  desktop_.SetHandler(dialog, [this](const Message& m) -> Long {
    if (m.message == platform::kWmCommand && m.wParam == 1) return OnDialogOk();
    if (m.message == platform::kWmClose) {
      desktop_.RemoveWindow(dialog);
      dialog = 0;
      Log("dialog closed");
    }
    return 0;
  });
}

Long ScriptedHost::OnDialogOk() {
  const auto field = [this](Long id) { return desktop_.ControlText(desktop_.GetDlgItem(dialog, id)); };
  const std::string first = field(308);
  Log("OK 308='" + first + "' 310='" + field(310) + "' 369='" + field(369) + "' 176='" + field(176) + "'");
  desktop_.RemoveWindow(dialog);
  dialog = 0;
  const Hwnd combining = OpenBusyWindow("Spectrum Combine");
  if (script.faults.CombineWindowStays) return 1;
  Later(script.combineMs, [this, combining, first] {
    desktop_.RemoveWindow(combining);
    // The display keeps earlier spectra only while the setting says FALSE at this moment.
    std::string replace(16, '\0');
    const std::string key = "Replace";
    const auto n = profiles_.GetPrivateProfileStringA("SpeDisplay", &key, "", replace.data(), 16, kHostSettings);
    replace.resize(n);
    if (spectrumWindow == 0) OpenSpectrumWindow();
    if (!EqualsNoCase(replace, "FALSE")) spectra.clear();
    spectra.push_back(first);
    combined.push_back(first);
    Log("combined " + first + " (Replace=" + replace + ")");
    const int exitAfter = script.faults.ExitAfterCombines;
    if (exitAfter > 0 && static_cast<int>(combined.size()) >= exitAfter) Exit();
  });
  return 1;
}

void ScriptedHost::Exit() {
  for (Hwnd* w : {&spectrumWindow, &secondaryWindow, &chromatogramWindow, &dialog}) {
    if (*w != 0) desktop_.RemoveWindow(*w);
    *w = 0;
  }
  exited_ = true;
  const auto closeMain = [this] {
    if (mainWindow != 0) desktop_.RemoveWindow(mainWindow);
    mainWindow = 0;
    Log("host exited");
  };
  if (script.exitMs == 0) return closeMain();
  Later(script.exitMs, closeMain);
}

Long ScriptedHost::GetSampleListFileVB(RawFileRecord& record) {
  Called();
  Log("GetSampleListFileVB");
  AskHost("GetSampleListFileVB");
  if (!script.hasSample || exited_) return 0;
  std::memset(record.Spec.FileName, 0, sizeof record.Spec.FileName);
  std::memcpy(record.Spec.FileName, script.fileName.data(), std::min<std::size_t>(script.fileName.size(), 255));
  record.Spec.Number = 1;
  return 1;
}

Long ScriptedHost::GetApplicationWnd(Integer kind) {
  Called();
  AskHost("GetApplicationWnd");
  switch (kind) {
    case 0: return static_cast<Long>(mainWindow);
    case 1: return static_cast<Long>(spectrumWindow);
    case 2: return static_cast<Long>(secondaryWindow);
    default: return 0;
  }
}

Integer ScriptedHost::GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                                    FileSpecRecord& result) {
  Called();
  Log("GetGlobalFile " + listName + " " + fileType);
  AskHost("GetGlobalFile");
  blankSeen = std::string(blank.Location, sizeof blank.Location) + std::string(blank.FileName, sizeof blank.FileName) +
              std::string(blank.Detail, sizeof blank.Detail);
  if (!script.hasSample || exited_) return 0;
  if (script.globalFileResult == 1) {
    std::memset(result.FileName, 0, sizeof result.FileName);
    std::memcpy(result.FileName, script.fileName.data(), std::min<std::size_t>(script.fileName.size(), 256));
  }
  return script.globalFileResult;
}

Long ScriptedHost::IonvaneCommand(std::string& command, Long number) {
  Called();
  Log("IonvaneCommand " + command + " " + std::to_string(number));
  if (hung_) {
    // The number is the time the host has to accept the command; a hung host lets it pass.
    world_.Advance(number > 0 ? number : 5000);
    return 0;
  }
  if (exited_ || mainWindow == 0) return 0;
  if (command == "app.launch[default:Chro]()" && chromatogramWindow == 0 && !script.faults.ChromatogramNeverOpens) {
    Later(script.openChromatogramMs, [this] {
      if (chromatogramWindow != 0 || exited_) return;
      OpenChromatogramWindow();
      if (script.peakListWithChromatogram && secondaryWindow == 0) OpenSecondaryWindow();
    });
  }
  return 1;
}

Long ScriptedHost::CopyMemVB(void* destination, const void* source, Long byteCount) {
  Called();
  ++copyCalls;
  if (destination == nullptr || source == nullptr || byteCount <= 0) return 0;
  std::memcpy(destination, source, static_cast<std::size_t>(byteCount));
  return byteCount;
}

Integer ScriptedHost::DmRawReadHeaderVB(RawFileRecord&, RawHeaderRecord& header) {
  Called();
  ++headerReads;
  Log("DmRawReadHeaderVB");
  if (script.headerResult != 0) header.FunctionCount = script.functionCount;
  return script.headerResult;
}

Long ScriptedHost::DmRawScansInFunction(RawFileRecord& record) {
  Called();
  Log("DmRawScansInFunction " + std::to_string(record.FunctionNumber));
  return script.scanCount;
}

Long ScriptedHost::DmRawTimeToScan(RawFileRecord&, Single time) {
  Called();
  Log("DmRawTimeToScan " + GeneralNumberText(time));
  // One scan every two seconds; times outside the run have no scan.
  const auto scan = static_cast<Long>(time / 2.0f) + 1;
  return (time < 0 || scan > script.scanCount) ? 0 : scan;
}

Integer ScriptedHost::DmRawIsAnalogTraceDesc(std::string& description) {
  Called();
  Log("DmRawIsAnalogTraceDesc " + description);
  return script.analogTraces.count(description) != 0 ? kTrue : kFalse;  // true as the host says it: -1
}

Integer ScriptedHost::DmRawStrToMass(std::string& description, void* masses, Integer capacity, Long& count) {
  Called();
  Log("DmRawStrToMass " + description + " " + std::to_string(capacity));
  // Masses joined by "+" (sum) or "_" (range); anything else is no mass list.
  std::vector<float> values;
  std::string part;
  std::istringstream in(description);
  while (std::getline(in, part, description.find('_') != std::string::npos ? '_' : '+')) {
    char* end = nullptr;
    const float v = std::strtof(part.c_str(), &end);
    if (part.empty() || end == part.c_str() || *end != '\0') return 0;
    values.push_back(v);
  }
  if (values.empty() || values.size() > 39) return 0;
  std::memcpy(masses, values.data(), values.size() * sizeof(float));
  count = static_cast<Long>(values.size());
  return static_cast<Integer>(values.size());
}

void ScriptedHost::DmRawClose() {
  Called();
  Log("DmRawClose");
}

Integer ScriptedHost::IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) {
  Called();
  Log("IntegrateGetIniFile " + parameterSet);
  if (script.storedParametersResult != 0) std::memset(parameters.Block, 0x5A, sizeof parameters.Block);
  return script.storedParametersResult;
}

Integer ScriptedHost::IntegrateChromatogramRange(Hwnd window, RawFileRecord& record, TraceDescriptor& trace,
                                                 platform::GlobalHandle& block, Long& peakCount, Integer& auxValue,
                                                 IntegrationParameters& parameters, Long firstScan, Long lastScan,
                                                 Integer auxNumber) {
  Called();
  Log("IntegrateChromatogramRange window=" + std::to_string(window) + " function=" +
      std::to_string(record.FunctionNumber) + " kind=" + std::to_string(trace.Kind) + " scans=" +
      std::to_string(firstScan) + ".." + std::to_string(lastScan) + " aux=" + std::to_string(auxValue) + "," +
      std::to_string(auxNumber) + " parameters=" + std::to_string(parameters.Block[0]));
  const HostFaults& f = script.faults;
  if (f.IntegratorFails) return 0;
  std::vector<Single> apexes = script.apexScans;
  if (f.IntegratorApexes) {
    apexes = *f.IntegratorApexes;
  } else if (f.IntegratorPeaks) {
    apexes.clear();
    for (int k = 0; k < *f.IntegratorPeaks; ++k) {
      apexes.push_back(static_cast<Single>(firstScan + (lastScan - firstScan) * (k + 0.5) / *f.IntegratorPeaks));
    }
  }
  if (f.ApexOutsideAtPeak >= 1 && static_cast<std::size_t>(f.ApexOutsideAtPeak) <= apexes.size()) {
    apexes[static_cast<std::size_t>(f.ApexOutsideAtPeak - 1)] = static_cast<Single>(script.scanCount + 100);
  }
  // Never a block of zero bytes: one empty record when there are no peaks.
  std::vector<std::uint8_t> bytes(std::max<std::size_t>(apexes.size(), 1) * sizeof(PeakRecord));
  for (std::size_t i = 0; i < apexes.size(); ++i) {
    PeakRecord peak{};
    std::memset(&peak, static_cast<int>(i & 0xFF), sizeof peak);  // the integrator's own fields
    peak.ApexScan = apexes[i];
    std::memcpy(bytes.data() + i * sizeof peak, &peak, sizeof peak);
  }
  block = memory_.Allocate(std::move(bytes));
  peakCount = script.reportedPeakCount.value_or(static_cast<Long>(apexes.size()));
  return 1;
}

}  // namespace apexer::fakes
