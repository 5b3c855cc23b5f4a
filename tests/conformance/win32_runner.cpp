// The shared case tables against the real kernel32 and user32, and the host cases against the stand-in
// host through the program's own Win32 platform (a console program run under Wine), each row a test named
// by it. The desktop cases run twice: on windows of this process, and on windows of another process, as
// the host's are (this program started again as a window server, driven by WM_COPYDATA).
//   apexer_conformance_win32 [gtest flags] WORK_FOLDER                      profile and desktop cases
//   apexer_conformance_win32 [gtest flags] WORK_FOLDER STANDIN_BIN SAMPLE   host cases against the stand-in host
//   apexer_conformance_win32 --serve-windows CLIENT_PID     (the window server; ends on "quit" or after 60 s)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "conformance/conformance.h"
#include "run_tests.h"
#include "shared/host_faults.h"
#include "win32/win32_desktop.h"
#include "win32/win32_global_memory.h"
#include "win32/win32_host_libraries.h"
#include "win32/win32_profile_files.h"

namespace apexer::conformance {
namespace {

constexpr const char* kWindowClass = "ApexerConformance";
constexpr const char* kServerClass = "ApexerConformanceServer";

// The folder's own: made for the row, emptied of what an earlier run of the row left.
class RealProfileWorld : public ProfileWorld {
 public:
  explicit RealProfileWorld(std::string folder) : folder_(std::move(folder)) {
    CreateDirectoryA(folder_.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    const HANDLE each = FindFirstFileA((folder_ + "\\*.INI").c_str(), &found);
    if (each == INVALID_HANDLE_VALUE) return;
    do {
      DeleteFileA((folder_ + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(each, &found));
    FindClose(each);
  }
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

// The windows a case asks for, made the same way in either process.
void RegisterWindowClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);
  // The thread's first window brings its hidden helper windows along; let them come before the cases.
  DestroyWindow(CreateWindowExA(0, kWindowClass, "warm-up", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                nullptr));
}
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}
HWND OpenWindow(const std::string& title, HWND owner) {
  HWND w = CreateWindowExA(0, kWindowClass, title.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 240, 120, owner,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  Pump();
  return w;
}
HWND AddEdit(HWND dialog, Long id) {
  return CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 5, 5, 80, 20, dialog,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

class OwnWindowsWorld : public DesktopWorld {
 public:
  OwnWindowsWorld() : desktop_(calls_) { RegisterWindowClass(); }
  ~OwnWindowsWorld() override { CloseAll(); }
  void CloseAll() {
    for (HWND w : opened_) DestroyWindow(w);
    opened_.clear();
    Pump();
  }
  platform::Desktop& Desk() override { return desktop_; }
  Hwnd Open(const std::string& title, Hwnd owner) override {
    opened_.push_back(OpenWindow(title, win32::ToHwnd(owner)));
    return win32::FromHwnd(opened_.back());
  }
  Hwnd AddControl(Hwnd dialog, Long id) override { return win32::FromHwnd(AddEdit(win32::ToHwnd(dialog), id)); }
  void Deliver() override { Pump(); }

 private:
  win32::CallCounts calls_;
  win32::Win32Desktop desktop_;
  std::vector<HWND> opened_;
};

// The stand-in host, started and ended as a process; what its windows showed is read from its journal.
constexpr const char* kHostIni = "C:\\Ionvane\\Ionvane.ini";

class StandinHostWorld : public HostWorld {
 public:
  StandinHostWorld(std::string bin, std::string sample, std::string work)
      : bin_(std::move(bin)), sample_(std::move(sample)), journal_(work + "\\host-contract-journal.jsonl"),
        desktop_(calls_), host_(calls_) {
    SetDllDirectoryA(bin_.c_str());  // the three libraries are the stand-in's
  }
  ~StandinHostWorld() override { StopHost(); }

  bool StartHost(bool withSample, int peaks) override {
    StopHost();
    CreateDirectoryA("C:\\Ionvane", nullptr);
    WritePrivateProfileStringA(shared::kHostFaultSection, nullptr, nullptr, kHostIni);
    WritePrivateProfileStringA("StandinDelays", nullptr, nullptr, kHostIni);
    WritePrivateProfileStringA("Standin", "Journal", journal_.c_str(), kHostIni);
    WritePrivateProfileStringA("Standin", "OpenWithChromatogram", "PeakList", kHostIni);
    WritePrivateProfileStringA("Standin", "OpenAtStart", "", kHostIni);
    WritePrivateProfileStringA("StandinDelays", "Combine", "300", kHostIni);
    WritePrivateProfileStringA("StandinDelays", "Print", "300", kHostIni);
    WritePrivateProfileStringA(shared::kHostFaultSection, shared::FaultName(shared::HostFault::IntegratorPeaks),
                               std::to_string(peaks).c_str(), kHostIni);
    journalStart_ = JournalSize();  // what earlier rows' hosts wrote is not this one's
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

  int SpectraShown() override { return LastNumber("combine", "spectraShown"); }
  int SpectraPrinted() override { return LastNumber("print", "spectra"); }

 private:
  std::streamoff JournalSize() const {
    std::ifstream in(journal_, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::streamoff>(in.tellg()) : 0;
  }
  // The number under key in the last line of an event this host journalled; -1 when there is none.
  int LastNumber(const std::string& event, const std::string& key) const {
    std::ifstream in(journal_, std::ios::binary);
    in.seekg(journalStart_);
    int value = -1;
    for (std::string line; std::getline(in, line);) {
      const auto parsed = nlohmann::json::parse(line, nullptr, false);
      if (parsed.is_object() && parsed.value("ev", "") == event && parsed.contains(key) && parsed[key].is_number()) {
        value = parsed[key].get<int>();
      }
    }
    return value;
  }

  std::string bin_;
  std::string sample_;
  std::string journal_;
  win32::CallCounts calls_;
  win32::Win32Desktop desktop_;
  win32::Win32HostLibraries host_;
  win32::Win32GlobalMemory memory_;
  win32::Win32ProfileFiles profiles_;
  PROCESS_INFORMATION process_{};
  std::streamoff journalStart_ = 0;
};

// The server's side: one command a WM_COPYDATA, "open OWNER TITLE", "control DIALOG ID", "deliver",
// "closeall" or "quit"; the answer is the new window's handle (1 for the others).
std::vector<HWND> g_served;

LRESULT CALLBACK ServeCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m != WM_COPYDATA) return DefWindowProcA(w, m, wp, lp);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
  const std::string command(static_cast<const char*>(data->lpData), data->cbData);
  const std::string verb = command.substr(0, command.find(' '));
  char* rest = nullptr;
  const auto first = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(command.c_str() + verb.size(), &rest, 0)));
  if (verb == "open") {
    g_served.push_back(OpenWindow(*rest == ' ' ? rest + 1 : rest, first));
    return reinterpret_cast<LRESULT>(g_served.back());
  }
  if (verb == "control") return reinterpret_cast<LRESULT>(AddEdit(first, std::strtol(rest, nullptr, 0)));
  if (verb == "deliver") Pump();
  if (verb == "closeall") {
    for (HWND served : g_served) DestroyWindow(served);
    g_served.clear();
    Pump();
  }
  if (verb == "quit") PostQuitMessage(0);
  return 1;
}

std::string ServerTitle(DWORD clientPid) { return "conformance windows for " + std::to_string(clientPid); }

int ServeWindows(DWORD clientPid) {
  RegisterWindowClass();
  WNDCLASSA wc{};
  wc.lpfnWndProc = ServeCommand;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kServerClass;
  RegisterClassA(&wc);
  // Message-only: the server's own window stays out of the Z-order the cases walk.
  CreateWindowExA(0, kServerClass, ServerTitle(clientPid).c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                  wc.hInstance, nullptr);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
    DispatchMessageA(&msg);
  }
  return 0;
}

class OtherProcessWorld : public DesktopWorld {
 public:
  OtherProcessWorld() : desktop_(calls_) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = "\"" + std::string(self) + "\" --serve-windows " + std::to_string(GetCurrentProcessId());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child_)) return;
    CloseHandle(child_.hThread);
    const std::string title = ServerTitle(GetCurrentProcessId());
    for (int waited = 0; server_ == nullptr && waited < 20000; waited += 10) {
      if (WaitForSingleObject(child_.hProcess, 10) == WAIT_OBJECT_0) break;
      server_ = FindWindowExA(HWND_MESSAGE, nullptr, kServerClass, title.c_str());
    }
  }
  ~OtherProcessWorld() override {
    if (child_.hProcess == nullptr) return;
    Command("quit");
    if (WaitForSingleObject(child_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(child_.hProcess, 1);
    CloseHandle(child_.hProcess);
  }
  bool Ready() const { return server_ != nullptr; }
  platform::Desktop& Desk() override { return desktop_; }
  Hwnd Open(const std::string& title, Hwnd owner) override {
    return win32::FromHwnd(Command("open " + Number(owner) + " " + title));
  }
  Hwnd AddControl(Hwnd dialog, Long id) override {
    return win32::FromHwnd(Command("control " + Number(dialog) + " " + std::to_string(id)));
  }
  void Deliver() override { Command("deliver"); }
  void CloseAll() { Command("closeall"); }
  bool OtherProcess() const override { return true; }
  std::string TextAsItsOwnerReadsIt(Hwnd control) override {
    char text[80] = "";
    SendMessageA(win32::ToHwnd(control), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }

 private:
  static std::string Number(Hwnd h) { return std::to_string(reinterpret_cast<INT_PTR>(win32::ToHwnd(h))); }
  HWND Command(const std::string& text) {
    COPYDATASTRUCT data{0, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    DWORD_PTR answer = 0;
    if (server_ == nullptr || !SendMessageTimeoutA(server_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                                   SMTO_ABORTIFHUNG, 10000, &answer)) {
      return nullptr;
    }
    return reinterpret_cast<HWND>(answer);
  }

  win32::CallCounts calls_;
  win32::Win32Desktop desktop_;
  PROCESS_INFORMATION child_{};
  HWND server_ = nullptr;
};

// Where the rows work: set by main from the command line.
struct Places {
  std::string work;
  std::string standinBin;
  std::string sample;
} g_places;

class RealProfileFiles : public testing::TestWithParam<Case<ProfileWorld>> {};
TEST_P(RealProfileFiles, Hold) {
  RealProfileWorld world(g_places.work + "\\" + GetParam().name);
  GetParam().run(world);
}
INSTANTIATE_TEST_SUITE_P(Conformance, RealProfileFiles, testing::ValuesIn(ProfileCases()), CaseName<ProfileWorld>);

// A desktop world for a suite of rows, its windows closed after each row.
template <typename World>
class RealDesktop : public testing::TestWithParam<Case<DesktopWorld>> {
 protected:
  static void SetUpTestSuite() { world_ = std::make_unique<World>(); }
  static void TearDownTestSuite() { world_.reset(); }
  void TearDown() override { world_->CloseAll(); }
  static std::unique_ptr<World> world_;
};
template <typename World>
std::unique_ptr<World> RealDesktop<World>::world_;

using WindowsOfThisProcess = RealDesktop<OwnWindowsWorld>;
TEST_P(WindowsOfThisProcess, Hold) { GetParam().run(*world_); }
INSTANTIATE_TEST_SUITE_P(Conformance, WindowsOfThisProcess, testing::ValuesIn(DesktopCases()), CaseName<DesktopWorld>);

using WindowsOfAnotherProcess = RealDesktop<OtherProcessWorld>;
TEST_P(WindowsOfAnotherProcess, Hold) {
  ASSERT_TRUE(world_->Ready()) << "the window server in another process started";
  GetParam().run(*world_);
}
INSTANTIATE_TEST_SUITE_P(Conformance, WindowsOfAnotherProcess, testing::ValuesIn(DesktopCases()),
                         CaseName<DesktopWorld>);

// The stand-in host, started by each row as it needs it and stopped after it.
class StandinHost : public testing::TestWithParam<Case<HostWorld>> {
 protected:
  static void SetUpTestSuite() {
    if (!g_places.standinBin.empty()) {
      world_ = std::make_unique<StandinHostWorld>(g_places.standinBin, g_places.sample, g_places.work);
    }
  }
  static void TearDownTestSuite() { world_.reset(); }
  void SetUp() override {
    if (g_places.standinBin.empty()) GTEST_SKIP() << "no stand-in host given on the command line";
  }
  void TearDown() override {
    if (world_) world_->StopHost();
  }
  static std::unique_ptr<StandinHostWorld> world_;
};
std::unique_ptr<StandinHostWorld> StandinHost::world_;

TEST_P(StandinHost, KeepsTheHostContract) { GetParam().run(*world_); }
INSTANTIATE_TEST_SUITE_P(Conformance, StandinHost, testing::ValuesIn(HostCases()), CaseName<HostWorld>);

}  // namespace
}  // namespace apexer::conformance

int main(int argc, char** argv) {
  using namespace apexer::conformance;
  if (argc == 3 && std::string(argv[1]) == "--serve-windows") {
    return ServeWindows(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
  }
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: apexer_conformance_win32 [gtest flags] WORK_FOLDER [STANDIN_BIN_DIR SAMPLE]\n");
    return 2;
  }
  g_places.work = argv[1];
  if (argc == 4) {
    g_places.standinBin = argv[2];
    g_places.sample = argv[3];
  }
  // The host rows when the stand-in host is given, the others when it is not; a filter given picks itself.
  if (GTEST_FLAG_GET(filter) == "*") {
    GTEST_FLAG_SET(filter, argc == 4 ? "Conformance/StandinHost.*" : "-Conformance/StandinHost.*");
  }
  return RunTests();
}
