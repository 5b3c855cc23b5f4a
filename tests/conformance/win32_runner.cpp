// The shared case tables against the real kernel32 and user32, and the host cases against the stand-in
// host through the program's own Win32 platform (a console program run under Wine).
//   apexer_conformance_win32 WORK_FOLDER                       profile and desktop cases
//   apexer_conformance_win32 WORK_FOLDER STANDIN_BIN SAMPLE    host cases
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "conformance/conformance.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_global_memory.h"
#include "platform/win32/win32_host_libraries.h"
#include "platform/win32/win32_profile_files.h"

namespace apexer::conformance {
namespace {

class RealProfileWorld : public ProfileWorld {
 public:
  explicit RealProfileWorld(std::string folder) : folder_(std::move(folder)) {}
  platform::ProfileFiles& Files() override { return files_; }
  std::string PathInExistingFolder(const std::string& name) override { return folder_ + "\\" + name; }
  std::string PathInMissingFolder(const std::string& name) override {
    return folder_ + "\\No Such Folder\\" + name;
  }
  void SetFileText(const std::string& path, const std::string& text) override {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
  }
  bool FileExists(const std::string& path) override {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

 private:
  std::string folder_;
  win32::Win32ProfileFiles files_;
};

class RealDesktopWorld : public DesktopWorld {
 public:
  RealDesktopWorld() : desktop_(pacer_) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ApexerConformance";
    RegisterClassA(&wc);
    // The thread's first window brings its hidden helper windows along; let them come before the cases.
    DestroyWindow(CreateWindowExA(0, wc.lpszClassName, "warm-up", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr));
  }
  ~RealDesktopWorld() override {
    for (HWND w : opened_) DestroyWindow(w);
  }
  platform::Desktop& Desk() override { return desktop_; }
  Hwnd Open(const std::string& title, Hwnd owner) override {
    HWND w = CreateWindowExA(0, "ApexerConformance", title.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE,
                             50, 50, 240, 120, win32::ToHwnd(owner), nullptr, GetModuleHandleA(nullptr), nullptr);
    opened_.push_back(w);
    Deliver();
    return win32::FromHwnd(w);
  }
  Hwnd AddControl(Hwnd dialog, Long id) override {
    return win32::FromHwnd(CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 5, 5, 80, 20, win32::ToHwnd(dialog),
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                           GetModuleHandleA(nullptr), nullptr));
  }
  void Deliver() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

 private:
  win32::WaitPacer pacer_;
  win32::Win32Desktop desktop_;
  std::vector<HWND> opened_;
};

// The stand-in host, started and ended as a process; what its windows showed is read from its journal.
constexpr const char* kHostIni = "C:\\Ionvane\\Ionvane.ini";

class StandinHostWorld : public HostWorld {
 public:
  StandinHostWorld(std::string bin, std::string sample, std::string work)
      : bin_(std::move(bin)), sample_(std::move(sample)), journal_(work + "\\host-contract-journal.jsonl"),
        desktop_(pacer_), host_(pacer_) {
    SetDllDirectoryA(bin_.c_str());  // the three libraries are the stand-in's
  }
  ~StandinHostWorld() override { StopHost(); }

  bool StartHost(bool withSample, int peaks) override {
    CreateDirectoryA("C:\\Ionvane", nullptr);
    WritePrivateProfileStringA("StandinFaults", nullptr, nullptr, kHostIni);
    WritePrivateProfileStringA("StandinDelays", nullptr, nullptr, kHostIni);
    WritePrivateProfileStringA("Standin", "Journal", journal_.c_str(), kHostIni);
    WritePrivateProfileStringA("Standin", "OpenWithChromatogram", "PeakList", kHostIni);
    WritePrivateProfileStringA("Standin", "OpenAtStart", "", kHostIni);
    WritePrivateProfileStringA("StandinDelays", "Combine", "300", kHostIni);
    WritePrivateProfileStringA("StandinDelays", "Print", "300", kHostIni);
    WritePrivateProfileStringA("StandinFaults", "IntegratorPeaks", std::to_string(peaks).c_str(), kHostIni);
    std::string line = "\"" + bin_ + "\\StandinHost.exe\"" + (withSample ? " \"" + sample_ + "\"" : "");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) {
      return false;
    }
    return Until([&] { return host_.GetApplicationWnd(0) != 0; }, 15000);
  }

  void StopHost() override {
    if (process_.hProcess == nullptr) return;
    if (const Long main = host_.GetApplicationWnd(0)) desktop_.PostMessageA(static_cast<Hwnd>(main), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 9);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }

  HostLibraries& Host() override { return host_; }
  platform::Desktop& Desk() override { return desktop_; }
  platform::GlobalMemory& Memory() override { return memory_; }
  void SetReplace(const std::string& value) override {
    profiles_.WritePrivateProfileStringA("SpeDisplay", "Replace", value, kHostIni);
  }

  bool Until(const std::function<bool()>& done, int ms) override {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (static_cast<int>(GetTickCount() - start) > ms) return false;
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(5);
    }
    return true;
  }

  int SpectraShown() override { return LastNumber("\"ev\":\"combine\"", "\"spectraShown\":"); }
  int SpectraPrinted() override { return LastNumber("\"ev\":\"print\"", "\"spectra\":"); }

 private:
  // The number after key in the journal's last line of an event; -1 when there is none.
  int LastNumber(const std::string& event, const std::string& key) const {
    std::ifstream in(journal_, std::ios::binary);
    int value = -1;
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(key);
      if (line.find(event) != std::string::npos && at != std::string::npos) {
        value = std::atoi(line.c_str() + at + key.size());
      }
    }
    return value;
  }

  std::string bin_;
  std::string sample_;
  std::string journal_;
  win32::WaitPacer pacer_;
  win32::Win32Desktop desktop_;
  win32::Win32HostLibraries host_;
  win32::Win32GlobalMemory memory_;
  win32::Win32ProfileFiles profiles_;
  PROCESS_INFORMATION process_{};
};

}  // namespace
}  // namespace apexer::conformance

int main(int argc, char** argv) {
  using namespace apexer::conformance;
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: apexer_conformance_win32 WORK_FOLDER [STANDIN_BIN_DIR SAMPLE]\n");
    return 2;
  }
  Failures failures;
  if (argc == 2) {
    RealProfileWorld profiles(argv[1]);
    RunProfileCases(profiles, failures);
    RealDesktopWorld desktop;
    RunDesktopCases(desktop, failures);
  } else {
    try {
      StandinHostWorld host(argv[2], argv[3], argv[1]);
      RunHostCases(host, failures);
    } catch (const std::exception& e) {
      failures.True(std::string("no error: ") + e.what(), false);
    }
  }
  for (const std::string& m : failures.messages) std::printf("FAIL %s\n", m.c_str());
  std::printf("%zu failures\n", failures.messages.size());
  return failures.messages.empty() ? 0 : 1;
}
