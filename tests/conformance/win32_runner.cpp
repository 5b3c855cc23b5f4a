// The shared case tables against the real kernel32 and user32 (a console program run under Wine).
//   apexer_conformance_win32 WORK_FOLDER
#include <cstdio>
#include <string>

#include "conformance/conformance.h"
#include "platform/win32/win32_desktop.h"
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

}  // namespace
}  // namespace apexer::conformance

int main(int argc, char** argv) {
  using namespace apexer::conformance;
  if (argc != 2) {
    std::fprintf(stderr, "usage: apexer_conformance_win32 WORK_FOLDER\n");
    return 2;
  }
  Failures failures;
  RealProfileWorld profiles(argv[1]);
  RunProfileCases(profiles, failures);
  RealDesktopWorld desktop;
  RunDesktopCases(desktop, failures);
  for (const std::string& m : failures.messages) std::printf("FAIL %s\n", m.c_str());
  std::printf("%zu failures\n", failures.messages.size());
  return failures.messages.empty() ? 0 : 1;
}
