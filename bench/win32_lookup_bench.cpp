// One title lookup as the program makes it, on a real desktop crowded with extra top-level windows.
//   win32_lookup_bench [EXTRA_WINDOWS] [REPEATS]   prints "windows=N lookups=R median_ms=M max_ms=X"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/window_lookup.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_pacing.h"

int main(int argc, char** argv) {
  const int extra = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 25;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ApexerLookupBench";
  RegisterClassA(&wc);
  std::vector<HWND> windows;
  for (int i = 0; i < extra; ++i) {
    const std::string title = "Extra window " + std::to_string(i);
    windows.push_back(CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                      nullptr, wc.hInstance, nullptr));
  }
  // Found only in the second pass, so every lookup reads every title.
  HWND target = CreateWindowExA(0, wc.lpszClassName, "Combine Spectrum Options", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, wc.hInstance, nullptr);

  apexer::win32::WaitPacer pacer;
  apexer::win32::Win32Desktop desktop(pacer);
  apexer::win32::Win32Clock clock;
  std::vector<double> times;
  std::vector<apexer::WindowEntry> list;
  const int listed = apexer::ListTopLevelWindows(desktop, list);
  for (int i = 0; i < repeats; ++i) {
    const double start = clock.MonotonicMsFine();
    const apexer::Hwnd found = apexer::FindWindowByTitle(desktop, "Combine Spectrum");
    times.push_back(clock.MonotonicMsFine() - start);
    if (found != static_cast<apexer::Hwnd>(reinterpret_cast<UINT_PTR>(target))) {
      std::printf("lookup found the wrong window\n");
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("windows=%d lookups=%d median_ms=%.3f max_ms=%.3f\n", listed, repeats, times[times.size() / 2],
              times.back());
  for (HWND w : windows) DestroyWindow(w);
  DestroyWindow(target);
  return 0;
}
