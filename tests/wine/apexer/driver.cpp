// Drives and inspects the program's windows from outside for the Wine checks, as a user or a screen
// reader would: finds windows, reads their texts and places, clicks.
//   driver wait TITLE MS           handle of a top-level window with that title, waiting up to MS
//   driver info HWND               rect=l,t,w,h topmost= visible= enabled= title= class= icon=
//   driver controls HWND           one line per child: id= class= text= rect= icon=
//   driver click HWND ID           posts a click to the child button with that id
//   driver click-menu HWND         a real mouse click on the first entry of the window's menu bar
//   driver close HWND              asks the window to close, as its title-bar close button does
//   driver post HWND MESSAGE       posts a message without parameters
//   driver message-box TITLE MS    waits for a message box, prints its text, presses its button
//   driver long-date PATH          the file's last-modified date in the long date format
//   driver metrics                 screen size and caption height in pixels, DPI
//   driver click-timed HWND ID [MS] posts a click to the child button with that id and waits up to MS
//                                  (10 s) for HWND's process to end: click_to_exit_ms=<ms> exit_code=<n>
//   driver host-window TITLE MS    after MS, a window of another program (as the host's would be):
//                                  ignores WM_CLOSE, reports the commands it gets, closes on WM_APP;
//                                  prints "created|command N|closed at <ms>" lines, lives 60 s at most
//   driver host-window TITLE MS host
//                                  a minimal host instead: a main window "Double Host" at once; the
//                                  launch command (WM_APP + 1 from the library double) opens TITLE, whose
//                                  command 354 opens "Combine Spectrum" (edits 308, 310, 369, 176, OK);
//                                  OK prints "ok at <ms> 308=[..] 310=[..] 369=[..] 176=[..]", closes the
//                                  dialog and shows "Spectrum Combine" for 50 ms; WM_APP ends it all
//   driver hold-file PATH MS       keeps PATH open for MS, shared for reading only, so that nobody can
//                                  write it meanwhile (as a read-only file would, whoever runs the program)
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

HWND Parse(const char* text) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(text, nullptr, 0))); }

HWND WaitFor(const char* cls, const char* title, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND h = FindWindowA(cls, title)) return h;
    if (GetTickCount() - start > ms) return nullptr;
    Sleep(20);
  }
}

std::string Text(HWND h) {
  char buffer[512] = "";
  GetWindowTextA(h, buffer, sizeof buffer);
  return buffer;
}

std::string Class(HWND h) {
  char buffer[128] = "";
  GetClassNameA(h, buffer, sizeof buffer);
  return buffer;
}

void PrintRect(const char* name, HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  std::printf("%s=%ld,%ld,%ld,%ld", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  std::printf("id=%d class=%s ", GetDlgCtrlID(child), Class(child).c_str());
  PrintRect("rect", child);
  const LRESULT icon = SendMessageA(child, STM_GETICON, 0, 0);
  std::printf(" icon=%d text=%s\n", Class(child) == "Static" && icon != 0 ? 1 : 0, Text(child).c_str());
  return TRUE;
}

struct BoxText {
  std::string text;
};

BOOL CALLBACK LongestStatic(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<BoxText*>(param);
  const std::string t = Text(child);
  if (Class(child) == "Static" && t.size() > box->text.size()) box->text = t;
  return TRUE;
}

double NowMs() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// The minimal host: its windows, all of this thread.
struct MiniHost {
  std::string chromatogramTitle;
  HWND main = nullptr;
  HWND chromatogram = nullptr;
} host;

const int kFieldIds[] = {308, 310, 369, 176};

HWND Create(const char* cls, const char* title, DWORD style, HWND parent, int id, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, title, style, x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK CombiningWindow(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m != WM_TIMER) return DefWindowProcA(w, m, wp, lp);
  DestroyWindow(w);
  return 0;
}

LRESULT CALLBACK CombineDialog(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m != WM_COMMAND || LOWORD(wp) != IDOK) return DefWindowProcA(w, m, wp, lp);
  std::printf("ok at %.3f", NowMs());
  for (int id : kFieldIds) std::printf(" %d=[%s]", id, Text(GetDlgItem(w, id)).c_str());
  std::printf("\n");
  std::fflush(stdout);
  DestroyWindow(w);
  HWND combining = Create("ApexerCheckCombining", "Spectrum Combine", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                          nullptr, 0, 700, 100, 200, 80);
  SetTimer(combining, 1, 50, nullptr);
  return 0;
}

void OpenCombineDialog() {
  HWND dialog = Create("ApexerCheckCombine", "Combine Spectrum", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, nullptr, 0,
                       660, 80, 260, 200);
  int y = 8;
  // Stale texts, so a field the program does not write shows.
  for (int id : kFieldIds) {
    Create("EDIT", "stale", WS_CHILD | WS_VISIBLE | WS_BORDER, dialog, id, 8, y, 160, 22);
    y += 30;
  }
  Create("BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, dialog, IDOK, 176, 8, 60, 24);
}

LRESULT CALLBACK HostWindow(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  const bool playsHost = !host.chromatogramTitle.empty();
  switch (m) {
    case WM_CLOSE:
      if (playsHost) break;
      std::printf("close ignored at %.3f\n", NowMs());
      std::fflush(stdout);
      return 0;
    case WM_COMMAND:
      std::printf("command %u at %.3f\n", static_cast<unsigned>(LOWORD(wp)), NowMs());
      std::fflush(stdout);
      if (playsHost && LOWORD(wp) == 354) OpenCombineDialog();
      return 0;
    case WM_APP + 1:  // the host's launch command
      if (!IsWindow(host.chromatogram)) {
        host.chromatogram = Create("ApexerCheckHostWindow", host.chromatogramTitle.c_str(),
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 640, 480, 320, 200);
      }
      return 0;
    case WM_APP:
      std::printf("closing at %.3f\n", NowMs());
      if (playsHost && IsWindow(host.chromatogram)) DestroyWindow(host.chromatogram);
      DestroyWindow(w);
      std::printf("closed at %.3f\n", NowMs());
      std::fflush(stdout);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(w, m, wp, lp);
}

int RunHostWindow(const char* title, DWORD delayMs, bool playsHost) {
  Sleep(delayMs);
  const std::pair<const char*, WNDPROC> classes[] = {{"ApexerCheckHostWindow", HostWindow},
                                                     {"ApexerCheckCombine", CombineDialog},
                                                     {"ApexerCheckCombining", CombiningWindow}};
  for (const auto& [name, proc] : classes) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
  }
  if (playsHost) host.chromatogramTitle = title;
  HWND w = Create("ApexerCheckHostWindow", playsHost ? "Double Host" : title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                  nullptr, 0, 600, 440, 320, 200);
  std::printf("created at %.3f\n", NowMs());
  std::fflush(stdout);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
    DispatchMessageA(&msg);
  }
  if (IsWindow(w)) DestroyWindow(w);
  return 0;
}

// Clicks a button of another process's window and times until that process has ended.
int ClickTimed(HWND window, int id, DWORD limitMs) {
  HWND button = GetDlgItem(window, id);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = pid != 0 ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
  if (button == nullptr || process == nullptr) {
    std::printf("click_to_exit_ms=none exit_code=none (no button or no process)\n");
    return 1;
  }
  const double start = NowMs();
  const bool posted = PostMessageA(button, BM_CLICK, 0, 0) != 0;
  const DWORD waited = posted ? WaitForSingleObject(process, limitMs) : WAIT_FAILED;
  const double end = NowMs();
  DWORD code = 0;
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
    std::printf("click_to_exit_ms=none exit_code=none (%s)\n", posted ? "still running" : "not posted");
    CloseHandle(process);
    return 1;
  }
  CloseHandle(process);
  std::printf("click_to_exit_ms=%.3f exit_code=%lu\n", end - start, static_cast<unsigned long>(code));
  return 0;
}

void Click(int x, int y) {
  SetCursorPos(x, y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  Sleep(50);
  SendInput(1, &in[1], sizeof(INPUT));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string cmd = argv[1];
  if (cmd == "wait" && argc == 4) {
    HWND h = WaitFor(nullptr, argv[2], static_cast<DWORD>(std::atoi(argv[3])));
    if (h == nullptr) return 1;
    std::printf("0x%08lx\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
    return 0;
  }
  if (cmd == "info" && argc == 3) {
    HWND h = Parse(argv[2]);
    if (!IsWindow(h)) return 1;
    PrintRect("rect", h);
    RECT c;
    GetClientRect(h, &c);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    const LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
    std::printf("\nclient=%ld,%ld,%ld,%ld\ntopmost=%d\nvisible=%d\nenabled=%d\nowner=%d\nclass=%s\nicon=%d\ntitle=%s\n",
                origin.x, origin.y, c.right, c.bottom, (ex & WS_EX_TOPMOST) ? 1 : 0, IsWindowVisible(h) ? 1 : 0,
                IsWindowEnabled(h) ? 1 : 0, GetWindow(h, GW_OWNER) != nullptr ? 1 : 0, Class(h).c_str(),
                GetClassLongPtrA(h, GCLP_HICON) != 0 ? 1 : 0, Text(h).c_str());
    return 0;
  }
  if (cmd == "controls" && argc == 3) {
    EnumChildWindows(Parse(argv[2]), PrintChild, 0);
    return 0;
  }
  if (cmd == "click" && argc == 4) {
    HWND button = GetDlgItem(Parse(argv[2]), std::atoi(argv[3]));
    if (button == nullptr) return 1;
    return PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
  }
  if (cmd == "post" && argc == 4) {
    return PostMessageA(Parse(argv[2]), static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)), 0, 0) ? 0 : 1;
  }
  if (cmd == "close" && argc == 3) {
    return PostMessageA(Parse(argv[2]), WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (cmd == "click-menu" && argc == 3) {
    HWND h = Parse(argv[2]);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    SetForegroundWindow(h);
    // The menu bar lies just above the client area; its first entry starts at the left.
    Click(origin.x + 12, origin.y - GetSystemMetrics(SM_CYMENU) / 2);
    return 0;
  }
  if (cmd == "message-box" && argc == 4) {
    HWND box = WaitFor("#32770", argv[2], static_cast<DWORD>(std::atoi(argv[3])));
    if (box == nullptr) return 1;
    BoxText text;
    EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
    std::string flat;
    for (char c : text.text) flat += (c == '\r') ? std::string() : (c == '\n' ? std::string("|") : std::string(1, c));
    std::printf("owner=%d\ntext=%s\n", GetWindow(box, GW_OWNER) != nullptr ? 1 : 0, flat.c_str());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (cmd == "long-date" && argc == 3) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME st;
    char text[128];
    if (!GetFileAttributesExA(argv[2], GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st) ||
        !GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, text, sizeof text)) {
      return 1;
    }
    std::printf("%s\n", text);
    return 0;
  }
  if (cmd == "hold-file" && argc == 4) {
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(argv[3])));
    CloseHandle(file);
    return 0;
  }
  if (cmd == "click-timed" && (argc == 4 || argc == 5)) {
    return ClickTimed(Parse(argv[2]), std::atoi(argv[3]), argc == 5 ? static_cast<DWORD>(std::atoi(argv[4])) : 10000);
  }
  if (cmd == "host-window" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "host"))) {
    return RunHostWindow(argv[2], static_cast<DWORD>(std::atoi(argv[3])), argc == 5);
  }
  if (cmd == "metrics") {
    HDC dc = GetDC(nullptr);
    std::printf("screen=%d,%d\ncaption=%d\ndpi=%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetSystemMetrics(SM_CYCAPTION), GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    return 0;
  }
  return 2;
}
