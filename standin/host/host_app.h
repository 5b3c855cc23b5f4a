// The host application's shared state and the helpers its windows use.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/journal.h"
#include "host_data.h"

namespace standin {

inline constexpr const char* kSrcHost = "host";

struct HostApp {
  HINSTANCE instance = nullptr;
  BridgePublisher bridge;
  HWND commandWindow = nullptr;
  HWND main = nullptr;          // kind 0
  HWND chromatogram = nullptr;
  HWND dialog = nullptr;
  HWND spectrum = nullptr;      // kind 1
  HWND peakList = nullptr;      // kind 2
  HWND combineBusy = nullptr;
  HWND printing = nullptr;
  std::string sampleError;
  std::vector<ivdata::CombinedSpectrum> spectra;  // what the spectrum window shows
  int combines = 0;
};

extern HostApp g_app;

// Runs action after delayMs on the UI thread (at once when delayMs <= 0).
void Later(int delayMs, std::function<void()> action);
void RunLaterTimer(UINT_PTR id);
// [StandinDelays] key, in milliseconds.
int DelayMs(const char* key, int fallback = 0);
// Re-publishes the windows by kind after any of them opens or closes.
void PublishWindows();

std::string TitleOf(HWND h);
std::string HexHandle(HWND h);
void JournalWindow(const char* event, HWND h, const char* role);
// A user's close: honours the Close delay, then destroys the window.
void CloseLikeUser(HWND h, const char* role);

void RegisterWindowClasses();
// A window class of this program; background a brush or a system colour index + 1.
void RegisterHostClass(const char* name, WNDPROC proc, LPCSTR cursor, HBRUSH background, HICON icon = nullptr);
HWND CreateMainWindow();
HWND ShowChromatogramWindow();
void OpenCombineDialog(HWND owner);
HWND ShowSpectrumWindow();
HWND ShowPeakListWindow();
HWND CreateBusyWindow(const char* title, HWND owner, const char* text);
void PrintSpectrumWindow(UINT command);
void AddCombinedSpectrum(ivdata::CombinedSpectrum spectrum, const ivdata::CombineRequest& request);
HWND CreateCommandWindow();

}  // namespace standin
