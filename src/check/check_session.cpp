#include "check/check_session.h"

#include "common/sha256.h"
#include "settings/settings_paths.h"

namespace apexer::check {

CheckSession::CheckSession(SessionParts parts, Options options, std::vector<ManifestEntry> manifest,
                           std::string apexerVersion, std::string checkerVersion)
    : parts_(parts),
      options_(std::move(options)),
      apexerVersion_(std::move(apexerVersion)),
      checkerVersion_(std::move(checkerVersion)),
      started_(parts.machine.Now()),
      context_(parts.p, parts.record, parts.machine, parts.host, parts.desktop, changes_, options_, manifest),
      runner_(context_, CheckTable(options_, manifest)) {
  context_.recordLines = &parts_.lines.lines;
}

void CheckSession::UndoAll() noexcept {
  parts_.status.undoing.store(true);
  changes_.UndoAll();
}

void CheckSession::Run(Progress& progress) {
  runner_.RunAll(progress);
  UndoAll();
}

void CheckSession::UndoAfterStop() noexcept { UndoAll(); }

ReportInput CheckSession::Report(const std::string& why, const std::string& stoppedBecause) {
  ReportInput in;
  in.options = options_;
  in.apexerVersion = apexerVersion_;
  in.checkerPath = parts_.machine.ProgramPath();
  in.checkerVersion = checkerVersion_;
  std::string bytes, error;
  in.checkerSha256 = parts_.machine.ReadFile(in.checkerPath, bytes, error) ? Sha256Hex(bytes) : "(" + error + ")";
  in.user = parts_.machine.WindowsUser();
  in.computer = parts_.machine.ComputerName();
  in.windows = parts_.machine.WindowsVersion();
  in.started = started_;
  in.ended = parts_.machine.Now();
  in.rows = runner_.Rows();
  in.results = runner_.Results(why);
  in.changes = changes_.Snapshot();
  in.files = context_.files;
  if (context_.hostSettingsRead) {
    in.hostSettingsCompared = true;
    in.hostSettingsBefore = Sha256Hex(context_.hostSettingsBefore);
    std::string after;
    in.hostSettingsAfter = parts_.machine.ReadFile(kHostSettingsFile, after, error) ? Sha256Hex(after) : "(" + error + ")";
  }
  in.stoppedBecause = stoppedBecause;
  return in;
}

WrittenReport WriteReports(CheckMachine& machine, const Options& options, const std::string& stamp,
                           const std::string& text, const std::string& html) {
  WrittenReport out;
  std::vector<std::string> folders;
  if (!options.reportFolder.empty()) folders.push_back(options.reportFolder);
  folders.push_back(machine.ProgramFolder());
  std::string notes;
  for (std::size_t i = 0; i <= folders.size(); ++i) {
    const std::string folder = i < folders.size() ? folders[i] : machine.LocalAppDataFolder();
    if (folder.empty()) continue;
    std::string base = folder;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    base += "ApexerCheck-" + stamp;
    std::string error;
    if (machine.WriteFile(base + ".txt", text, error) && machine.WriteFile(base + ".html", html, error)) {
      out.written = true;
      out.textPath = base + ".txt";
      out.htmlPath = base + ".html";
      out.note = notes;
      return out;
    }
    notes += (notes.empty() ? "" : "; ") + folder + " cannot be written (" + error + ")";
  }
  out.note = notes;
  return out;
}

}  // namespace apexer::check
