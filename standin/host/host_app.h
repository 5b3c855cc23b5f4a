// The stand-in host application: one object owns the current sample, each window and what it shows, the
// combine dialog, the bridge that publishes the windows, and the actions it runs later. Window procedures
// only hand it their messages.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>

#include "bridge/bridge.h"
#include "bridge/journal.h"
#include "host_sample.h"
#include "views.h"
#include "window_kinds.h"

namespace standin {

inline constexpr const char* kSrcHost = "host";

class HostApp {
 public:
  explicit HostApp(HINSTANCE instance) : instance_(instance) {}
  HostApp(const HostApp&) = delete;
  HostApp& operator=(const HostApp&) = delete;

  // StandinHost.exe <sample file>: runs until the main window goes; the process's exit code.
  int Run(const char* commandLine);

  const HostSample& Sample() const { return sample_; }
  HWND Window(WindowKind kind) const { return windows_[static_cast<std::size_t>(kind)]; }

  // The window of a kind: raised when it is open, made otherwise; nullptr when it cannot be made.
  HWND Show(WindowKind kind);
  // A small top-most window owned by owner that shows text while the host works.
  HWND CreateBusyWindow(const char* title, HWND owner, const std::string& text);
  // A user's close: journalled, then the window is destroyed after the Close delay.
  void CloseLikeUser(HWND window, const char* role);
  void OpenCombineDialog(HWND owner);
  void PrintSpectrumWindow(UINT command);

  // Runs action after delayMs on the UI thread (at once when delayMs <= 0).
  void Later(int delayMs, std::function<void()> action);
  // [StandinDelays] key, in milliseconds.
  int DelayMs(const char* key, int fallback = 0) const;
  void JournalWindow(const char* event, HWND window, const char* role) const;

  LRESULT HandleWindowMessage(WindowKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleCommandWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam);

 private:
  WindowView& View(WindowKind kind);
  std::string TitleFor(const WindowKindInfo& kind) const;
  void Raise(const WindowKindInfo& kind, HWND window);
  void PublishWindows();
  void PublishSample();
  void OpenStartWindows();
  void RegisterWindowClasses();
  LRESULT RunHostCommand(const std::string& text);
  void RunLaterTimer(UINT_PTR id);
  void OnCombineOk(HWND dialog);
  void FinishCombine(const ivdata::CombineRequest& request, HWND busy);
  void WritePageNow(UINT command, const std::vector<ivdata::CombinedSpectrum>& spectra);
  void Hang(int afterMs);

  HINSTANCE instance_;
  BridgePublisher bridge_;
  HostSample sample_;
  HWND commandWindow_ = nullptr;  // message-only: takes host commands and runs the timers
  std::array<HWND, kWindowKinds> windows_{};  // the open window of each kind; busy ones are their makers'
  HWND dialog_ = nullptr;                      // "Combine Spectrum", owned by the chromatogram window
  MainView main_;
  ChromatogramView chromatogram_;
  SpectrumView spectrum_;
  PeakListView peakList_;
  BusyView busy_;
  std::map<UINT_PTR, std::function<void()>> pending_;
  UINT_PTR nextTimer_ = 100;
  int combines_ = 0;
};

// Window text, and a handle as the journal writes it.
std::string TitleOf(HWND window);
std::string HexHandle(HWND window);

}  // namespace standin
