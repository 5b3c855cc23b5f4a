// Files in memory for the run record, with folders that refuse writing and a settable local time.
#pragma once
#include <map>
#include <set>
#include <string>

#include "platform/record_files.h"

namespace apexer::fakes {

class FakeRecordFiles : public platform::RecordFiles {
 public:
  platform::LocalTime Now() override { return now; }
  std::string UserName() override { return "lab"; }
  std::string ComputerName() override { return "LCMS-01"; }
  unsigned long ProcessId() override { return 4242; }
  bool ReadWhole(const std::string& path, std::string& bytes) override;
  bool FileFacts(const std::string& path, long long& size, platform::LocalTime& lastWrite) override;
  bool Append(const std::string& path, const std::string& bytes) override;
  long long FileSize(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  bool CopyReplacing(const std::string& from, const std::string& to) override;
  bool Empty(const std::string& path) override;
  std::string ReadTail(const std::string& path, long long bytes) override;
  std::string LocalAppDataFolder(const std::string& sub) override;

  std::string Text(const std::string& path) const;

  platform::LocalTime now{2026, 12, 8, 9, 5, 7, 42, 60};
  platform::LocalTime written{2026, 12, 1, 17, 30, 0, 0, 60};  // every file's last write
  std::map<std::string, std::string> files;
  std::set<std::string> readOnlyFolders;  // a file directly inside one of these cannot be written
  std::set<std::string> heldOpen;         // held by another program that shares reading and writing: not renamed
  int failingAppends = 0;                 // so many appends fail, as a passing failure would
  std::string localAppData = R"(C:\Users\lab\AppData\Local)";  // empty: the user has none
};

}  // namespace apexer::fakes
