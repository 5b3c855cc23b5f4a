// The self-check as one table: each row states one assumption Apexer makes of this installation and its
// host, how it is observed, what was expected, what was seen, and the verdict. The verdict of the whole
// check, its counts, its report and its exit code are all computed from the rows.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check/authenticode.h"
#include "check/bounded_host.h"
#include "check/changes.h"
#include "check/check_machine.h"
#include "check/observing_desktop.h"
#include "common/platform.h"
#include "processing/run_record.h"

namespace apexer::check {

enum class Verdict { Held, Differs, NotChecked };
const char* VerdictText(Verdict v);  // "held", "differs", "could not be checked"

struct Outcome {
  Verdict verdict = Verdict::NotChecked;
  std::string seen;
  std::string reason;    // for NotChecked: why
  std::string expected;  // when the row's expectation is known only while checking (the sample's title)
  static Outcome Held(std::string seen) { return {Verdict::Held, std::move(seen), "", ""}; }
  static Outcome Differs(std::string seen) { return {Verdict::Differs, std::move(seen), "", ""}; }
  static Outcome NotChecked(std::string reason, std::string seen = "") {
    return {Verdict::NotChecked, std::move(seen), std::move(reason), ""};
  }
};

struct CheckContext;

struct RowSpec {
  std::string id;
  std::string group;
  std::string assumption;  // in plain words
  std::string how;         // how it is observed
  std::string expected;
  std::vector<std::string> needs;  // rows that must have held first
  int budgetSeconds = 30;          // the longest the row may take before the watchdog ends the check
  std::function<Outcome(CheckContext&)> check;
};

struct RowResult {
  bool run = false;  // the row's own observation was made
  Outcome outcome;
  double seconds = 0;
};

struct ManifestEntry {
  const char* file;     // beside ApexerCheck.exe
  const char* version;  // of its version resource, as built
  const char* digest;   // image SHA-256 (pe_file.h), as built
};

struct Options {
  bool quiet = false;
  bool full = false;
  std::string reportFolder;
  std::string reason;
  std::string recordFile;  // /record FILE: only that record verified, no check run
};

// What one row leaves for the next: the sample, the windows found, the changes to undo.
struct CheckContext {
  CheckContext(Platform& platform, RunRecord& runRecord, CheckMachine& m, BoundedHost& h, ObservingDesktop& d,
               Changes& ch, const Options& o, std::vector<ManifestEntry> sums)
      : p(platform), record(runRecord), machine(m), host(h), desktop(d), changes(ch), options(o),
        manifest(std::move(sums)) {}

  Platform& p;
  RunRecord& record;  // Apexer's run record, told what the check's own combine and print did
  CheckMachine& machine;
  BoundedHost& host;
  ObservingDesktop& desktop;
  Changes& changes;
  const Options& options;
  std::vector<ManifestEntry> manifest;
  // What Apexer's run record said, kept in memory (check_platform.h): its own words for what it did.
  const std::vector<std::string>* recordLines = nullptr;

  std::string channel;
  Integer printMode = 0;
  std::string libraryPath[3];
  Hwnd mainWindow = 0;
  std::uint32_t hostProcess = 0;
  std::string sampleName;
  RawFileRecord rawFile{};
  std::vector<PeakRecord> peaks;
  Hwnd chromatogram = 0;
  Hwnd dialog = 0;
  int dialogChange = -1;
  std::string savedReplace;
  int replaceChange = -1;
  std::string hostSettingsBefore;  // the host settings file's bytes when the check began
  bool hostSettingsRead = false;

  // What was checked against what: each file's role, path, version and SHA-256 of its bytes.
  struct FileFact {
    std::string role, path, version, sha256;
  };
  std::vector<FileFact> files;
};

// The host's three libraries and the exports Apexer binds of each.
struct HostLibrary {
  const char* file;
  std::vector<const char*> exports;
};
const std::vector<HostLibrary>& HostLibraryTable();

// The verdict on a file's signature from what its bytes say and what Windows says: held only when it is
// signed, the signature is the file's and its chain ends in a root this computer trusts; an unsigned file
// could not be checked (nothing says who made it), which is no difference from a development build.
Outcome SignatureVerdict(const SignatureFacts& facts, const TrustAnswer& trust);

// Every row, in the order they run; the functional rows only with /full.
std::vector<RowSpec> CheckTable(const Options& options, const std::vector<ManifestEntry>& manifest);

// Told by the runner as rows start and end, so a watchdog can tell a check that is stuck.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void RowStarted(std::size_t index, int budgetSeconds) = 0;
  virtual void RowDone(std::size_t index) = 0;
};

enum class Overall { AllHeld, Differences, Incomplete };

struct Summary {
  std::size_t planned = 0;
  std::size_t run = 0;
  std::size_t held = 0;
  std::size_t differs = 0;
  std::size_t notChecked = 0;
  Overall overall = Overall::Incomplete;
  int exitCode = 2;
};
Summary Summarize(const std::vector<RowResult>& results);
const char* OverallText(Overall o);  // "all held", "differences found", "incomplete"

// Runs the rows in order. A row whose needs did not all hold is not run and says why; one that throws
// (the host stopped answering, Apexer's own error) gets a verdict from what was thrown. Results are
// published one by one, so a watchdog that stopped this thread reads whole rows only.
class CheckRunner {
 public:
  CheckRunner(CheckContext& context, std::vector<RowSpec> rows);
  const std::vector<RowSpec>& Rows() const { return rows_; }
  void RunAll(Progress& progress);
  // Copies of the rows done so far; the others could not be checked for `why`.
  std::vector<RowResult> Results(const std::string& why) const;

 private:
  Outcome RunOne(const RowSpec& row, bool& ran);
  const RowResult* Find(const std::string& id) const;

  CheckContext& c_;
  std::vector<RowSpec> rows_;
  std::vector<RowResult> results_;
  std::atomic<std::size_t> done_{0};
};

}  // namespace apexer::check
