// The run record's file operations and local time on the real kernel32 and shell32.
#pragma once
#include "platform/record_files.h"

namespace apexer::win32 {

class Win32RecordFiles : public platform::RecordFiles {
 public:
  platform::LocalTime Now() override;
  std::string UserName() override;
  std::string ComputerName() override;
  unsigned long ProcessId() override;
  bool ReadWhole(const std::string& path, std::string& bytes) override;
  bool FileFacts(const std::string& path, long long& size, platform::LocalTime& lastWrite) override;
  bool Append(const std::string& path, const std::string& bytes) override;
  long long FileSize(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  bool CopyReplacing(const std::string& from, const std::string& to) override;
  bool Empty(const std::string& path) override;
  std::string ReadTail(const std::string& path, long long bytes) override;
  std::string LocalAppDataFolder(const std::string& sub) override;
};

}  // namespace apexer::win32
