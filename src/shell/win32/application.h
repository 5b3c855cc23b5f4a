// The application object: where the executable is, its title, the error report, file dates.
#pragma once
#include <string>

#include "platform/forms.h"
#include "win32/win32_handles.h"

namespace apexer::win32 {

// The classic runtime's number for a file that cannot be found.
constexpr Long kFileNotFound = 53;

class Win32Application : public platform::Application {
 public:
  Win32Application();

  std::string Path() override { return path_; }
  std::string EXEName() override { return exeName_; }
  // The program's title is its own, whatever the executable file is called.
  std::string Title() override { return "Apexer"; }
  void ReportUncaughtError(Long number, const std::string& description) override;
  std::string FileDateLongFormat(const std::string& path) override;
  int CurrentYear() override;

  // The error report is owned by this window when it is shown, so it stays above it.
  void SetReportOwner(HWND window) { reportOwner_ = window; }

 private:
  std::string path_;
  std::string exeName_;
  HWND reportOwner_ = nullptr;
};

// "Run-time error '<number>':", a blank line, the description.
std::string UncaughtErrorText(Long number, const std::string& description);

}  // namespace apexer::win32
