// The host contract against the stand-in host under Wine, through the program's own Win32 platform.
//   apexer_host_contract_win32 STANDIN_BIN_DIR SAMPLE WORK_FOLDER
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
  if (argc != 4) {
    std::fprintf(stderr, "usage: apexer_host_contract_win32 STANDIN_BIN_DIR SAMPLE WORK_FOLDER\n");
    return 2;
  }
  Failures failures;
  try {
    StandinHostWorld world(argv[1], argv[2], argv[3]);
    RunHostCases(world, failures);
  } catch (const std::exception& e) {
    failures.True(std::string("no error: ") + e.what(), false);
  }
  for (const std::string& m : failures.messages) std::printf("FAIL %s\n", m.c_str());
  std::printf("%zu failures\n", failures.messages.size());
  return failures.messages.empty() ? 0 : 1;
}
