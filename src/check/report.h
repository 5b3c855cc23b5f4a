// The report a reviewer signs, in plain text and in HTML: everything in it is computed from the rows and
// the changes as they were observed.
#pragma once
#include <string>
#include <vector>

#include "check/changes.h"
#include "check/check_machine.h"
#include "check/check_table.h"

namespace apexer::check {

struct ReportInput {
  Options options;
  std::string apexerVersion;                   // as built into this program
  std::string checkerPath, checkerVersion, checkerSha256;
  std::string user, computer, windows;
  Moment started, ended;
  std::vector<RowSpec> rows;                   // the table as planned
  std::vector<RowResult> results;              // one per row
  std::vector<ChangeRecord> changes;
  std::vector<CheckContext::FileFact> files;
  bool hostSettingsCompared = false;
  std::string hostSettingsBefore, hostSettingsAfter;  // SHA-256 of its bytes
  std::string stoppedBecause;                  // set when a watchdog ended the check early
};

// Texts inside the check are in the ANSI code page (1252), as the host's are; the reports are UTF-8.
std::string Cp1252ToUtf8(const std::string& text);

// The plain-text report; its last line holds the SHA-256 of every byte before that line.
std::string ReportText(const ReportInput& in);
std::string ReportHtml(const ReportInput& in);

// "SHA-256 of this report above this line: " and the hex digest.
inline constexpr const char* kReportDigestLabel = "SHA-256 of this report above this line: ";

}  // namespace apexer::check
