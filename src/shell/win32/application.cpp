#include "shell/win32/application.h"

#include <vector>

#include "common/errors.h"

namespace apexer::win32 {
namespace {

std::string ModuleFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

Win32Application::Win32Application() {
  const std::string file = ModuleFileName();
  const auto slash = file.find_last_of("\\/");
  const std::string dir = slash == std::string::npos ? std::string() : file.substr(0, slash);
  // The classic application path keeps the backslash of a drive's root ("C:\") and drops any other.
  path_ = (dir.size() == 2 && dir[1] == ':') ? dir + "\\" : dir;
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  exeName_ = dot == std::string::npos ? name : name.substr(0, dot);
}

std::string UncaughtErrorText(Long number, const std::string& description) {
  return "Run-time error '" + std::to_string(number) + "':\r\n\r\n" + description;
}

void Win32Application::ReportUncaughtError(Long number, const std::string& description) {
  HWND owner = (reportOwner_ != nullptr && IsWindowVisible(reportOwner_)) ? reportOwner_ : nullptr;
  MessageBoxA(owner, UncaughtErrorText(number, description).c_str(), Title().c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | (owner == nullptr ? MB_TOPMOST : 0));
}

std::string Win32Application::FileDateLongFormat(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME st;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) {
    throw AppError(kFileNotFound, "File not found");
  }
  char text[128];
  const int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, text, sizeof text);
  if (n <= 0) throw AppError(kFileNotFound, "File not found");
  return std::string(text, static_cast<std::size_t>(n - 1));
}

int Win32Application::CurrentYear() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return st.wYear;
}

}  // namespace apexer::win32
