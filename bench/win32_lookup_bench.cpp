// One title lookup as the program makes it, on a real desktop crowded with extra top-level windows that
// belong to another process, as the host's do: the bench starts itself again to make them.
//   win32_lookup_bench [EXTRA_WINDOWS] [REPEATS]
//       prints "windows=N lookups=R median_ms=M max_ms=X owner=other-process"
//   win32_lookup_bench --serve-windows EXTRA_WINDOWS CLIENT_PID   (the child: makes the windows, signals
//       ready, waits to be told to quit; 120 s at most)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/window_lookup.h"
#include "win32/win32_desktop.h"
#include "win32/win32_loop.h"

namespace {

// Found only in the second pass, so every lookup reads every title.
constexpr const char* kTargetTitle = "Combine Spectrum Options";

std::string EventName(const char* what, DWORD clientPid) {
  return "ApexerLookupBench-" + std::string(what) + "-" + std::to_string(clientPid);
}

int ServeWindows(int extra, DWORD clientPid) {
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, EventName("ready", clientPid).c_str());
  HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, EventName("quit", clientPid).c_str());
  if (ready == nullptr || quit == nullptr) return 1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ApexerLookupBench";
  RegisterClassA(&wc);
  for (int i = 0; i < extra; ++i) {
    const std::string title = "Extra window " + std::to_string(i);
    CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                    nullptr);
  }
  CreateWindowExA(0, wc.lpszClassName, kTargetTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                  nullptr);
  SetEvent(ready);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD left = 120000 - std::min<DWORD>(GetTickCount() - start, 120000);
    if (MsgWaitForMultipleObjects(1, &quit, FALSE, left, QS_ALLINPUT) != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  return 0;  // the windows go with the process
}

// The child process that owns the windows; always ended, bounded in time.
class WindowServer {
 public:
  explicit WindowServer(int extra) {
    const DWORD self = GetCurrentProcessId();
    ready_ = CreateEventA(nullptr, TRUE, FALSE, EventName("ready", self).c_str());
    quit_ = CreateEventA(nullptr, TRUE, FALSE, EventName("quit", self).c_str());
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string line =
        "\"" + std::string(path) + "\" --serve-windows " + std::to_string(extra) + " " + std::to_string(self);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (ready_ == nullptr || quit_ == nullptr ||
        !CreateProcessA(path, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child_)) {
      return;
    }
    CloseHandle(child_.hThread);
    const HANDLE waits[] = {ready_, child_.hProcess};
    ready = WaitForMultipleObjects(2, waits, FALSE, 120000) == WAIT_OBJECT_0;
  }
  ~WindowServer() {
    if (child_.hProcess != nullptr) {
      SetEvent(quit_);
      if (WaitForSingleObject(child_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(child_.hProcess, 1);
      CloseHandle(child_.hProcess);
    }
    if (ready_ != nullptr) CloseHandle(ready_);
    if (quit_ != nullptr) CloseHandle(quit_);
  }
  DWORD Pid() const { return child_.dwProcessId; }
  bool ready = false;

 private:
  HANDLE ready_ = nullptr;
  HANDLE quit_ = nullptr;
  PROCESS_INFORMATION child_{};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--serve-windows") {
    return ServeWindows(std::atoi(argv[2]), static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
  }
  const int extra = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int repeats = std::max(1, argc > 2 ? std::atoi(argv[2]) : 31);
  WindowServer server(extra);
  if (!server.ready) {
    std::printf("the window server did not become ready\n");
    return 1;
  }
  HWND target = FindWindowA(nullptr, kTargetTitle);
  DWORD owner = 0;
  GetWindowThreadProcessId(target, &owner);
  if (target == nullptr || owner != server.Pid()) {
    std::printf("the windows are not the other process's\n");
    return 1;
  }

  apexer::win32::CallCounts calls;
  apexer::win32::Win32Desktop desktop(calls);
  apexer::win32::Win32Clock clock;
  std::vector<double> times;
  std::vector<apexer::WindowEntry> list;
  const int listed = apexer::ListTopLevelWindows(desktop, list);
  for (int i = 0; i < repeats; ++i) {
    const double start = clock.MonotonicMsFine();
    const apexer::Hwnd found = apexer::FindWindowByTitle(desktop, "Combine Spectrum");
    times.push_back(clock.MonotonicMsFine() - start);
    if (found != apexer::win32::FromHwnd(target)) {
      std::printf("lookup found the wrong window\n");
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("windows=%d lookups=%d median_ms=%.3f max_ms=%.3f owner=other-process\n", listed, repeats,
              times[times.size() / 2], times.back());
  return 0;
}
