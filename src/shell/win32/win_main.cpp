// Apexer.exe: builds the real platform around the portable core and runs the job once.
#include <exception>
#include <string>

#include "common/platform.h"
#include "win32/win32_handles.h"  // windows.h before commctrl.h

#include <commctrl.h>

#include "shell/about_box.h"
#include "win32/win32_backend.h"
#include "win32/win32_record_files.h"
#include "win32/win32_scoped.h"
#include "shell/startup.h"
#include "shell/win32/about_form.h"
#include "shell/win32/application.h"
#include "shell/win32/status_form.h"

namespace {

#ifdef APEXER_COUNT_CALLS
// The measuring build leaves its counts beside the executable as it ends.
void WriteCallCounts(const apexer::win32::CallCounts& calls) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string file(path, n);
  file = file.substr(0, file.find_last_of('\\') + 1) + "Apexer.calls.json";
  const std::string json = calls.Json();
  const apexer::win32::ScopedHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return;
  DWORD written = 0;
  WriteFile(h.get(), json.data(), static_cast<DWORD>(json.size()), &written, nullptr);
}
#else
void WriteCallCounts(const apexer::win32::CallCounts&) {}
#endif

// Ends the process from inside the scope: the status window still stands, showing the result, until the
// process is gone, and no destructor runs after the run has ended.
[[noreturn]] void RunProgram(HINSTANCE instance) {
  using namespace apexer::win32;
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  Win32Backend b;
  Win32Application app;
  Win32RecordFiles recordFiles;
  apexer::RunRecord record(recordFiles, app, apexer::kVersionText);
  try {
    StatusFormWindow status(instance, b.loop);
    app.SetReportOwner(status.Window());
    status.SetAboutHandler([&status, &app] {
      apexer::AppInfo info;
      info.Fill = apexer::kTrue;
      ShowAboutBox(status, app, info);
    });
    apexer::Platform p{b.desktop, b.profiles, b.memory, b.clock, b.loop, app, status, b.host};
    const int code = apexer::Main(p, record);
    WriteCallCounts(b.calls);
    ExitProcess(static_cast<UINT>(code));
  } catch (const std::exception& e) {
    // Only the status window's creation can get here: Main reports everything else itself.
    app.ReportUncaughtError(51, std::string("Internal error: ") + e.what());
  }
  ExitProcess(static_cast<UINT>(apexer::kExitError));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { RunProgram(instance); }
