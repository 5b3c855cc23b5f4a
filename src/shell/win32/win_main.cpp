// Apexer.exe: builds the real platform around the portable core and runs the job once.
#include <exception>

#include "platform/platform.h"
#include "platform/win32/win32_handles.h"  // windows.h before commctrl.h

#include <commctrl.h>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_global_memory.h"
#include "platform/win32/win32_host_libraries.h"
#include "platform/win32/win32_pacing.h"
#include "platform/win32/win32_profile_files.h"
#include "shell/startup.h"
#include "shell/win32/about_form.h"
#include "shell/win32/application.h"
#include "shell/win32/status_form.h"

namespace {

// Ends the process from inside the scope: the status window still stands, showing the result, until the
// process is gone, and no destructor runs after the run has ended.
[[noreturn]] void RunProgram(HINSTANCE instance) {
  using namespace apexer::win32;
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  WaitPacer pacer;
  Win32Clock clock;
  Win32MessageLoop loop(pacer);
  Win32Desktop desktop(pacer);
  Win32ProfileFiles profiles;
  Win32GlobalMemory memory;
  Win32HostLibraries host(pacer);
  Win32Application app;
  try {
    StatusFormWindow status(instance, loop);
    app.SetReportOwner(status.Window());
    status.SetAboutHandler([&status, &app] {
      apexer::AppInfo info;
      info.Fill = apexer::kTrue;
      ShowAboutBox(status, app, info);
    });
    apexer::platform::Platform p{desktop, profiles, memory, clock, loop, app, status, host};
    ExitProcess(static_cast<UINT>(apexer::Main(p)));
  } catch (const std::exception& e) {
    // Only the status window's creation can get here: Main reports everything else itself.
    app.ReportUncaughtError(51, std::string("Internal error: ") + e.what());
  }
  ExitProcess(static_cast<UINT>(apexer::kExitError));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { RunProgram(instance); }
