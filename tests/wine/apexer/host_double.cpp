// A minimal double of the host's three libraries for the Wine checks (not the stand-in host).
// APEXER_DOUBLE_MODE selects its answers:
//   no-sample            (default) the host has no current sample: the run ends at once with 0
//   stuck-chromatogram   a current sample, and a "Chromatogram" window that ignores WM_CLOSE, so the
//                        run waits for it to go away until it is cancelled, or until the window is
//                        sent WM_APP, which closes it (to time how soon the program notices)
//   one-peak             a current sample whose integration finds one peak at scan 5 (handed over in
//                        a movable global-memory block); the host has no windows to combine in, so
//                        the run stops at that peak
//   sample-only          a current sample, nothing more (the checks supply the host's windows)
//   combine              as one-peak, but the host has a main window and its current raw file is
//                        DOUBLE01, so the program goes on to combine in the checks' windows
//   peaks                as combine, with six peaks in one block (apexes 1.0 2.5 3.5 5.0 9.5 10.0 of
//                        10 scans; every other field of the records holds 7.0); the host is the
//                        checks' minimal host in another process (driver host-window ... host): its
//                        main window is kind 0 and the launch command goes to it
// It notes what it sees of the program's status window in double-journal.txt beside itself.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace {

HMODULE self = nullptr;

std::string Mode() {
  const char* m = std::getenv("APEXER_DOUBLE_MODE");
  return m == nullptr ? "no-sample" : m;
}
bool HasPeaks() { return Mode() == "one-peak" || Mode() == "combine" || Mode() == "peaks"; }
HWND MiniHost() { return FindWindowA("ApexerCheckHostWindow", "Double Host"); }

void Note(const std::string& line) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  std::string file(path, n);
  file = file.substr(0, file.find_last_of('\\') + 1) + "double-journal.txt";
  if (FILE* f = std::fopen(file.c_str(), "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

// The program's status window as this process sees it: label text, outer rectangle, top-most, visible.
HGLOBAL peakBlock = nullptr;

double NowMs() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void NoteTime(const char* what) {
  char line[100];
  std::snprintf(line, sizeof line, "%s at %.3f ms", what, NowMs());
  Note(line);
}

void NoteStatusWindow(const char* when) {
  HWND status = FindWindowA("ApexerStatusForm", "Apexer");
  if (status == nullptr) {
    Note(std::string(when) + " no-status-window");
    return;
  }
  char label[256] = "";
  HWND labelWindow = GetDlgItem(status, 100);
  GetWindowTextA(labelWindow, label, sizeof label);
  // Whether the label is wide enough for its caption in its own font.
  RECT labelRect;
  GetClientRect(labelWindow, &labelRect);
  SIZE extent{};
  if (HDC dc = GetDC(labelWindow)) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(labelWindow, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, label, static_cast<int>(std::strlen(label)), &extent);
    SelectObject(dc, old);
    ReleaseDC(labelWindow, dc);
  }
  RECT r;
  GetWindowRect(status, &r);
  const bool topmost = (GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  char line[512];
  std::snprintf(line, sizeof line, "%s label=%s rect=%ld,%ld,%ld,%ld topmost=%d visible=%d fits=%d", when, label,
                r.left, r.top, r.right - r.left, r.bottom - r.top, topmost ? 1 : 0, IsWindowVisible(status) ? 1 : 0,
                extent.cx <= labelRect.right ? 1 : 0);
  Note(line);
}

LRESULT CALLBACK StubbornWindow(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) {
    Note("chromatogram WM_CLOSE ignored");
    return 0;
  }
  if (m == WM_APP) {
    NoteTime("chromatogram closed");
    DestroyWindow(w);
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

void OpenStubbornChromatogram() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = StubbornWindow;
  wc.hInstance = self;
  wc.lpszClassName = "ApexerDoubleChromatogram";
  RegisterClassA(&wc);
  CreateWindowExA(0, wc.lpszClassName, "Chromatogram", WS_OVERLAPPEDWINDOW, 600, 500, 300, 200, nullptr, nullptr,
                  self, nullptr);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  // At the program's end its windows still stand: note how the status window was left.
  if (reason == DLL_PROCESS_DETACH) {
    NoteStatusWindow("end");
    if (peakBlock != nullptr) Note(GlobalFlags(peakBlock) == GMEM_INVALID_HANDLE ? "peak block freed" : "peak block kept");
  }
  return TRUE;
}

#pragma pack(push, 1)
struct RawFile {
  std::int16_t number;
  char location[260];
  char fileName[256];
  char detail[256];
  std::uint8_t filler[2];
  std::int32_t specValue;
  std::int32_t scanCount;
  std::int16_t functionNumber;
  std::int16_t aux;
};
#pragma pack(pop)
static_assert(sizeof(RawFile) == 788, "host layout");

extern "C" {

// Iv_vb32.dll
std::int32_t __stdcall GetSampleListFileVB(RawFile* raw) {
  NoteStatusWindow("sample");
  const std::string mode = Mode();
  if (mode == "no-sample") return 0;
  std::strcpy(raw->location, "C:\\Samples");
  std::strcpy(raw->fileName, "DOUBLE01");
  if (mode == "stuck-chromatogram") OpenStubbornChromatogram();
  return 1;
}
std::int32_t __stdcall GetApplicationWnd(std::int16_t kind) {
  if (kind == 0 && Mode() == "combine") return 1;
  // A user handle's 32 significant bits, as the bridge hands them out.
  if (Mode() == "peaks") return kind == 0 ? static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(MiniHost())) : 0;
  if (kind == 0) {
    // Asked for while combining: the program is in the middle of its peaks.
    NoteStatusWindow("combine");
    char replace[32] = "";
    GetPrivateProfileStringA("SpeDisplay", "Replace", "(absent)", replace, sizeof replace, "C:\\Ionvane\\Ionvane.ini");
    Note(std::string("combine Replace=") + replace);
  }
  return 0;
}
std::int16_t __stdcall GetGlobalFile(char* listName, char* fileType, void*, void* result) {
  Note(std::string("GetGlobalFile ") + listName + " " + fileType);
  if (Mode() != "combine" && Mode() != "peaks") return 0;
  std::strcpy(static_cast<char*>(result) + 262, "DOUBLE01");  // FileName of the file record
  return 1;
}
std::int32_t __stdcall IonvaneCommand(char*, std::int32_t) {
  if (Mode() == "peaks") PostMessageA(MiniHost(), WM_APP + 1, 0, 0);  // the launch command
  return 0;
}
std::int32_t __stdcall CopyMemVB(void* destination, std::intptr_t source, std::int32_t count) {
  std::memcpy(destination, reinterpret_cast<const void*>(source),
              static_cast<std::size_t>(count));
  return count;
}

// ivraw32.dll
std::int16_t __stdcall DmRawReadHeaderVB(RawFile*, void* header) {
  if (!HasPeaks()) return 0;
  const std::int16_t functionCount = 1;
  std::memcpy(static_cast<char*>(header) + 7120, &functionCount, sizeof functionCount);
  return 1;
}
std::int32_t __stdcall DmRawScansInFunction(RawFile*) { return 10; }
std::int32_t __stdcall DmRawTimeToScan(RawFile*, float) { return 0; }
std::int16_t __stdcall DmRawIsAnalogTraceDesc(char*) { return 0; }
std::int16_t __stdcall DmRawStrToMass(char*, void*, std::int32_t, std::int32_t*) { return 0; }
std::int16_t __stdcall DmRawClose() {
  Note("DmRawClose");
  return 1;
}

// ivpeak32.dll
std::int16_t __stdcall IntegrateGetIniFile(char* setName, void*) {
  NoteTime("integration asked");
  Note(std::string("IntegrateGetIniFile ") + setName);
  return HasPeaks() ? 1 : 0;
}
std::int16_t __stdcall IntegrateChromatogramRange(HWND, RawFile* raw, void* trace, std::intptr_t* block,
                                                  std::int32_t* count, std::int16_t*, void*, std::int32_t first,
                                                  std::int32_t last, std::int16_t auxNumber) {
  std::int32_t kind = -1;
  std::memcpy(&kind, trace, sizeof kind);
  char line[200];
  std::snprintf(line, sizeof line, "IntegrateChromatogramRange function=%d kind=%d first=%d last=%d aux=%d",
                raw->functionNumber, kind, first, last, auxNumber);
  Note(line);
  if (!HasPeaks()) return 0;
  const float one[] = {5.0f};
  const float several[] = {1.0f, 2.5f, 3.5f, 5.0f, 9.5f, 10.0f};  // halves to even, clipped at 1 and at 10
  const float* apexes = Mode() == "peaks" ? several : one;
  const std::size_t n = Mode() == "peaks" ? std::size(several) : 1;
  constexpr std::size_t kPeak = 112;
  peakBlock = GlobalAlloc(GMEM_MOVEABLE, kPeak * n);
  auto* records = static_cast<unsigned char*>(GlobalLock(peakBlock));
  const float decoy = 7.0f;  // a field read in the apex's place selects scans no peak has
  for (std::size_t k = 0; k < n; ++k) {
    for (std::size_t at = 0; at < kPeak; at += sizeof decoy) std::memcpy(records + kPeak * k + at, &decoy, sizeof decoy);
    std::memcpy(records + kPeak * k + 24, &apexes[k], sizeof(float));
  }
  GlobalUnlock(peakBlock);
  *block = reinterpret_cast<std::intptr_t>(peakBlock);
  *count = static_cast<std::int32_t>(n);
  return 1;
}

}  // extern "C"
