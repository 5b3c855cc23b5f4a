// The whole self-check against the scripted host in virtual time: read-only by default, every change
// undone, a difference named where it lies, a silent host never hanging it, the report computed from the rows.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "check/check_session.h"
#include "check/pe_file.h"
#include "common/sha256.h"
#include "common/errors.h"
#include "fakes/rig.h"
#include "tests_pe.h"

namespace apexer::check {
namespace {

const std::string kFolder = R"(D:\Tools)";
const std::string kHostIni = R"(C:\Ionvane\Ionvane.ini)";
const std::string kHostIniText = "[SpeDisplay]\r\nReplace=TRUE\r\n";

// A program file signed at build time by a throwaway authority (make_signed_samples.py).
std::string SignedSample(const std::string& name) {
  std::ifstream f(std::string(APEXER_SIGNED_SAMPLES) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Files, facts and bounded calls of a machine where everything answers unless told otherwise.
class FakeCheckMachine : public CheckMachine {
 public:
  explicit FakeCheckMachine(fakes::FakeProfileFiles& profiles) : profiles_(profiles) {}

  std::string ProgramPath() override { return kFolder + "\\ApexerCheck.exe"; }
  std::string ProgramFolder() override { return kFolder; }
  bool ReadFile(const std::string& path, std::string& bytes, std::string& error) override {
    if (profiles_.Exists(path)) {
      bytes = profiles_.Text(path);
      return true;
    }
    const auto it = files.find(path);
    if (it == files.end()) {
      error = "The system cannot find the file specified";
      return false;
    }
    bytes = it->second;
    return true;
  }
  std::string FileVersion(const std::string& path) override { return versions.count(path) ? versions[path] : ""; }
  std::string LocateLibrary(const std::string& name) override {
    const std::string path = kFolder + "\\" + name;
    return files.count(path) ? path : "";
  }
  bool CanWrite(const std::string&, std::string& how) override {
    how = writable ? "opened for writing and closed without writing" : "sharing violation";
    return writable;
  }
  bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override {
    for (const std::string& folder : unwritable) {
      if (path.rfind(folder, 0) == 0) {
        error = "Access is denied";
        return false;
      }
    }
    written[path] = bytes;
    return true;
  }
  std::string LocalAppDataFolder() override { return R"(C:\Users\lab\AppData\Local\Apexer)"; }
  std::string WindowsUser() override { return "lab"; }
  std::string ComputerName() override { return "LCMS-01"; }
  std::string WindowsVersion() override { return "Windows 10.0.19045"; }
  Moment Now() override { return {"2026-12-09 07:00:00 UTC", "2026-12-09 08:00:00 +01:00", "20261209-080000"}; }
  bool CallWithin(const std::function<void()>& call, int) override {
    if (hung) return false;
    call();
    return true;
  }
  bool WindowAnswers(Hwnd, int) override { return !hung; }
  std::uint32_t WindowProcessId(Hwnd) override { return 42; }
  std::string WindowProgramPath(Hwnd) override { return ""; }
  void BindLibrary(int library) override {
    if (unbindable.count(library)) throw AppError(453, "Can't find DLL entry point X in Y");
  }
  // Windows accepts every signature and trusts its root, unless told otherwise for a file.
  TrustAnswer VerifySignature(const std::string& path) override {
    if (trust.count(path)) return trust[path];
    TrustAnswer t;
    t.verifyText = "accepted (0)";
    t.chainBuilt = true;
    t.chainText = "accepted (0)";
    t.root = "Apexer Test CA";
    return t;
  }

  std::map<std::string, std::string> files;
  std::map<std::string, std::string> versions;
  std::map<std::string, std::string> written;
  std::set<int> unbindable;
  std::map<std::string, TrustAnswer> trust;
  std::set<std::string> unwritable;  // folders
  bool writable = true;
  bool hung = false;

 private:
  fakes::FakeProfileFiles& profiles_;
};

class NoProgress : public Progress {
 public:
  void RowStarted(std::size_t, int) override {}
  void RowDone(std::size_t) override {}
};

std::vector<std::string> Exports(std::size_t i) {
  const auto& lib = HostLibraryTable()[i];
  return {lib.exports.begin(), lib.exports.end()};
}

// The scripted host with its three libraries and Apexer beside the check; the check's platform over it.
struct CheckRig {
  explicit CheckRig(fakes::HostScript script = WithPeaks(), Options o = {}) : rig(std::move(script)), options(o) {
    rig.profiles.SetText(kFolder + "\\Apexer.INI", "[Combine]\r\nChroDesc=TIC\r\n");
    rig.profiles.SetText(kHostIni, kHostIniText);
    // Both programs as a signed release has them.
    const std::string apexer = SignedSample("signed.exe");
    machine.files[kFolder + "\\Apexer.exe"] = apexer;
    machine.files[kFolder + "\\ApexerCheck.exe"] = apexer;
    machine.versions[kFolder + "\\Apexer.exe"] = "3.3.0.0";
    manifestDigest = ImageDigestHex(apexer);
    for (std::size_t i = 0; i < HostLibraryTable().size(); ++i) {
      machine.files[kFolder + "\\" + HostLibraryTable()[i].file] =
          testpe::Build(sizeof(void*) == 4 ? kMachineI386 : kMachineAmd64, sizeof(void*) == 8, Exports(i));
    }
  }
  static fakes::HostScript WithPeaks() {
    fakes::HostScript s;
    s.spectrumWindowOpen = false;
    s.secondaryWindowOpen = false;
    s.apexScans = {20.4f, 55.5f};
    return s;
  }

  ReportInput Run() {
    ObservingDesktop desktop(rig.desktop, machine, rig.clock);
    BoundedHost host(*rig.host, machine);
    ApexerBeside app(kFolder);
    StopOnlyStatus status;
    RecordInMemory lines;
    RunRecord record(lines, app, "V3.3.0");
    Platform p{desktop, rig.profiles, rig.memory, rig.clock, rig.loop, app, status, host};
    CheckSession session({p, machine, host, desktop, status, lines, record}, options,
                         {{"Apexer.exe", "3.3.0.0", manifestDigest.c_str()}}, "3.3.0", "3.3.0.0");
    NoProgress progress;
    session.Run(progress);
    return session.Report("not reached");
  }

  fakes::Rig rig;
  Options options;
  FakeCheckMachine machine{rig.profiles};
  std::string manifestDigest;
};

const RowResult& Row(const ReportInput& in, const std::string& id) {
  for (std::size_t i = 0; i < in.rows.size(); ++i) {
    if (in.rows[i].id == id) return in.results[i];
  }
  throw std::runtime_error("no row " + id);
}

// Ids of the rows with this verdict.
std::vector<std::string> With(const ReportInput& in, Verdict v) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < in.rows.size(); ++i) {
    if (in.results[i].outcome.verdict == v) out.push_back(in.rows[i].id);
  }
  return out;
}

TEST(CheckRun, AgainstAHostAsExpectedEveryRowHoldsAndNothingIsLeftChanged) {
  CheckRig c;
  const std::string hostIni = c.rig.profiles.Text(kHostIni);
  const ReportInput in = c.Run();
  EXPECT_EQ(With(in, Verdict::Differs), std::vector<std::string>{});
  EXPECT_EQ(With(in, Verdict::NotChecked), std::vector<std::string>{});
  const Summary s = Summarize(in.results);
  EXPECT_EQ(s.exitCode, 0);
  EXPECT_EQ(s.run, s.planned);
  // Read-only: no OK, no print, "Replace" never written, every window the check opened closed again.
  EXPECT_EQ(c.rig.Count("OK "), 0u);
  EXPECT_TRUE(c.rig.host->prints.empty());
  EXPECT_EQ(c.rig.profiles.Text(kHostIni), hostIni);
  EXPECT_EQ(c.rig.host->chromatogramWindow, 0u);
  EXPECT_EQ(c.rig.host->secondaryWindow, 0u);
  EXPECT_EQ(c.rig.host->dialog, 0u);
  EXPECT_EQ(c.rig.Count("dialog closed"), 1u);
  for (const ChangeRecord& change : in.changes) EXPECT_EQ(change.state, ChangeState::Undone) << change.what;
  EXPECT_NE(Row(in, "integrate").outcome.seen.find("2 peaks found"), std::string::npos);
  EXPECT_EQ(in.hostSettingsBefore, in.hostSettingsAfter);
}

TEST(CheckRun, FullCombinesOnceAtTheFirstApexPrintsOnePageAndPutsReplaceBack) {
  Options full;
  full.full = true;
  CheckRig c(CheckRig::WithPeaks(), full);
  const ReportInput in = c.Run();
  EXPECT_EQ(With(in, Verdict::Differs), std::vector<std::string>{});
  EXPECT_EQ(With(in, Verdict::NotChecked), std::vector<std::string>{});
  EXPECT_EQ(c.rig.host->combined, std::vector<std::string>{"19:21"});
  ASSERT_EQ(c.rig.host->prints.size(), 1u);
  EXPECT_EQ(c.rig.host->prints[0].command, 341);
  EXPECT_EQ(c.rig.Lines({"combined"}), std::vector<std::string>{"combined 19:21 (Replace=FALSE)"});
  EXPECT_EQ(c.rig.profiles.RawValue(kHostIni, "SpeDisplay", "Replace"), "TRUE");
  EXPECT_NE(Row(in, "full-combine").outcome.seen.find("scans 19:21 combined"), std::string::npos);
}

// The installation's record row: a record as Apexer writes it holds; one edited after the fact differs and
// names the line.
TEST(CheckRun, TheRunRecordRowHoldsTheRecordAgainstItsChain) {
  fakes::FakeRecordFiles files;
  fakes::FakeApplication app;
  {
    RunRecord record(files, app, "V3.3.0");
    record.NoSample("TIC");
    record.Completed(0);
  }
  const std::string log = app.Path() + "\\Apexer.log";
  std::string text = files.Text(log);
  ASSERT_FALSE(text.empty());

  CheckRig intact;
  intact.machine.files[kFolder + "\\Apexer.log"] = text;
  EXPECT_EQ(Row(intact.Run(), "run-record").outcome.verdict, Verdict::Held);

  text[text.find("TIC")] = 'X';
  CheckRig edited;
  edited.machine.files[kFolder + "\\Apexer.log"] = text;
  const ReportInput in = edited.Run();
  EXPECT_EQ(Row(in, "run-record").outcome.verdict, Verdict::Differs);
  EXPECT_NE(Row(in, "run-record").outcome.seen.find("line 2 does not fit"), std::string::npos);
  EXPECT_NE(Summarize(in.results).exitCode, 0);
}

struct FaultCase {
  const char* name;
  std::function<void(CheckRig&)> play;
  std::vector<std::string> differs;
  std::vector<std::string> notChecked;
  int exitCode;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class CheckFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckFaults, NameTheRowThatDiffersAndTheOthersStillHold) {
  CheckRig c;
  GetParam().play(c);
  const std::string hostIni = c.rig.profiles.Text(kHostIni);
  const ReportInput in = c.Run();
  EXPECT_EQ(With(in, Verdict::Differs), GetParam().differs);
  EXPECT_EQ(With(in, Verdict::NotChecked), GetParam().notChecked);
  EXPECT_EQ(Summarize(in.results).exitCode, GetParam().exitCode);
  for (const ChangeRecord& change : in.changes) EXPECT_NE(change.state, ChangeState::Pending) << change.what;
  EXPECT_EQ(c.rig.host->dialog, 0u) << "the dialog is closed on every way out";
  EXPECT_EQ(c.rig.Count("OK "), 0u);
  EXPECT_EQ(c.rig.profiles.Text(kHostIni), hostIni);
}

const std::vector<std::string> kAfterDialog = {"field:308", "field:310", "field:369", "field:176", "ok", "dialog-closed"};

INSTANTIATE_TEST_SUITE_P(
    Table, CheckFaults,
    testing::Values(
        FaultCase{"dialog_never_opens", [](CheckRig& c) { c.rig.host->script.faults.DialogNeverOpens = true; },
                  {"dialog"}, kAfterDialog, 1},
        FaultCase{"dialog_without_310", [](CheckRig& c) { c.rig.host->script.faults.DialogMissingField = 310; },
                  {"field:310"}, {}, 1},
        FaultCase{"dialog_without_176", [](CheckRig& c) { c.rig.host->script.faults.DialogMissingField = 176; },
                  {"field:176"}, {}, 1},
        FaultCase{"chromatogram_never_opens",
                  [](CheckRig& c) { c.rig.host->script.faults.ChromatogramNeverOpens = true; }, {"chromatogram"},
                  [] {
                    std::vector<std::string> v = {"dialog"};
                    v.insert(v.end(), kAfterDialog.begin(), kAfterDialog.end());
                    return v;
                  }(),
                  1},
        FaultCase{"no_stored_parameters", [](CheckRig& c) { c.rig.host->script.storedParametersResult = 0; },
                  {"integrate"}, {}, 1},
        FaultCase{"host_settings_cannot_be_written", [](CheckRig& c) { c.machine.writable = false; }, {"writable"},
                  {}, 1},
        FaultCase{"a_library_one_export_short",
                  [](CheckRig& c) {
                    auto names = Exports(2);
                    names.pop_back();
                    c.machine.files[kFolder + "\\ivpeak32.dll"] = testpe::Build(
                        sizeof(void*) == 4 ? kMachineI386 : kMachineAmd64, sizeof(void*) == 8, names);
                    c.machine.unbindable.insert(2);
                  },
                  {"exports:ivpeak32", "bind:ivpeak32"}, {"integrate"}, 1},
        FaultCase{"a_library_of_the_other_width",
                  [](CheckRig& c) {
                    c.machine.files[kFolder + "\\ivraw32.dll"] = testpe::Build(
                        sizeof(void*) == 4 ? kMachineAmd64 : kMachineI386, sizeof(void*) == 4, Exports(1));
                  },
                  {"file:ivraw32"}, {}, 1},
        FaultCase{"apexer_changed_since_the_build",
                  [](CheckRig& c) { c.machine.files[kFolder + "\\Apexer.exe"] += "patched"; },
                  {"file:Apexer.exe", "signature:Apexer.exe"}, {}, 1},
        // A development build: the same image, no signature; nothing differs, but it does not qualify.
        FaultCase{"unsigned_programs",
                  [](CheckRig& c) {
                    for (const char* file : {"\\Apexer.exe", "\\ApexerCheck.exe"}) {
                      c.machine.files[kFolder + file] = SignedSample("unsigned.exe");
                      c.machine.trust[kFolder + file].verify = kNoSignature;
                    }
                  },
                  {}, {"signature:Apexer.exe", "signature:ApexerCheck.exe"}, 2},
        FaultCase{"check_signed_under_an_untrusted_root",
                  [](CheckRig& c) {
                    TrustAnswer untrusted;
                    untrusted.chainBuilt = true;
                    untrusted.chain = kUntrustedRoot;
                    c.machine.trust[kFolder + "\\ApexerCheck.exe"] = untrusted;
                  },
                  {"signature:ApexerCheck.exe"}, {}, 1},
        FaultCase{"no_channel", [](CheckRig& c) { c.rig.profiles.SetText(kFolder + "\\Apexer.INI", "[Combine]\r\n"); },
                  {"ini"}, {"integrate"}, 1},
        FaultCase{"no_current_sample", [](CheckRig& c) { c.rig.host->script.hasSample = false; }, {},
                  [] {
                    std::vector<std::string> v = {"sample", "record", "integrate", "chromatogram", "dialog"};
                    v.insert(v.end(), kAfterDialog.begin(), kAfterDialog.end());
                    return v;
                  }(),
                  2}),
    [](const testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

TEST(CheckRun, NoHostRunningIsIncompleteNotADifference) {
  fakes::HostScript s = CheckRig::WithPeaks();
  s.mainWindowOpen = false;
  CheckRig c(s);
  const ReportInput in = c.Run();
  EXPECT_EQ(With(in, Verdict::Differs), std::vector<std::string>{});
  EXPECT_EQ(Summarize(in.results).exitCode, 2);
  EXPECT_NE(Row(in, "host").outcome.reason.find("no host is running"), std::string::npos);
  EXPECT_NE(Row(in, "dialog").outcome.reason.find("no host is running"), std::string::npos) << "the reason is passed on";
  EXPECT_EQ(Row(in, "writable").outcome.verdict, Verdict::Held) << "checks that need no host still run";
}

TEST(CheckRun, AHostThatDoesNotAnswerEndsTheHostChecksNotTheCheck) {
  CheckRig c;
  c.machine.hung = true;
  const ReportInput in = c.Run();
  EXPECT_EQ(Summarize(in.results).exitCode, 2);
  EXPECT_NE(Row(in, "bind:Iv_vb32").outcome.reason.find("the host does not respond"), std::string::npos);
  EXPECT_NE(Row(in, "dialog").outcome.reason.find("the host does not respond"), std::string::npos);
  EXPECT_EQ(Row(in, "file:Apexer.exe").outcome.verdict, Verdict::Held);
  EXPECT_EQ(Row(in, "writable").outcome.verdict, Verdict::Held);
}

TEST(CheckReport, SaysWhatTheRowsSayAndCarriesItsOwnDigest) {
  CheckRig c;
  c.rig.host->script.faults.DialogMissingField = 369;
  ReportInput in = c.Run();
  in.options.reason = "host upgrade";
  const std::string text = ReportText(in);
  EXPECT_NE(text.find("Verdict: DIFFERENCES FOUND"), std::string::npos);
  EXPECT_NE(text.find("Why it was run: host upgrade"), std::string::npos);
  EXPECT_NE(text.find("[differs] Windows and dialog: The dialog has field 369"), std::string::npos);
  EXPECT_NE(text.find("Performed by:"), std::string::npos);
  EXPECT_NE(text.find("Reviewed by:"), std::string::npos);
  const auto at = text.rfind(kReportDigestLabel);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.substr(at + std::string(kReportDigestLabel).size(), 64), Sha256Hex(text.substr(0, at)));
  const std::string html = ReportHtml(in);
  EXPECT_NE(html.find("<tr class=\"differs\">"), std::string::npos);
  EXPECT_NE(html.find("Reviewed by"), std::string::npos);

  // One row that could not be checked, and the verdict is never "all held".
  for (RowResult& r : in.results) r.outcome.verdict = Verdict::Held;
  in.results.back().outcome = Outcome::NotChecked("no host is running");
  EXPECT_EQ(ReportText(in).find("ALL HELD"), std::string::npos);
  EXPECT_NE(ReportText(in).find("Verdict: INCOMPLETE"), std::string::npos);
}

TEST(CheckReport, HostTextsInTheAnsiCodePageBecomeUtf8) {
  EXPECT_EQ(Cp1252ToUtf8("Spektrum \xE4 \x80 \xB1"), "Spektrum \xC3\xA4 \xE2\x82\xAC \xC2\xB1");
  ReportInput in;
  in.rows = {{"x", "G", "A <b>", "h", "e", {}, 1, nullptr}};
  in.results = {{true, Outcome::Held("\"Chromatogram - [a&b]\""), 0}};
  EXPECT_NE(ReportHtml(in).find("&quot;Chromatogram - [a&amp;b]&quot;"), std::string::npos);
  EXPECT_NE(ReportHtml(in).find("A &lt;b&gt;"), std::string::npos);
}

TEST(CheckReports, GoToTheAskedFolderElseBesideTheProgram) {
  fakes::FakeProfileFiles profiles;
  FakeCheckMachine m(profiles);
  Options o;
  o.reportFolder = R"(E:\QA)";
  WrittenReport w = WriteReports(m, o, "20261209-080000", "text", "<html>");
  EXPECT_EQ(w.textPath, R"(E:\QA\ApexerCheck-20261209-080000.txt)");
  EXPECT_EQ(m.written[w.htmlPath], "<html>");
  w = WriteReports(m, Options{}, "20261209-080000", "text", "<html>");
  EXPECT_EQ(w.textPath, kFolder + R"(\ApexerCheck-20261209-080000.txt)");

  // Neither the asked folder nor the program's can be written: the user's own, and the report says why.
  m.unwritable = {R"(E:\QA)", kFolder};
  w = WriteReports(m, o, "20261209-080000", "text", "<html>");
  EXPECT_TRUE(w.written);
  EXPECT_EQ(w.htmlPath, R"(C:\Users\lab\AppData\Local\Apexer\ApexerCheck-20261209-080000.html)");
  EXPECT_NE(w.note.find(R"(E:\QA cannot be written (Access is denied))"), std::string::npos) << w.note;
  EXPECT_NE(w.note.find(kFolder + " cannot be written"), std::string::npos) << w.note;

  m.unwritable.insert(m.LocalAppDataFolder());
  w = WriteReports(m, o, "20261209-080000", "text", "<html>");
  EXPECT_FALSE(w.written) << "nowhere to write is said, not hidden";
}

}  // namespace
}  // namespace apexer::check
