// One run of the self-check: the table run on the checking thread, every change undone on every way out,
// the report made from whatever was done, and written where it can be.
#pragma once
#include <string>
#include <vector>

#include "check/check_platform.h"
#include "check/check_table.h"
#include "check/report.h"

namespace apexer::check {

struct SessionParts {
  Platform& p;  // with host, desktop and status as below
  CheckMachine& machine;
  BoundedHost& host;
  ObservingDesktop& desktop;
  StopOnlyStatus& status;
  RecordInMemory& lines;  // where the run record writes
  RunRecord& record;
};

class CheckSession {
 public:
  CheckSession(SessionParts parts, Options options, std::vector<ManifestEntry> manifest, std::string apexerVersion,
               std::string checkerVersion);

  const std::vector<RowSpec>& Rows() const { return runner_.Rows(); }
  const Options& GetOptions() const { return options_; }
  // The rows done so far, for a window that shows them while the check runs.
  std::vector<RowResult> Results() const { return runner_.Results("not reached"); }
  // Every row, then every change undone; the host settings file read again.
  void Run(Progress& progress);
  // When the checking thread is stopped for good (the watchdog): the changes undone from here.
  void UndoAfterStop() noexcept;
  // The report's content from what is done: rows not reached could not be checked for `why`.
  ReportInput Report(const std::string& why, const std::string& stoppedBecause = "");

 private:
  void UndoAll() noexcept;

  SessionParts parts_;
  Options options_;
  std::string apexerVersion_, checkerVersion_;
  Moment started_;
  Changes changes_;
  CheckContext context_;
  CheckRunner runner_;
};

struct WrittenReport {
  bool written = false;
  std::string textPath, htmlPath;
  std::string note;  // where it went when not where asked, or why it could not be written
};

// "ApexerCheck-<local date and time>.txt" and ".html" in the /report folder, else beside the program, else in
// the user's local application data; a folder that cannot be written passes to the next.
WrittenReport WriteReports(CheckMachine& machine, const Options& options, const std::string& stamp,
                           const std::string& text, const std::string& html);

}  // namespace apexer::check
