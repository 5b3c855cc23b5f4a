// The rows of the self-check. Each observation is made through Apexer's own code path: its binding, its
// look-ups and waits, its dialog handling, its settings rules; only the observing is the check's own.
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "automation/host_windows.h"
#include "automation/window_lookup.h"
#include "check/check_table.h"
#include "check/pe_file.h"
#include "common/sha256.h"
#include "check/record_check.h"
#include "processing/record_chain.h"
#include "common/text.h"
#include "host/current_file.h"
#include "processing/combine_spectrum.h"
#include "processing/peak_integration.h"
#include "settings/profile_settings.h"
#include "settings/settings_paths.h"
#include "shell/startup.h"

namespace apexer::check {
namespace {

constexpr const char* kDisplaySection = "SpeDisplay";
constexpr const char* kReplaceKey = "Replace";
constexpr int kCloseLimitSeconds = 5;
constexpr Single kProbeTimes[] = {0, 0.25f, 0.5f, 1, 2, 4, 8, 16, 32, 64, 128};

std::string Q(const std::string& text) { return "\"" + text + "\""; }

std::string Seconds(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator = ", ") {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

std::string TitleOf(CheckContext& c, Hwnd window) {
  std::string buffer(80, '\0');
  const int n = c.p.desktop.GetWindowTextA(window, buffer.data(), 80);
  return buffer.substr(0, static_cast<std::size_t>(std::max(n, 0)));
}

// The host's titled top-level windows now, by the listing Apexer's look-ups walk.
std::vector<std::pair<Hwnd, std::string>> HostWindows(CheckContext& c) {
  std::vector<WindowEntry> list;
  ListTopLevelWindows(c.p.desktop, list);
  std::vector<std::pair<Hwnd, std::string>> out;
  for (const WindowEntry& e : list) {
    const std::string title = CutAtNull(e.Title);
    if (!title.empty() && c.hostProcess != 0 && c.machine.WindowProcessId(e.Handle) == c.hostProcess) {
      out.emplace_back(e.Handle, title);
    }
  }
  return out;
}

std::vector<std::pair<Hwnd, std::string>> NewSince(CheckContext& c,
                                                    const std::vector<std::pair<Hwnd, std::string>>& before) {
  std::vector<std::pair<Hwnd, std::string>> out;
  for (const auto& w : HostWindows(c)) {
    if (std::none_of(before.begin(), before.end(), [&](const auto& b) { return b.first == w.first; })) {
      out.push_back(w);
    }
  }
  return out;
}

std::string Titles(const std::vector<std::pair<Hwnd, std::string>>& windows) {
  std::vector<std::string> titles;
  for (const auto& w : windows) titles.push_back(Q(w.second));
  return titles.empty() ? "no window" : Joined(titles, " and ");
}

// Closes, without confirming anything, every window of the host that was not there before; says what it
// saw. Throws when one is still there after its limit.
std::string CloseNewHostWindows(CheckContext& c, const std::vector<std::pair<Hwnd, std::string>>& before) {
  const auto opened = NewSince(c, before);
  if (opened.empty()) return "nothing of it was open any more";
  std::vector<std::pair<Hwnd, std::string>> gone;
  std::vector<std::string> stayed;
  for (const auto& w : opened) {
    PostWindowMessage(c.p, w.first, platform::kWmClose, 0, 0);
    if (WaitUntilWindowClosed(c.p, w.first, kCloseLimitSeconds)) {
      gone.push_back(w);
    } else {
      stayed.push_back(Q(w.second));
    }
  }
  const std::string closed = gone.empty() ? std::string() : "closed " + Titles(gone) + " with WM_CLOSE; gone";
  if (!stayed.empty()) {
    throw std::runtime_error((closed.empty() ? "" : closed + "; but ") + Joined(stayed) + " still open " +
                             std::to_string(kCloseLimitSeconds) + " s after WM_CLOSE");
  }
  return closed;
}

// Shortest form of a library's file name for row ids: "Iv_vb32".
std::string Stem(const char* file) {
  std::string s = file;
  return s.substr(0, s.find('.'));
}

// --- installation -------------------------------------------------------------------------------------

Outcome CheckFile(CheckContext& c, const ManifestEntry& entry) {
  const std::string path = c.machine.ProgramFolder() + "\\" + entry.file;
  std::string bytes, error;
  if (!c.machine.ReadFile(path, bytes, error)) return Outcome::Differs(path + " cannot be read: " + error);
  const std::string digest = ImageDigestHex(bytes);
  const std::string version = c.machine.FileVersion(path);
  c.files.push_back({"Apexer", path, version, Sha256Hex(bytes)});
  const std::string seen = "version " + (version.empty() ? std::string("(none)") : version) + ", image SHA-256 " + digest;
  if (digest != entry.digest || version != entry.version) return Outcome::Differs(seen);
  return Outcome::Held(seen);
}

Outcome CheckSignature(CheckContext& c, const std::string& path) {
  std::string bytes, error;
  if (!c.machine.ReadFile(path, bytes, error)) return Outcome::Differs(path + " cannot be read: " + error);
  return SignatureVerdict(ReadSignature(bytes), c.machine.VerifySignature(path));
}

Outcome CheckApexerIni(CheckContext& c) {
  const std::string path = ProgramSettingsPath(c.p.app);
  std::string bytes, error;
  if (!c.machine.ReadFile(path, bytes, error)) {
    return Outcome::Differs(path + " cannot be read (" + error + "): Apexer would integrate no channel");
  }
  c.channel = ReadProfileString(c.p.profiles, kProgramSection, kChannelKey, path);
  c.printMode = ReadProfileInt(c.p.profiles, "SpecPrint", "PrintMode", path);
  WindowRect rect;
  rect.Left = rect.Top = rect.Width = rect.Height = -1;
  ReadWindowPlacement(c.p.profiles, kProgramSection, kPlacementKey, path, rect);
  const std::string placement =
      rect.Width < 0 ? std::string("not stored")
                     : DecimalText(rect.Left) + "," + DecimalText(rect.Top) + "," + DecimalText(rect.Width) + "," +
                           DecimalText(rect.Height);
  const std::string seen = "ChroDesc " + Q(c.channel) + ", PrintMode " + DecimalText(c.printMode) +
                           " (print command " + DecimalText(c.printMode == 0 ? kPrintCommand : kPrintCommandAlternate) +
                           "), Combiner " + placement;
  if (TrimSpaces(c.channel).empty()) return Outcome::Differs(seen + ": no channel, Apexer would integrate none");
  return Outcome::Held(seen);
}

// --- host libraries ------------------------------------------------------------------------------------

constexpr std::uint16_t kOwnMachine = sizeof(void*) == 4 ? kMachineI386 : kMachineAmd64;

Outcome CheckLibraryFile(CheckContext& c, std::size_t i) {
  const HostLibrary& lib = HostLibraryTable()[i];
  const std::string path = c.machine.LocateLibrary(lib.file);
  if (path.empty()) return Outcome::Differs("not found beside Apexer.exe nor on the system's library path");
  c.libraryPath[i] = path;
  std::string bytes, error;
  if (!c.machine.ReadFile(path, bytes, error)) return Outcome::Differs(path + " cannot be read: " + error);
  c.files.push_back({"host library", path, c.machine.FileVersion(path), Sha256Hex(bytes)});
  const PeFacts pe = ReadPe(bytes);
  if (!pe.valid && pe.machine == 0) return Outcome::Differs(path + ": " + pe.error);
  const std::string seen = path + ": a " + std::string(pe.library ? "library" : "program") + " for " +
                           MachineText(pe.machine);
  if (!pe.library || pe.machine != kOwnMachine) return Outcome::Differs(seen);
  return Outcome::Held(seen);
}

Outcome CheckExports(CheckContext& c, std::size_t i) {
  const HostLibrary& lib = HostLibraryTable()[i];
  if (c.libraryPath[i].empty()) return Outcome::NotChecked("the library was not found");
  std::string bytes, error;
  if (!c.machine.ReadFile(c.libraryPath[i], bytes, error)) return Outcome::NotChecked("it cannot be read: " + error);
  const PeFacts pe = ReadPe(bytes);
  if (!pe.valid) return Outcome::Differs("its export table cannot be read: " + pe.error);
  std::vector<std::string> missing;
  for (const char* name : lib.exports) {
    if (std::find(pe.exports.begin(), pe.exports.end(), name) != pe.exports.end()) continue;
    const std::string decorated = std::string(name) + "@";
    const auto it = std::find_if(pe.exports.begin(), pe.exports.end(),
                                 [&](const std::string& e) { return e.rfind(decorated, 0) == 0; });
    missing.push_back(it == pe.exports.end() ? std::string(name) : std::string(name) + " (only as " + *it + ")");
  }
  const std::string count = DecimalText(static_cast<long long>(pe.exports.size())) + " names exported";
  if (!missing.empty()) return Outcome::Differs(count + "; missing: " + Joined(missing));
  return Outcome::Held(count + ", all " + DecimalText(static_cast<long long>(lib.exports.size())) + " there");
}

Outcome CheckBinding(CheckContext& c, std::size_t i) {
  const HostLibrary& lib = HostLibraryTable()[i];
  c.host.Bounded(std::string("loading ") + lib.file, [&c, i] { c.machine.BindLibrary(static_cast<int>(i)); });
  return Outcome::Held("loaded; " + DecimalText(static_cast<long long>(lib.exports.size())) + " entry points bound");
}

// --- the host and its sample ----------------------------------------------------------------------------

Outcome CheckHostPresent(CheckContext& c) {
  const Hwnd main = GetHostWindow(c.p, 0);
  if (main == 0) return Outcome::NotChecked("no host is running: the bridge reports no main window (kind 0)");
  if (!c.p.desktop.IsWindow(main)) {
    return Outcome::Differs("the bridge names window " + DecimalText(main) + ", which does not exist");
  }
  if (!c.machine.WindowAnswers(main, ObservingDesktop::kAnswerLimitMs)) {
    c.host.MarkHung("the host does not respond: its main window did not handle a message within " +
                    DecimalText(ObservingDesktop::kAnswerLimitMs / 1000) + " s");
    return Outcome::NotChecked(c.host.HungReason());
  }
  c.mainWindow = main;
  c.hostProcess = c.machine.WindowProcessId(main);
  const std::string program = c.machine.WindowProgramPath(main);
  std::string bytes, error;
  if (!program.empty() && c.machine.ReadFile(program, bytes, error)) {
    c.files.push_back({"host program", program, c.machine.FileVersion(program), Sha256Hex(bytes)});
  }
  return Outcome::Held("window " + Q(TitleOf(c, main)) + " answers" + (program.empty() ? "" : ", program " + program));
}

Outcome CheckKinds(CheckContext& c) {
  std::vector<std::string> parts;
  for (const Integer kind : {Integer{1}, Integer{2}}) {
    const Hwnd w = GetHostWindow(c.p, kind);
    parts.push_back("kind " + DecimalText(kind) + ": " + (w == 0 ? std::string("none") : "found, " + Q(TitleOf(c, w))));
  }
  return Outcome::Held(Joined(parts, "; "));
}

Outcome CheckSample(CheckContext& c) {
  c.sampleName = GetCurrentRawFileName(c.host, "RAW");
  if (c.sampleName.empty()) {
    return Outcome::NotChecked("the host has no current sample: the current-file query (\"SystemList\", \"RAW\") names no file");
  }
  return Outcome::Held(Q(c.sampleName));
}

Outcome CheckRecord(CheckContext& c) {
  RawFileRecord rawFile{};
  if (c.host.GetSampleListFileVB(rawFile) == 0) {
    return Outcome::Differs("GetSampleListFileVB answers 0 although the current-file query names " + Q(c.sampleName));
  }
  const int opened = c.changes.Made("the raw-data library opened the current sample's raw file", [&c] {
    c.host.DmRawClose();
    return std::string("released with DmRawClose");
  });
  rawFile.Spec.ScanCount = c.host.DmRawScansInFunction(rawFile);
  const bool selected = SelectFunction(c.host, 1, rawFile) != 0;
  std::vector<std::string> times;
  Long last = 0;
  int distinct = 0;
  bool falling = false;
  for (Single t : kProbeTimes) {
    const Long scan = selected ? c.host.DmRawTimeToScan(rawFile, t) : 0;
    if (scan == 0) continue;
    falling = falling || scan < last;
    if (scan != last) ++distinct;
    last = scan;
    times.push_back(GeneralNumberText(t) + " min: scan " + DecimalText(scan));
  }
  c.changes.UndoNow(opened);
  const std::string name = FieldText(rawFile.Spec.FileName, sizeof rawFile.Spec.FileName);
  const std::string seen = "name " + Q(name) + ", function 1 " + (selected ? "valid" : "not valid") + ", " +
                           DecimalText(rawFile.Spec.ScanCount) + " scans; " +
                           (times.empty() ? std::string("no time gives a scan") : Joined(times));
  c.rawFile = rawFile;
  if (name.empty() || !selected || rawFile.Spec.ScanCount < 1 || falling || distinct < 2) return Outcome::Differs(seen);
  return Outcome::Held(seen);
}

std::string CallResult(const BoundedHost& host, std::size_t from, const std::string& name, bool& called) {
  called = false;
  long long result = 0;
  for (std::size_t i = from; i < host.Calls().size(); ++i) {
    if (host.Calls()[i].name == name) {
      called = true;
      result = host.Calls()[i].result;
    }
  }
  return DecimalText(result);
}

Outcome CheckIntegration(CheckContext& c) {
  const std::string plain = ChromatogramTitle(c.p, kFalse);
  const std::string withFile = ChromatogramTitle(c.p, kTrue);
  // Apexer closes the host's chromatogram window before it integrates; the check puts one back.
  if (FindWindowExact(c.p.desktop, plain) != 0 || FindWindowExact(c.p.desktop, withFile) != 0) {
    c.changes.Made("Apexer's integration closed the host's open chromatogram window, as it does before it integrates",
                   [&c] {
                     const Hwnd again = OpenChromatogramWindow(c.p);
                     if (again == 0) throw std::runtime_error("the launch command opened no chromatogram window again");
                     return "opened again with the launch command: " + Q(TitleOf(c, again));
                   });
  }
  // Apexer releases the raw file only once the integrator answered; the check releases it on every way.
  const int opened = c.changes.Made("Apexer's integration opened the current sample's raw file", [&c] {
    c.host.DmRawClose();
    return std::string("released with DmRawClose");
  });
  const std::size_t from = c.host.Calls().size();
  std::vector<PeakRecord> peaks;
  RawFileRecord rawFile = c.rawFile;
  const Integer m = IntegrateWholeChannel(c.p, rawFile, c.channel, peaks);
  c.changes.UndoNow(opened);
  c.peaks = peaks;
  bool stored = false, integrated = false;
  const std::string storedResult = CallResult(c.host, from, "IntegrateGetIniFile", stored);
  const std::string integratedResult = CallResult(c.host, from, "IntegrateChromatogramRange", integrated);
  const std::string channel = "channel " + Q(c.channel);
  if (integrated && integratedResult != "0") {
    return Outcome::Held(channel + " accepted, " + Q(kStoredParameterSet) + " read; " + DecimalText(m) +
                         " peaks found over function 1");
  }
  if (stored && storedResult == "0") {
    return Outcome::Differs("IntegrateGetIniFile(" + Q(kStoredParameterSet) + ") answers 0: no stored parameters");
  }
  if (integrated) return Outcome::Differs(channel + " accepted, but IntegrateChromatogramRange answers 0");
  return Outcome::Differs(channel + " is not accepted: neither TIC nor BPI, and the raw-data library takes it "
                          "neither as an analog trace nor as a mass list (or function 1 cannot be selected)");
}

// --- the host settings file -----------------------------------------------------------------------------

Outcome CheckHostSettingsThere(CheckContext& c) {
  std::string error;
  if (!c.machine.ReadFile(kHostSettingsFile, c.hostSettingsBefore, error)) {
    return Outcome::Differs(std::string(kHostSettingsFile) + " cannot be read: " + error);
  }
  c.hostSettingsRead = true;
  c.files.push_back({"host settings", kHostSettingsFile, "", Sha256Hex(c.hostSettingsBefore)});
  return Outcome::Held("there, " + DecimalText(static_cast<long long>(c.hostSettingsBefore.size())) + " bytes");
}

Outcome CheckReplaceValue(CheckContext& c) {
  const std::string value = ReadProfileString(c.p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
  if (EqualsNoCase(value, "TRUE") || EqualsNoCase(value, "FALSE")) return Outcome::Held(Q(value));
  if (value.empty()) {
    return Outcome::Held("absent: Apexer sets FALSE for its run and leaves \"Replace=\" (empty) after it");
  }
  return Outcome::Differs(Q(value) + ", neither TRUE nor FALSE");
}

Outcome CheckHostSettingsWritable(CheckContext& c) {
  std::string how;
  if (c.machine.CanWrite(kHostSettingsFile, how)) return Outcome::Held(how);
  return Outcome::Differs(how + ": Apexer would stop with run-time error 32767 before its first combine");
}

// --- windows and the dialog -----------------------------------------------------------------------------

Outcome CheckChromatogram(CheckContext& c) {
  const auto before = HostWindows(c);
  c.changes.Made("asked the host to open its chromatogram window (" + Q(kLaunchChromatogramCommand) + ")",
                 [&c, before] { return CloseNewHostWindows(c, before); });
  const std::string wanted = "Chromatogram - [" + c.sampleName + "]";
  const std::int64_t started = c.p.clock.MonotonicMs();
  const Hwnd window = OpenChromatogramWindow(c.p);
  const std::int64_t took = c.p.clock.MonotonicMs() - started;
  Outcome out;
  if (window == 0) {
    out = Outcome::Differs("no window titled " + Q(wanted) + " or " + Q(kChromatogramTitle) + " within 2 \xD7 " +
                           DecimalText(kChromatogramAppearLimit) + " s; the host opened " +
                           Titles(NewSince(c, before)));
  } else {
    c.chromatogram = window;
    const std::string title = TitleOf(c, window);
    out = EqualsNoCase(title, wanted)
              ? Outcome::Held(Q(title) + " after " + Seconds(took))
              : Outcome::Differs("only " + Q(title) + ", after " + Seconds(took) +
                                 ": Apexer waits the first 5 s out at every peak");
  }
  out.expected = Q(wanted) + " within " + DecimalText(kChromatogramAppearLimit) + " s";
  return out;
}

Outcome CheckDialog(CheckContext& c) {
  const auto before = HostWindows(c);
  c.dialogChange = c.changes.Made("opened the host's " + Q(kCombineDialogTitle) + " dialog (command " +
                                      DecimalText(kOpenCombineDialogCommand) + ")",
                                  [&c, before] {
                                    return CloseNewHostWindows(c, before) + ", without OK";
                                  });
  const std::int64_t started = c.p.clock.MonotonicMs();
  const Hwnd dialog = OpenDialogByCommand(c.p, c.chromatogram, kOpenCombineDialogCommand, kCombineDialogTitle,
                                          kCombineDialogLimit, kFalse);
  const std::int64_t took = c.p.clock.MonotonicMs() - started;
  if (dialog == 0) {
    return Outcome::Differs("no " + Q(kCombineDialogTitle) + " within " + DecimalText(kCombineDialogLimit) +
                            " s after command " + DecimalText(kOpenCombineDialogCommand) + "; the host opened " +
                            Titles(NewSince(c, before)));
  }
  c.dialog = dialog;
  // The host may still be building the dialog it was found by; once its thread answers a message, what
  // the dialog holds is what the host made of it, as Apexer's first text sent to it would find.
  if (!c.machine.WindowAnswers(dialog, ObservingDesktop::kAnswerLimitMs)) {
    c.host.MarkHung("the host does not respond: its dialog did not handle a message within " +
                    DecimalText(ObservingDesktop::kAnswerLimitMs / 1000) + " s");
    return Outcome::NotChecked(c.host.HungReason());
  }
  const Hwnd owner = c.p.desktop.GetParent(dialog);
  const std::string seen = Q(TitleOf(c, dialog)) + " after " + Seconds(took) + ", owned by " +
                           (owner == 0 ? std::string("no window") : Q(TitleOf(c, owner)));
  if (owner != c.chromatogram) return Outcome::Differs(seen);
  return Outcome::Held(seen);
}

Outcome CheckField(CheckContext& c, Long id) {
  const Hwnd control = WaitForDialogItem(c.p, c.dialog, id);
  if (control != 0) return Outcome::Held("control " + DecimalText(id) + " there");
  return Outcome::Differs("no control " + DecimalText(id) + " within 5 s: Apexer would close the dialog without OK "
                          "and stop with run-time error 32767 (Unable to find field " + DecimalText(id) +
                          " of the Combine Spectrum dialogue box)");
}

Outcome CheckOkButton(CheckContext& c) {
  if (WaitForDialogItem(c.p, c.dialog, kOkCommand) != 0) return Outcome::Held("button 1 there");
  return Outcome::Differs("no control 1 (OK) in the dialog");
}

Outcome UndoAndReport(CheckContext& c, int change) {
  c.changes.UndoNow(change);
  const ChangeRecord r = c.changes.Snapshot()[static_cast<std::size_t>(change)];
  if (r.state == ChangeState::Undone) return Outcome::Held(r.how);
  return Outcome::Differs(r.how);
}

// --- the functional check (/full) ----------------------------------------------------------------------

Outcome SetReplaceForTheCombine(CheckContext& c) {
  if (c.peaks.empty()) return Outcome::NotChecked("the integration found no peak to combine at");
  // As Apexer does before its first peak: the host's spectrum window and its kind-2 window go.
  for (const Integer kind : {Integer{1}, Integer{2}}) {
    const Hwnd w = GetHostWindow(c.p, kind);
    if (w == 0) continue;
    c.changes.Final("closed the host's window of kind " + DecimalText(kind) + " (" + Q(TitleOf(c, w)) +
                        "), as Apexer does before its first peak",
                    std::string("not reopened: Apexer's own run closes it too") +
                        (kind == 1 ? "; a closed spectrum window forgets its spectra" : ""));
    CloseHostWindow(c.p, kind);
  }
  c.savedReplace = ReadProfileString(c.p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
  c.replaceChange = c.changes.Made(
      "set " + Q(kReplaceKey) + " in [" + kDisplaySection + "] of " + kHostSettingsFile + " to FALSE (it was " +
          Q(c.savedReplace) + ")",
      [&c] {
        WriteProfileString(c.p.profiles, kDisplaySection, kReplaceKey, c.savedReplace, kHostSettingsFile);
        const std::string now = ReadProfileString(c.p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
        if (now != c.savedReplace) throw std::runtime_error("written back, but it reads " + Q(now));
        return "written back as " + Q(c.savedReplace) + "; it reads so again";
      });
  WriteProfileString(c.p.profiles, kDisplaySection, kReplaceKey, "FALSE", kHostSettingsFile);
  const std::string now = ReadProfileString(c.p.profiles, kDisplaySection, kReplaceKey, kHostSettingsFile);
  if (!EqualsNoCase(now, "FALSE")) return Outcome::Differs("it reads " + Q(now) + " after FALSE was written");
  return Outcome::Held("FALSE written and read back (it was " + Q(c.savedReplace) + ")");
}

// The last line the run record wrote, without its time and link: Apexer's own words for what it did.
std::string LastRecordLine(const std::vector<std::string>& lines) {
  if (lines.empty()) return "";
  std::string line = lines.back();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  const std::string link = LinkOf(line);
  if (!link.empty()) line.resize(line.size() - link.size() - 2);
  const auto text = line.find_first_not_of(' ', std::min<std::size_t>(line.size(), 34));
  return text == std::string::npos ? line : line.substr(text);
}

}  // namespace

const std::vector<HostLibrary>& HostLibraryTable() {
  static const std::vector<HostLibrary> table = {
      {"Iv_vb32.dll", {"GetSampleListFileVB", "GetApplicationWnd", "GetGlobalFile", "IonvaneCommand", "CopyMemVB"}},
      {"ivraw32.dll",
       {"DmRawReadHeaderVB", "DmRawScansInFunction", "DmRawTimeToScan", "DmRawIsAnalogTraceDesc", "DmRawStrToMass",
        "DmRawClose"}},
      {"ivpeak32.dll", {"IntegrateGetIniFile", "IntegrateChromatogramRange"}},
  };
  return table;
}

std::vector<RowSpec> CheckTable(const Options& options, const std::vector<ManifestEntry>& manifest) {
  std::vector<RowSpec> rows;
  const char* install = "Installation";
  for (const ManifestEntry& e : manifest) {
    rows.push_back({std::string("file:") + e.file, install, std::string(e.file) + " is the file this release built",
                    "its version resource read, its image hashed (SHA-256, signature excluded) and held against the "
                    "sums built into this program",
                    std::string("version ") + e.version + ", image SHA-256 " + e.digest, {}, 30,
                    [e](CheckContext& c) { return CheckFile(c, e); }});
  }
  for (const char* file : {"Apexer.exe", "ApexerCheck.exe"}) {
    rows.push_back({std::string("signature:") + file, install,
                    std::string(file) + " carries a valid signature that this computer trusts",
                    "its Authenticode signature read from the file, the image digest it signs held against the "
                    "file's own (SHA-256, computed here); WinVerifyTrust asked, without revocation checks (nothing is "
                    "fetched from the network); the signer's certificate chain, as Windows built it, held against "
                    "the Authenticode policy",
                    "signed; the signature is the file's; the chain ends in a root this computer trusts", {}, 30,
                    [file = std::string(file)](CheckContext& c) {
                      const std::string path = file == "ApexerCheck.exe"
                                                   ? c.machine.ProgramPath()
                                                   : c.machine.ProgramFolder() + "\\" + file;
                      return CheckSignature(c, path);
                    }});
  }
  rows.push_back({"ini", install, "Apexer.INI beside Apexer.exe is readable and names the channel to integrate",
                  "read as Apexer reads it: [Combine] ChroDesc and Combiner, [SpecPrint] PrintMode",
                  "a channel in ChroDesc", {}, 10, CheckApexerIni});
  rows.push_back({"run-record", install, "Apexer's run record has not been edited since it was written",
                  "Apexer.log beside Apexer.exe (or in the user's own folder) read, and every line held against the "
                  "chain of links Apexer wrote: each line's link over the line before it, each run after the one "
                  "before it, the last run sealed by its end line",
                  "every line fits its chain, and the last run has its end", {}, 30, CheckRunRecord});

  const char* libraries = "Host libraries";
  for (std::size_t i = 0; i < HostLibraryTable().size(); ++i) {
    const HostLibrary& lib = HostLibraryTable()[i];
    const std::string stem = Stem(lib.file);
    rows.push_back({"file:" + stem, libraries,
                    std::string(lib.file) + " is where Apexer loads it from and is a " +
                        (sizeof(void*) == 4 ? "32-bit" : "64-bit") + " Windows library",
                    "found by the library search Apexer's loading uses (its own folder first), its PE header read "
                    "without loading it",
                    std::string("a library for ") + MachineText(kOwnMachine), {}, 30,
                    [i](CheckContext& c) { return CheckLibraryFile(c, i); }});
    std::vector<std::string> names(lib.exports.begin(), lib.exports.end());
    rows.push_back({"exports:" + stem, libraries,
                    std::string(lib.file) + " exports the " + DecimalText(static_cast<long long>(names.size())) +
                        " entry points Apexer calls, by their undecorated names",
                    "the file's export table read without loading it", Joined(names), {}, 30,
                    [i](CheckContext& c) { return CheckExports(c, i); }});
  }
  for (std::size_t i = 0; i < HostLibraryTable().size(); ++i) {
    const HostLibrary& lib = HostLibraryTable()[i];
    rows.push_back({"bind:" + Stem(lib.file), libraries, std::string(lib.file) + " is bound as Apexer binds it",
                    "loaded and every entry point bound by Apexer's own binding, in a time limit",
                    "loaded, every entry point bound", {}, 20,
                    [i](CheckContext& c) { return CheckBinding(c, i); }});
  }

  const char* host = "Host";
  rows.push_back({"host", host, "The host is running: its bridge answers and its main window (kind 0) exists and answers",
                  "GetApplicationWnd(0) in a time limit, then a message to that window with a time limit",
                  "a main window that answers", {"bind:Iv_vb32"}, 30, CheckHostPresent});
  rows.push_back({"kinds", host, "The host's windows of kinds 1 and 2 are reported", "GetApplicationWnd(1) and (2)",
                  "each found or not (Apexer closes both before its first peak)", {"host"}, 30, CheckKinds});
  const char* sample = "Current sample";
  rows.push_back({"sample", sample, "The host has a current sample",
                  "the current-file query (\"SystemList\", \"RAW\") as Apexer asks it", "a file name", {"host"}, 20,
                  CheckSample});
  rows.push_back({"record", sample, "The current sample's record reads sanely: a name, at least one scan, times that rise",
                  "GetSampleListFileVB, DmRawScansInFunction, function 1 selected as Apexer selects it, "
                  "DmRawTimeToScan at rising times; the raw file released",
                  "a name, one scan or more, later times at later scans", {"sample", "bind:ivraw32"}, 60, CheckRecord});
  rows.push_back({"integrate", sample,
                  "The channel in Apexer.INI is accepted and integrates with the stored parameters \"ChrIntegrate\"",
                  "Apexer's integration, exactly as its run calls it (function 1, all scans)",
                  "the integrator answers; the number of peaks found", {"record", "ini", "bind:ivpeak32"}, 90,
                  CheckIntegration});

  const char* settings = "Host settings file";
  rows.push_back({"hostini", settings, std::string(kHostSettingsFile) + " is there", "read whole", "a readable file",
                  {}, 10, CheckHostSettingsThere});
  rows.push_back({"replace", settings, "[SpeDisplay] Replace reads as a truth value",
                  "read as Apexer reads it", "TRUE or FALSE (any case), or absent", {"hostini"}, 10, CheckReplaceValue});
  rows.push_back({"writable", settings, "The host settings file can be written",
                  "checked without writing: its attributes, then opened for writing and closed again",
                  "writable", {"hostini"}, 10, CheckHostSettingsWritable});

  const char* windows = "Windows and dialog";
  rows.push_back({"chromatogram", windows, "The launch command opens \"Chromatogram - [the sample's name]\" in time",
                  "Apexer's own opening of the chromatogram window: the host command, then its two waits",
                  "\"Chromatogram - [sample]\" within 5 s", {"sample"}, 40, CheckChromatogram});
  rows.push_back({"dialog", windows, "Command 354 opens \"Combine Spectrum\", owned by the chromatogram window",
                  "Apexer's own opening of the dialog by command 354 and its 5-second wait; the dialog's owner read",
                  "\"Combine Spectrum\" within 5 s, owned by the chromatogram window", {"chromatogram"}, 20,
                  CheckDialog});
  const std::pair<Long, const char*> fields[] = {{kFirstRangeControl, "the first scan range"},
                                                 {kFurtherRangesControl, "the further scan ranges"},
                                                 {kFirstValueControl, "the first value"},
                                                 {kSecondValueControl, "the second value"}};
  for (const auto& [id, meaning] : fields) {
    rows.push_back({"field:" + DecimalText(id), windows,
                    "The dialog has field " + DecimalText(id) + " (" + meaning + ")",
                    "Apexer's own wait for a dialog control (5 s)", "control " + DecimalText(id), {"dialog"}, 15,
                    [id = id](CheckContext& c) { return CheckField(c, id); }});
  }
  rows.push_back({"ok", windows, "The dialog has its OK button 1", "Apexer's own wait for a dialog control (5 s)",
                  "control 1", {"dialog"},
                  10, CheckOkButton});
  rows.push_back({"dialog-closed", windows, "The dialog closes without OK", "WM_CLOSE, then Apexer's wait for it to go",
                  "gone within 5 s, nothing combined", {"dialog"}, 20,
                  [](CheckContext& c) { return UndoAndReport(c, c.dialogChange); }});

  if (!options.full) return rows;
  const char* functional = "Functional check (/full)";
  rows.push_back({"full-replace", functional, "\"Replace\" can be set to FALSE for the combine",
                  "the host's spectrum and kind-2 windows closed and \"Replace\" written as Apexer does, then read back",
                  "reads FALSE", {"writable", "replace", "integrate", "dialog-closed"}, 60, SetReplaceForTheCombine});
  rows.push_back({"full-combine", functional, "One combine at the first peak's apex \xB1""1 goes through",
                  "Apexer's own combine of one scan: the dialog opened, filled, OK sent, its end waited for",
                  "the dialog driven and confirmed", {"full-replace"}, 90, [](CheckContext& c) {
                    const auto apex = RoundToLong(c.peaks.front().ApexScan);
                    if (!apex) return Outcome::Differs("the first peak's apex is no scan number");
                    c.desktop.Watch(kCombiningWindowTitle);
                    c.changes.Final("had the host combine one spectrum (the first peak's)",
                                    "a combined spectrum stays combined; its window is closed after its print");
                    const Single apexScan = c.peaks.front().ApexScan;
                    const CombineOutcome combined = CombineAroundScan(c.p, *apex, c.rawFile);
                    if (combined.Combined()) {
                      c.record.Peak(1, 1, apexScan, combined);
                    } else {
                      c.record.Stopped(1, 1, 0, apexScan, combined);
                    }
                    const std::string said = c.recordLines ? LastRecordLine(*c.recordLines) : std::string();
                    if (!combined.Combined()) return Outcome::Differs("the combine was refused: " + said);
                    return Outcome::Held(said);
                  }});
  rows.push_back({"full-combine-window", functional, "\"Spectrum Combine\" appears after OK and goes",
                  "what Apexer's wait for it to go saw", "seen, then gone", {"full-combine"}, 10, [](CheckContext& c) {
                    const auto s = c.desktop.Seen(kCombiningWindowTitle);
                    if (s.firstSeenMs < 0) {
                      return Outcome::Differs("never seen after OK: Apexer would go on before the host finished");
                    }
                    return Outcome::Held("seen, gone " + Seconds(s.goneMs - s.firstSeenMs) + " after it was first seen");
                  }});
  rows.push_back({"full-print", functional, "One page prints with the configured print mode",
                  "Apexer's own print (the command for PrintMode, its waits for \"Printing...\"), then the spectrum "
                  "and kind-2 windows closed as Apexer closes them",
                  "\"Printing...\" seen and gone", {"full-combine"}, 180, [](CheckContext& c) {
                    const Long command = c.printMode == 0 ? kPrintCommand : kPrintCommandAlternate;
                    if (GetHostWindow(c.p, 1) == 0) {
                      return Outcome::Differs("no spectrum window (kind 1) after the combine: nothing to print");
                    }
                    c.desktop.Watch(kPrintingTitle);
                    const std::int64_t started = c.p.clock.MonotonicMs();
                    c.changes.Final("had the host print one page (command " + DecimalText(command) + ")",
                                    "a printed page cannot be taken back");
                    const bool asked = PrintPage(c.p, c.printMode);
                    const std::int64_t took = c.p.clock.MonotonicMs() - started;
                    CloseHostWindow(c.p, 1);
                    CloseHostWindow(c.p, 2);
                    if (!asked) {
                      return Outcome::Differs("command " + DecimalText(command) +
                                              " not posted: the spectrum window was gone when it was asked to print");
                    }
                    const auto s = c.desktop.Seen(kPrintingTitle);
                    const std::string posted = "command " + DecimalText(command) + " posted; ";
                    if (s.firstSeenMs < 0) {
                      return Outcome::Differs(posted + "\"Printing...\" not seen within " + Seconds(took) +
                                              ": Apexer waits 120 s at every page");
                    }
                    return Outcome::Held(posted + "\"Printing...\" seen and gone " + Seconds(s.goneMs - s.firstSeenMs) +
                                         " later; the spectrum window closed");
                  }});
  rows.push_back({"full-replace-restored", functional, "\"Replace\" is put back as it was",
                  "written back as Apexer writes it after a run, then read back", "the value it had",
                  {"full-replace"}, 10, [](CheckContext& c) { return UndoAndReport(c, c.replaceChange); }});
  return rows;
}

}  // namespace apexer::check
