#include "win32/win32_record_files.h"

#include "win32/win32_scoped.h"

#include <shlobj.h>

namespace apexer::win32 {

namespace {

// A UTC file time as local time with the offset in force at that moment.
bool LocalFromUtc(const FILETIME& utc, platform::LocalTime& out) {
  SYSTEMTIME u, l;
  if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &l)) return false;
  FILETIME lf;
  if (!SystemTimeToFileTime(&l, &lf)) return false;
  const auto ticks = [](const FILETIME& f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  out = {l.wYear, l.wMonth, l.wDay, l.wHour, l.wMinute, l.wSecond, l.wMilliseconds,
         static_cast<int>((ticks(lf) - ticks(utc)) / 600000000LL)};
  return true;
}

}  // namespace

platform::LocalTime Win32RecordFiles::Now() {
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  platform::LocalTime t;
  if (LocalFromUtc(utc, t)) return t;
  SYSTEMTIME st;
  GetSystemTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, 0};
}

std::string Win32RecordFiles::UserName() {
  char name[256];
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : std::string();
}

std::string Win32RecordFiles::ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

unsigned long Win32RecordFiles::ProcessId() { return GetCurrentProcessId(); }

bool Win32RecordFiles::ReadWhole(const std::string& path, std::string& bytes) {
  const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > (1LL << 30)) return false;
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return false;
  bytes.resize(read);
  return true;
}

bool Win32RecordFiles::FileFacts(const std::string& path, long long& size, platform::LocalTime& lastWrite) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return LocalFromUtc(data.ftLastWriteTime, lastWrite);
}

bool Win32RecordFiles::Append(const std::string& path, const std::string& bytes) {
  // Others may read the record, or append to it from another Apexer, or move it aside, while it is open.
  const ScopedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

long long Win32RecordFiles::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32RecordFiles::MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Win32RecordFiles::CopyReplacing(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32RecordFiles::Empty(const std::string& path) {
  // Shared as a reader's editor or a backup shares it, so that their handle does not stop this one.
  const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && SetEndOfFile(file.get()) != 0;
}

std::string Win32RecordFiles::ReadTail(const std::string& path, long long bytes) {
  const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.valid() || !GetFileSizeEx(file.get(), &size)) return {};
  const long long take = size.QuadPart < bytes ? size.QuadPart : bytes;
  LARGE_INTEGER at;
  at.QuadPart = size.QuadPart - take;
  std::string tail(static_cast<std::size_t>(take), '\0');
  DWORD read = 0;
  if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
      !ReadFile(file.get(), tail.data(), static_cast<DWORD>(take), &read, nullptr)) {
    return {};
  }
  tail.resize(read);
  return tail;
}

std::string Win32RecordFiles::LocalAppDataFolder(const std::string& sub) {
  char base[MAX_PATH];
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base))) {
    return {};
  }
  const std::string folder = std::string(base) + "\\" + sub;
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return {};
  return folder;
}

}  // namespace apexer::win32
