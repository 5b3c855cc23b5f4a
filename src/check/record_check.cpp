#include "check/record_check.h"

namespace apexer::check {

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RecordVerdictText(const std::string& path, const RecordVerdict& verdict) {
  if (verdict.verified) return path + " verifies: " + verdict.why + ".";
  if (verdict.line == 0) return path + " does not verify: " + verdict.why + ".";
  return path + " does not verify: line " + std::to_string(verdict.line) + " " + verdict.why + ".";
}

Outcome CheckRunRecord(CheckContext& c) {
  std::string bytes, error;
  std::string path = c.machine.ProgramFolder() + "\\Apexer.log";
  if (!c.machine.ReadFile(path, bytes, error)) {
    const std::string own = c.machine.LocalAppDataFolder() + "\\Apexer.log";
    std::string ownError;
    if (!c.machine.ReadFile(own, bytes, ownError)) {
      // A new installation has none: nothing was written, so nothing can have been edited.
      return Outcome::Held("no run record beside Apexer.exe or in the user's own folder (" + error +
                           "): Apexer has not run here yet");
    }
    path = own;
  }
  const RecordVerdict verdict = VerifyRecord(bytes, FileNameOf(path));
  const std::string text = RecordVerdictText(path, verdict);
  return verdict.verified ? Outcome::Held(text) : Outcome::Differs(text);
}

}  // namespace apexer::check
