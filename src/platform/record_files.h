// What the run record needs of the machine: the local time, who runs it where, and a few file operations.
#pragma once
#include <string>

namespace apexer::platform {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int utcOffsetMinutes = 0;  // local time minus UTC
};

class RecordFiles {
 public:
  virtual ~RecordFiles() = default;
  virtual LocalTime Now() = 0;
  // The Windows user and the computer's name; empty when not known.
  virtual std::string UserName() = 0;
  virtual std::string ComputerName() = 0;
  virtual unsigned long ProcessId() = 0;
  // The whole file; false when it cannot be read.
  virtual bool ReadWhole(const std::string& path, std::string& bytes) = 0;
  // Size and last-write time (local, with its offset) of a file; false when absent or unreadable.
  virtual bool FileFacts(const std::string& path, long long& size, LocalTime& lastWrite) = 0;
  // Appends the bytes, creating the file but not its folder; false when they could not all be written.
  virtual bool Append(const std::string& path, const std::string& bytes) = 0;
  // Size in bytes; -1 when the file is absent or cannot be read.
  virtual long long FileSize(const std::string& path) = 0;
  // Renames `from` to `to`, replacing `to`; false when that failed.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
  // Copies `from` over `to`; false when that failed.
  virtual bool CopyReplacing(const std::string& from, const std::string& to) = 0;
  // Cuts the file to no bytes, while others may hold it open; false when that failed.
  virtual bool Empty(const std::string& path) = 0;
  // The last `bytes` bytes of the file (all of a shorter one); empty when absent or unreadable.
  virtual std::string ReadTail(const std::string& path, long long bytes) = 0;
  // The folder `sub` inside the user's local application-data folder, made when missing; empty when
  // there is none.
  virtual std::string LocalAppDataFolder(const std::string& sub) = 0;
};

}  // namespace apexer::platform
