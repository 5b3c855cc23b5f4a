// Iv_vb32.dll: the host bridge, loaded into the client; it reads the host's shared section and sends host
// commands to the host's command window.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "bridge/bridge.h"
#include "bridge/host_settings.h"
#include "bridge/journal.h"
#include "bridge/text_fields.h"
#include "ivdata/text.h"
#include "libs/records.h"

using namespace standin;

namespace {

const char* const kSrc = "Iv_vb32";

void FillFromHost(const BridgeState& s, FileSpec& spec) {
  spec.number = 1;
  SetField(spec.location, FieldText(s.location));
  SetField(spec.fileName, FieldText(s.fileName));
  SetField(spec.detail, FieldText(s.detail));
  spec.specValue = s.specValue;
  spec.scanCount = s.scanCount;
}

// GetApplicationWnd sits in the client's polling loops: one line per change of answer, not per poll.
LONG g_lastWindow[3] = {-1, -1, -1};

// What the client shows when it ends (its result stands in its status window only moments before), for
// checks that cannot read it from outside in time: the texts of its visible windows and their controls.
BOOL CALLBACK AddText(HWND h, LPARAM list) {
  char text[256] = {};
  GetWindowTextA(h, text, sizeof text);
  reinterpret_cast<ivdata::Json*>(list)->push_back(ivdata::AnsiText(text));
  return TRUE;
}

// Each visible window of the client as [its title, its controls' texts...].
BOOL CALLBACK AddClientWindow(HWND h, LPARAM list) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(h)) return TRUE;
  ivdata::Json texts = ivdata::Json::array();
  AddText(h, reinterpret_cast<LPARAM>(&texts));
  EnumChildWindows(h, AddText, reinterpret_cast<LPARAM>(&texts));
  reinterpret_cast<ivdata::Json*>(list)->push_back(std::move(texts));
  return TRUE;
}

// The client's windows as its user sees them when it asks the host: place, top-most, shown, and for each
// control its text and whether that text fits it in its own font. Only where the settings ask for it (a
// walk of the client's windows on every question would weigh on timed runs), and a line when this changes.
BOOL CALLBACK AddControlState(HWND h, LPARAM list) {
  char text[256] = {};
  GetWindowTextA(h, text, sizeof text);
  RECT client;
  GetClientRect(h, &client);
  SIZE extent{};
  if (HDC dc = GetDC(h)) {
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(h, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
  }
  reinterpret_cast<ivdata::Json*>(list)->push_back(
      {{"id", GetDlgCtrlID(h)}, {"text", ivdata::AnsiText(text)}, {"fits", extent.cx <= client.right}});
  return TRUE;
}

BOOL CALLBACK AddClientWindowState(HWND h, LPARAM list) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  char title[256] = {};
  GetWindowTextA(h, title, sizeof title);
  RECT r;
  GetWindowRect(h, &r);
  ivdata::Json controls = ivdata::Json::array();
  EnumChildWindows(h, AddControlState, reinterpret_cast<LPARAM>(&controls));
  const std::string rect = std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                           std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
  reinterpret_cast<ivdata::Json*>(list)->push_back(
      {{"title", ivdata::AnsiText(title)}, {"rect", rect},
       {"topmost", (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0}, {"visible", IsWindowVisible(h) != FALSE},
       {"controls", std::move(controls)}});
  return TRUE;
}

void JournalClientWindows(const char* when) {
  static const bool watched = IniInt(kSecStandin, "JournalClientWindows", 0) != 0;
  if (!watched) return;
  static ivdata::Json last;
  ivdata::Json windows = ivdata::Json::array();
  EnumWindows(AddClientWindowState, reinterpret_cast<LPARAM>(&windows));
  if (windows == last) return;
  last = windows;
  Journal(kSrc, "client.windows", JsonFields().Str("when", when).Value("windows", std::move(windows)));
}

void JournalClientExit() {
  ivdata::Json windows = ivdata::Json::array();
  EnumWindows(AddClientWindow, reinterpret_cast<LPARAM>(&windows));
  Journal(kSrc, "client.exit", JsonFields().Value("windows", std::move(windows)));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Only when the process ends, not when the library is merely unloaded.
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) JournalClientExit();
  return TRUE;
}

extern "C" {

LONG __stdcall GetSampleListFileVB(RawFile* raw) {
  JournalClientWindows("GetSampleListFileVB");
  BridgeState s;
  LONG result = 0;
  if (raw && ReadBridge(s) && s.fileName[0]) {
    std::memset(raw, 0, sizeof *raw);
    FillFromHost(s, raw->spec);
    raw->functionNumber = 1;
    result = 1;
  }
  Journal(kSrc, "dll.GetSampleListFileVB",
          JsonFields().Int("result", result).Str("fileName", raw ? FieldText(raw->spec.fileName) : ""));
  return result;
}

LONG __stdcall GetApplicationWnd(int16_t kind) {
  if (kind == 0) JournalClientWindows("GetApplicationWnd");
  BridgeState s;
  LONG result = 0;
  if (ReadBridge(s)) result = static_cast<LONG>(HostWindowOfKind(s, kind));
  if (kind >= 0 && kind <= 2) {
    if (g_lastWindow[kind] != result) {
      g_lastWindow[kind] = result;
      Journal(kSrc, "dll.GetApplicationWnd", JsonFields().Int("kind", kind).Int("result", result));
    }
  } else {
    Journal(kSrc, "dll.GetApplicationWnd", JsonFields().Int("kind", kind).Int("result", result));
  }
  return result;
}

int16_t __stdcall GetGlobalFile(char* listName, char* fileType, FileSpec* blank, FileSpec* out) {
  std::string list = listName ? listName : "";
  std::string type = fileType ? fileType : "";
  int16_t result = 0;
  BridgeState s;
  // Only the system list knows a current file, and the stand-in's only file type is raw data.
  if (out && ivdata::EqualsNoCase(list, "SystemList") && ivdata::EqualsNoCase(type, "RAW") && ReadBridge(s) &&
      s.fileName[0]) {
    std::memset(out, 0, sizeof *out);
    FillFromHost(s, *out);
    result = 1;
  }
  JsonFields f;
  f.Str("list", list).Str("type", type).Int("result", result);
  if (blank) {
    f.Str("blankLocation", FieldText(blank->location)).Int("blankNumber", blank->number);
  }
  if (out) f.Str("fileName", FieldText(out->fileName));
  // The client asks once per peak, for a window title: a line when the answer changes, not per question.
  static ivdata::Json lastLine;
  if (f.Fields() != lastLine) {
    lastLine = f.Fields();
    Journal(kSrc, "dll.GetGlobalFile", f);
  }
  return result;
}

// The number is how long, in milliseconds, the caller lets the host take to accept the command.
LONG __stdcall IonvaneCommand(char* command, LONG timeoutMs) {
  std::string text = command ? command : "";
  LONG result = 0;
  BridgeState s;
  // The whole time the host has, the bridge included: a hung host gets no longer than any other.
  const DWORD wait = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 5000;
  const DWORD start = GetTickCount();
  if (ReadBridge(s, wait) && s.commandWindow) {
    COPYDATASTRUCT cds{};
    cds.dwData = kCopyDataCommand;
    cds.cbData = static_cast<DWORD>(text.size() + 1);
    cds.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR answer = 0;
    HWND target = HwndFromLong(s.commandWindow);
    const DWORD spent = GetTickCount() - start;
    if (spent < wait && SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL,
                                            wait - spent, &answer))
      result = static_cast<LONG>(answer);
  }
  Journal(kSrc, "dll.IonvaneCommand", JsonFields().Str("command", text).Int("number", timeoutMs).Int("result", result));
  return result;
}

LONG __stdcall CopyMemVB(void* destination, LONG_PTR source, LONG count) {
  // Journalled only when refused: the client calls it once per peak record.
  if (!destination || source == 0 || count <= 0) {
    Journal(kSrc, "dll.CopyMemVB", JsonFields().Int("source", source).Int("count", count).Int("result", 0));
    return 0;
  }
  std::memmove(destination, reinterpret_cast<const void*>(source),
               static_cast<size_t>(count));
  return count;
}

}  // extern "C"
