#include "check/report.h"

#include "common/sha256.h"
#include "common/text.h"
#include "settings/settings_paths.h"

namespace apexer::check {
namespace {

constexpr const char* kEol = "\r\n";

// Code page 1252's characters 0x80 to 0x9F; the rest of its upper half is Latin-1.
constexpr char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string N(std::size_t n) { return DecimalText(static_cast<long long>(n)); }

std::string Explanation(const Summary& s) {
  switch (s.overall) {
    case Overall::AllHeld:
      return "Every one of the " + N(s.planned) + " checks held: Apexer's assumptions hold on this installation.";
    case Overall::Differences:
      return N(s.differs) + " of the " + N(s.planned) + (s.differs == 1 ? " checks differs" : " checks differ") +
             ": Apexer may fail, or act on the wrong window, on this host. See each difference below.";
    case Overall::Incomplete: break;
  }
  return "No check differs, but " + N(s.notChecked) + " of the " + N(s.planned) +
         " could not be checked: this report does not qualify the installation.";
}

std::string Mode(const Options& o) {
  return o.full ? "functional (/full): one combine at the first peak, one page printed, \"Replace\" set and put back"
                : "read-only: nothing combined, nothing printed, the host settings file not written";
}

std::string ChangeText(const ChangeRecord& c) {
  switch (c.state) {
    case ChangeState::Undone: return "undone: " + c.how;
    case ChangeState::CannotBeUndone: return "cannot be undone: " + c.how;
    case ChangeState::UndoFailed: return "NOT UNDONE: " + c.how;
    case ChangeState::Pending: break;
  }
  return "NOT UNDONE: the check ended before it could undo it";
}

std::string HostSettingsLine(const ReportInput& in) {
  if (!in.hostSettingsCompared) return "";
  const bool same = in.hostSettingsBefore == in.hostSettingsAfter;
  const char* how = same ? " (byte for byte as it was)"
                  : in.options.full ? " (its bytes changed: /full wrote \"Replace\" and wrote it back, see above)"
                                    : " (CHANGED)";
  return std::string(kHostSettingsFile) + ": SHA-256 before " + in.hostSettingsBefore + ", after " +
         in.hostSettingsAfter + how;
}

std::string Who(const ReportInput& in, const std::string& sep) {
  return "Windows user: " + in.user + sep + "Computer: " + in.computer + sep + "Windows: " + in.windows + sep +
         "Started: " + in.started.utc + " (local " + in.started.local + ")" + sep + "Ended: " + in.ended.utc +
         " (local " + in.ended.local + ")";
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : Cp1252ToUtf8(text)) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

const char* VerdictClass(Verdict v) {
  return v == Verdict::Held ? "held" : v == Verdict::Differs ? "differs" : "unchecked";
}

}  // namespace

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char32_t u = c;
    if (c >= 0x80 && c < 0xA0) u = kHigh[c - 0x80];
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string ReportText(const ReportInput& in) {
  const Summary s = Summarize(in.results);
  std::string t;
  const auto line = [&t](const std::string& text) { t += text + kEol; };
  line("Apexer Check report");
  line("===================");
  line(std::string("Verdict: ") + UpperAnsi(OverallText(s.overall)));
  line(Explanation(s));
  if (!in.stoppedBecause.empty()) line("The check was ended early: " + in.stoppedBecause);
  line("Checks planned: " + N(s.planned) + "; run: " + N(s.run) + "; held: " + N(s.held) + "; differ: " +
       N(s.differs) + "; could not be checked: " + N(s.notChecked));
  line("Mode: " + Mode(in.options));
  line("Why it was run: " + (in.options.reason.empty() ? std::string("(not given)") : in.options.reason));
  line("");
  line("Who, where, when");
  line("  " + Who(in, std::string(kEol) + "  "));
  line("");
  line("What was checked against what");
  line("  Apexer " + in.apexerVersion + ", against the file sums built into Apexer Check");
  line("  Apexer Check: " + in.checkerPath + "; version " + in.checkerVersion + "; SHA-256 " + in.checkerSha256);
  for (const auto& f : in.files) {
    line("  " + f.role + ": " + f.path + "; version " + (f.version.empty() ? "(none)" : f.version) + "; SHA-256 " +
         f.sha256);
  }
  line("");
  line("Checks");
  for (std::size_t i = 0; i < in.rows.size() && i < in.results.size(); ++i) {
    const RowSpec& row = in.rows[i];
    const Outcome& o = in.results[i].outcome;
    line("  " + N(i + 1) + ". [" + VerdictText(o.verdict) + "] " + row.group + ": " + row.assumption);
    line("       How:      " + row.how);
    line("       Expected: " + (o.expected.empty() ? row.expected : o.expected));
    line("       Seen:     " + (o.seen.empty() ? std::string("-") : o.seen));
    if (o.verdict == Verdict::NotChecked) line("       Why not:  " + o.reason);
  }
  line("");
  line("Changes the check made, and their undoing");
  if (in.changes.empty()) line("  None: the check changed nothing on the host.");
  for (std::size_t i = 0; i < in.changes.size(); ++i) {
    line("  " + N(i + 1) + ". " + in.changes[i].what);
    line("       " + ChangeText(in.changes[i]));
  }
  if (in.hostSettingsCompared) line("  " + HostSettingsLine(in));
  line("");
  line("Signatures");
  line("  Performed by: name ______________________  date ____________  signature ______________________");
  line("    Meaning: I ran this check on this installation; the report shows what it observed.");
  line("  Reviewed by:  name ______________________  date ____________  signature ______________________");
  line("    Meaning: I reviewed this report and accept its verdict for this installation.");
  line("");
  const std::string utf8 = Cp1252ToUtf8(t);
  return utf8 + kReportDigestLabel + Sha256Hex(utf8) + kEol;
}

std::string ReportHtml(const ReportInput& in) {
  const Summary s = Summarize(in.results);
  std::string h;
  h += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Apexer Check report</title>\n<style>"
       "body{font-family:Segoe UI,Arial,sans-serif;margin:1.5em;color:#222}"
       "table{border-collapse:collapse;width:100%;margin:.5em 0}"
       "th,td{border:1px solid #999;padding:.3em .5em;text-align:left;vertical-align:top;font-size:.9em}"
       "th{background:#eee}.held{background:#e3f4e3}.differs{background:#fbdcdc}.unchecked{background:#fff1c9}"
       ".verdict{font-size:1.4em;font-weight:bold;padding:.4em;border:2px solid #555}"
       ".sign td{height:2.5em}@media print{body{margin:0}}</style></head><body>\n";
  h += "<h1>Apexer Check report</h1>\n";
  const char* cls = s.overall == Overall::AllHeld ? "held" : s.overall == Overall::Differences ? "differs" : "unchecked";
  h += std::string("<p class=\"verdict ") + cls + "\">Verdict: " + Escape(OverallText(s.overall)) + "</p>\n";
  h += "<p>" + Escape(Explanation(s)) + "</p>\n";
  if (!in.stoppedBecause.empty()) h += "<p><b>The check was ended early:</b> " + Escape(in.stoppedBecause) + "</p>\n";
  h += "<table><tr><th>Checks planned</th><th>run</th><th>held</th><th>differ</th><th>could not be checked</th></tr>"
       "<tr><td>" + N(s.planned) + "</td><td>" + N(s.run) + "</td><td>" + N(s.held) + "</td><td>" + N(s.differs) +
       "</td><td>" + N(s.notChecked) + "</td></tr></table>\n";
  h += "<p>Mode: " + Escape(Mode(in.options)) + "<br>Why it was run: " +
       Escape(in.options.reason.empty() ? std::string("(not given)") : in.options.reason) + "</p>\n";
  std::string who = Escape(Who(in, "\n"));
  for (auto at = who.find('\n'); at != std::string::npos; at = who.find('\n', at)) who.replace(at, 1, "<br>");
  h += "<h2>Who, where, when</h2>\n<p>" + who + "</p>\n";
  h += "<h2>What was checked against what</h2>\n<table><tr><th>File</th><th>Path</th><th>Version</th><th>SHA-256</th></tr>\n";
  h += "<tr><td>Apexer Check</td><td>" + Escape(in.checkerPath) + "</td><td>" + Escape(in.checkerVersion) + "</td><td>" +
       Escape(in.checkerSha256) + "</td></tr>\n";
  for (const auto& f : in.files) {
    h += "<tr><td>" + Escape(f.role) + "</td><td>" + Escape(f.path) + "</td><td>" +
         Escape(f.version.empty() ? "(none)" : f.version) + "</td><td>" + Escape(f.sha256) + "</td></tr>\n";
  }
  h += "</table>\n<p>Apexer " + Escape(in.apexerVersion) + " is held against the file sums built into Apexer Check.</p>\n";
  h += "<h2>Checks</h2>\n<table><tr><th>#</th><th>Assumption</th><th>How it is observed</th><th>Expected</th>"
       "<th>Seen</th><th>Verdict</th></tr>\n";
  for (std::size_t i = 0; i < in.rows.size() && i < in.results.size(); ++i) {
    const RowSpec& row = in.rows[i];
    const Outcome& o = in.results[i].outcome;
    std::string verdict = VerdictText(o.verdict);
    if (o.verdict == Verdict::NotChecked) verdict += ": " + o.reason;
    h += std::string("<tr class=\"") + VerdictClass(o.verdict) + "\"><td>" + N(i + 1) + "</td><td>" +
         Escape(row.group + ": " + row.assumption) + "</td><td>" + Escape(row.how) + "</td><td>" +
         Escape(o.expected.empty() ? row.expected : o.expected) + "</td><td>" + Escape(o.seen.empty() ? "-" : o.seen) +
         "</td><td>" + Escape(verdict) + "</td></tr>\n";
  }
  h += "</table>\n<h2>Changes the check made, and their undoing</h2>\n";
  if (in.changes.empty()) h += "<p>None: the check changed nothing on the host.</p>\n";
  if (!in.changes.empty()) {
    h += "<table><tr><th>#</th><th>Change</th><th>Undoing, as observed</th></tr>\n";
    for (std::size_t i = 0; i < in.changes.size(); ++i) {
      h += "<tr><td>" + N(i + 1) + "</td><td>" + Escape(in.changes[i].what) + "</td><td>" +
           Escape(ChangeText(in.changes[i])) + "</td></tr>\n";
    }
    h += "</table>\n";
  }
  if (in.hostSettingsCompared) h += "<p>" + Escape(HostSettingsLine(in)) + "</p>\n";
  h += "<h2>Signatures</h2>\n<table class=\"sign\"><tr><th></th><th>Name</th><th>Date</th><th>Signature</th>"
       "<th>Meaning of the signature</th></tr>\n"
       "<tr><td>Performed by</td><td></td><td></td><td></td><td>I ran this check on this installation; the report "
       "shows what it observed.</td></tr>\n"
       "<tr><td>Reviewed by</td><td></td><td></td><td></td><td>I reviewed this report and accept its verdict for "
       "this installation.</td></tr>\n</table>\n</body></html>\n";
  return h;
}

}  // namespace apexer::check
