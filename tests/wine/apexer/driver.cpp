// Drives and inspects the program's windows from outside for the Wine checks, as a user or a screen
// reader would: finds windows, reads their texts and places, clicks.
//   driver wait TITLE MS           handle of a top-level window with that title, waiting up to MS
//   driver info HWND               rect=l,t,w,h topmost= visible= enabled= title= class= icon=
//   driver controls HWND           one line per child: id= class= text= rect= icon=
//   driver click HWND ID           posts a click to the child button with that id
//   driver click-menu HWND         a real mouse click on the first entry of the window's menu bar
//   driver menu-point HWND         the screen point click-menu clicks: x,y
//   driver close HWND              asks the window to close, as its title-bar close button does
//   driver post HWND MESSAGE       posts a message without parameters
//   driver message-box TITLE MS    waits for a message box, prints its text, presses its button
//   driver long-date PATH          the file's last-modified date in the long date format
//   driver metrics                 screen size and caption height in pixels, DPI
//   driver click-timed HWND ID [MS] posts a click to the child button with that id and waits up to MS
//                                  (10 s) for HWND's process to end: click_to_exit_ms=<ms> exit_code=<n>
//   driver hold-file PATH MS [readwrite]  keeps PATH open for MS, shared for reading only, so that nobody can
//                                  write it meanwhile (as a read-only file would, whoever runs the program);
//                                  readwrite: shared for reading and writing, not deleting, as an editor or a
//                                  backup holds a file (others append; nobody renames it)
//   driver trust-root FILE.cer     the certificate (DER) among the computer's trusted roots, as IT adds its own
//   driver distrust-root FILE.cer  taken out of them again
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

// The certificate file in the local machine's "Root" store (added, or taken out).
int TrustRoot(const char* path, bool trust) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BYTE der[16384];
  DWORD size = 0;
  const BOOL read = ReadFile(file, der, sizeof der, &size, nullptr);
  CloseHandle(file);
  if (!read || size == 0) return 1;
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
  if (store == nullptr) return 1;
  PCCERT_CONTEXT added = nullptr;
  BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, size, CERT_STORE_ADD_REPLACE_EXISTING,
                                             &added);
  if (ok && !trust) ok = CertDeleteCertificateFromStore(added);  // frees the context
  else if (added != nullptr) CertFreeCertificateContext(added);
  CertCloseStore(store, 0);
  std::printf("%s\n", ok ? (trust ? "trusted" : "distrusted") : "failed");
  return ok ? 0 : 1;
}

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

// The menu bar lies just above the client area; its first entry starts at the left.
POINT FirstMenuEntry(HWND window) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return POINT{origin.x + 12, origin.y - GetSystemMetrics(SM_CYMENU) / 2};
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
    SetForegroundWindow(h);
    const POINT entry = FirstMenuEntry(h);
    Click(entry.x, entry.y);
    return 0;
  }
  if (cmd == "at" && argc == 4) {
    POINT pt{std::atoi(argv[2]), std::atoi(argv[3])};
    HWND w = WindowFromPoint(pt);
    HWND root = w ? GetAncestor(w, GA_ROOT) : nullptr;
    std::printf("window=0x%08lx root=0x%08lx title=%s topmost=%d\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(w)),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(root)), root ? Text(root).c_str() : "",
                root && (GetWindowLongA(root, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    return 0;
  }
  if (cmd == "menu-point" && argc == 3) {
    HWND h = Parse(argv[2]);
    if (!IsWindow(h)) return 1;
    const POINT entry = FirstMenuEntry(h);
    std::printf("%ld,%ld\n", entry.x, entry.y);
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
  if (cmd == "hold-file" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "readwrite") == 0))) {
    const DWORD share = argc == 5 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE file = CreateFileA(argv[2], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
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
  if ((cmd == "trust-root" || cmd == "distrust-root") && argc == 3) return TrustRoot(argv[2], cmd == "trust-root");
  if (cmd == "metrics") {
    HDC dc = GetDC(nullptr);
    std::printf("screen=%d,%d\ncaption=%d\ndpi=%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetSystemMetrics(SM_CYCAPTION), GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    return 0;
  }
  return 2;
}
