// What the stand-in's Win32 test programs share: the three libraries bound by name, starting and ending
// a host, the host settings, the journal, waiting for windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/boundary.h"
#include "shared/host_faults.h"
#include "libs/records.h"

namespace standin_test {

using standin::FileSpec;
using standin::IntegrationParams;
using standin::RawFile;
using standin::RawHeader;
using standin::TraceDesc;

struct HostLibraries {
  HMODULE vb = nullptr, raw = nullptr, peak = nullptr;
  LONG(__stdcall* GetSampleListFileVB)(RawFile*) = nullptr;
  LONG(__stdcall* GetApplicationWnd)(int16_t) = nullptr;
  int16_t(__stdcall* GetGlobalFile)(char*, char*, FileSpec*, FileSpec*) = nullptr;
  LONG(__stdcall* IonvaneCommand)(char*, LONG) = nullptr;
  LONG(__stdcall* CopyMemVB)(void*, LONG_PTR, LONG) = nullptr;
  int16_t(__stdcall* DmRawReadHeaderVB)(RawFile*, RawHeader*) = nullptr;
  LONG(__stdcall* DmRawScansInFunction)(RawFile*) = nullptr;
  LONG(__stdcall* DmRawTimeToScan)(RawFile*, float) = nullptr;
  int16_t(__stdcall* DmRawIsAnalogTraceDesc)(char*) = nullptr;
  int16_t(__stdcall* DmRawStrToMass)(char*, float*, LONG, LONG*) = nullptr;
  int16_t(__stdcall* DmRawClose)() = nullptr;
  int16_t(__stdcall* IntegrateGetIniFile)(char*, IntegrationParams*) = nullptr;
  int16_t(__stdcall* IntegrateChromatogramRange)(HWND, RawFile*, TraceDesc*, LONG_PTR*, LONG*, int16_t*,
                                                 IntegrationParams*, LONG, LONG, int16_t) = nullptr;
  // Loads the libraries from dir and binds every export by its plain name; false names what is missing.
  bool Load(const std::string& dir, std::string& missing);
};

// C:\Ionvane\Ionvane.ini, as the host reads it.
void SetHostIni(const char* section, const char* key, const char* value);
void SetFault(shared::HostFault fault, const char* value);
void ClearFaultsAndDelays();

class HostProcess {
 public:
  // Starts exe with the sample and waits until the host reports its main window.
  bool Start(const std::string& exe, const std::string& sample, HostLibraries& libs, int timeoutMs = 15000);
  // Starts exe with the sample and does not wait.
  bool Launch(const std::string& exe, const std::string& sample);
  bool Running() const;
  // WM_CLOSE to the main window, then waits for the process; ends it by force only when it will not go.
  bool Stop(HostLibraries& libs, int timeoutMs = 10000);
  // Ends it by force, as one ends a host that no longer answers; true once it has gone within timeoutMs.
  bool End(int timeoutMs);
  DWORD ExitCode() const;
  bool WaitExit(int timeoutMs);
  ~HostProcess();

 private:
  PROCESS_INFORMATION pi_{};
};

// Polls every 10 ms. FindTop: a visible top-level window with exactly this title.
HWND FindTop(const char* title);
HWND WaitForTop(const char* title, int timeoutMs);
bool WaitUntilGone(const char* title, int timeoutMs);
template <typename F>
bool WaitUntil(F&& condition, int timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

std::string JournalPath();
std::vector<std::string> JournalLines(const char* event);  // lines whose "ev" is event
size_t JournalSize();
std::vector<std::string> JournalLinesSince(size_t offset, const char* event);
// The value of a key in a journal line: a string's text (in the ANSI code page, as written), any other value
// as JSON (a number's digits, true, false, null, an array); "" when absent or the line is not JSON.
std::string JsonValue(const std::string& line, const char* key);

std::string ReadFileBytes(const std::string& path);

}  // namespace standin_test
