// ApexerCheck.exe: the self-check over Apexer's own core and Win32 backend. The rows run on a checking
// thread; this thread shows them (or nothing, with /quiet) and keeps a watchdog: a row that overruns its
// budget stops that thread, the changes are undone from here, and the report and exit code still come.
#include <atomic>
#include <cstdint>
#include <string>

#include "check/check_session.h"
#include "check/command_line.h"
#include "check/record_check.h"
#include "check/win32/file_manifest.h"
#include "check/win32/win32_check_machine.h"
#include "shell/version.h"
#include "win32/win32_backend.h"

#include <shellapi.h>

namespace apexer::check::win32 {
namespace {

constexpr int kExitCommandLine = 3;
constexpr UINT kRowMessage = WM_APP + 1;
constexpr int kIdList = 100, kIdVerdict = 101, kIdOpen = 102, kIdClose = 103;
constexpr std::int64_t kWatchdogGraceMs = 10000;
constexpr const char* kTitle = "Apexer Check";

struct Shared {
  Options options;
  HWND window = nullptr;
  HANDLE thread = nullptr;
  HANDLE done = nullptr;
  std::atomic<CheckSession*> session{nullptr};
  std::atomic<StopOnlyStatus*> status{nullptr};
  std::atomic<Win32CheckMachine*> machine{nullptr};
  std::atomic<long> row{-1};
  std::atomic<std::int64_t> rowStartedMs{0};
  std::atomic<int> rowBudgetSeconds{0};
  std::atomic<bool> reportTaken{false};
  // Set by whoever wrote the report.
  int exitCode = 2;
  std::string verdictLine;
  std::string htmlPath;
};

Shared g;

// The end of the process without the libraries' detach calls: a host library stuck in a call may hold the
// loader's lock, and waiting for it would hang the check at its very end.
[[noreturn]] void End(int code) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  ExitProcess(static_cast<UINT>(code));
}

std::int64_t NowMs() { return static_cast<std::int64_t>(GetTickCount64()); }

class ThreadProgress : public Progress {
 public:
  void RowStarted(std::size_t index, int budgetSeconds) override {
    g.rowStartedMs.store(NowMs());
    g.rowBudgetSeconds.store(budgetSeconds);
    g.row.store(static_cast<long>(index));
    if (g.window) PostMessageA(g.window, kRowMessage, index, 0);
  }
  void RowDone(std::size_t index) override {
    g.row.store(-1);
    if (g.window) PostMessageA(g.window, kRowMessage, index, 1);
  }
};

// Writes both reports once, from whichever thread ends the check, and keeps what the window shows.
void Finish(CheckSession& session, const std::string& why, const std::string& stoppedBecause) {
  bool expected = false;
  if (!g.reportTaken.compare_exchange_strong(expected, true)) return;
  const ReportInput in = session.Report(why, stoppedBecause);
  const Summary s = Summarize(in.results);
  const WrittenReport w = WriteReports(*g.machine.load(), g.options, in.started.stamp, ReportText(in), ReportHtml(in));
  g.exitCode = s.exitCode;
  g.verdictLine = std::string("Verdict: ") + OverallText(s.overall) + " (" + std::to_string(s.held) + " held, " +
                  std::to_string(s.differs) + " differ, " + std::to_string(s.notChecked) + " could not be checked, of " +
                  std::to_string(s.planned) + ")";
  if (w.written) {
    g.htmlPath = w.htmlPath;
    g.verdictLine += ". Report: " + w.textPath + (w.note.empty() ? "" : " (" + w.note + ")");
  } else {
    // A verdict nobody can keep is no qualification.
    if (g.exitCode == 0) g.exitCode = 2;
    g.verdictLine += ". The report could not be written: " + w.note;
  }
  const std::string out = g.verdictLine + "\r\n";
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

DWORD WINAPI CheckThread(LPVOID) {
  using namespace apexer::win32;
  // The desktop hook's events reach only a thread that has its message queue.
  MSG none;
  PeekMessageA(&none, nullptr, 0, 0, PM_NOREMOVE);
  Win32Backend b;
  Win32CheckMachine machine(&b.host);
  ObservingDesktop observing(b.desktop, machine, b.clock);
  BoundedHost host(b.host, machine);
  ApexerBeside app(machine.ProgramFolder());
  StopOnlyStatus status;
  RecordInMemory lines;
  RunRecord record(lines, app, "V" APEXER_VERSION_TEXT);
  Platform p{observing, b.profiles, b.memory, b.clock, b.loop, app, status, host};
  CheckSession session({p, machine, host, observing, status, lines, record}, g.options, BuiltManifest(), APEXER_VERSION_TEXT,
                       machine.FileVersion(machine.ProgramPath()));
  g.machine.store(&machine);
  g.status.store(&status);
  g.session.store(&session);
  if (g.window) PostMessageA(g.window, kRowMessage, static_cast<WPARAM>(-1), 0);
  ThreadProgress progress;
  session.Run(progress);
  Finish(session, "not reached", "");
  SetEvent(g.done);
  // The session stays for the window to read; the process ends from the other thread.
  Sleep(INFINITE);
  return 0;
}

// The watchdog: a row past its budget means the host stopped the check; stop it, undo, report.
bool Watchdog() {
  // Undoing from here yields to this thread's messages, and with them to the timer that called it.
  static bool firing = false;
  CheckSession* session = g.session.load();
  const long row = g.row.load();
  if (firing || session == nullptr || row < 0) return false;
  const std::int64_t overdue = g.rowStartedMs.load() + g.rowBudgetSeconds.load() * 1000LL + kWatchdogGraceMs;
  if (NowMs() < overdue || g.reportTaken.load()) return false;
  firing = true;
  SuspendThread(g.thread);
  const RowSpec& spec = session->Rows()[static_cast<std::size_t>(row)];
  const std::string why = "\"" + spec.assumption + "\" did not finish within " +
                          std::to_string(g.rowBudgetSeconds.load()) + " s: the host stopped answering while it ran";
  session->UndoAfterStop();
  Finish(*session, "the check was ended before this row: " + why, why);
  return true;
}

std::string RowLine(CheckSession& session, std::size_t i, bool done) {
  const RowSpec& spec = session.Rows()[i];
  if (!done) return "...          " + spec.assumption;
  const RowResult r = session.Results()[i];
  std::string line = std::string(VerdictText(r.outcome.verdict)) + ":  " + spec.assumption;
  const std::string detail = r.outcome.verdict == Verdict::NotChecked ? r.outcome.reason : r.outcome.seen;
  return line + (detail.empty() ? "" : "  -  " + detail);
}

void ShowDone(HWND window) {
  SetDlgItemTextA(window, kIdVerdict, g.verdictLine.c_str());
  EnableWindow(GetDlgItem(window, kIdOpen), !g.htmlPath.empty());
  SetDlgItemTextA(window, kIdClose, "Close");
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  CheckSession* session = g.session.load();
  switch (message) {
    case kRowMessage: {
      if (session == nullptr) return 0;
      HWND list = GetDlgItem(window, kIdList);
      if (static_cast<long>(wp) == -1) {
        for (std::size_t i = 0; i < session->Rows().size(); ++i) {
          SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("     " + session->Rows()[i].assumption).c_str()));
        }
        return 0;
      }
      SendMessageA(list, LB_DELETESTRING, wp, 0);
      SendMessageA(list, LB_INSERTSTRING, wp, reinterpret_cast<LPARAM>(RowLine(*session, wp, lp != 0).c_str()));
      SendMessageA(list, LB_SETTOPINDEX, wp > 8 ? wp - 8 : 0, 0);
      return 0;
    }
    case WM_TIMER:
      if (Watchdog()) ShowDone(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdOpen && !g.htmlPath.empty()) {
        ShellExecuteA(window, "open", g.htmlPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
      }
      if (LOWORD(wp) != kIdClose) break;
      [[fallthrough]];
    case WM_CLOSE:
      if (g.reportTaken.load()) {
        End(g.exitCode);
      }
      // While checking: stop at the next wait, undo, report; the window stays to show the verdict.
      if (StopOnlyStatus* status = g.status.load()) status->stop.store(true);
      SetDlgItemTextA(window, kIdVerdict, "Stopping: the check undoes its changes and writes its report...");
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wp, lp);
}

HWND MakeWindow(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "ApexerCheckWindow";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, wc.lpszClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                           CW_USEDEFAULT, CW_USEDEFAULT, 820, 520, nullptr, nullptr, instance, nullptr);
  if (w == nullptr) return nullptr;
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  const auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy, int id) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(c, WM_SETFONT, font, TRUE);
  };
  child("LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, 10, 10, 790, 380, kIdList);
  child("STATIC", "Checking Apexer's assumptions against this host...", SS_LEFT, 10, 398, 790, 40, kIdVerdict);
  child("BUTTON", "Open the report", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 540, 445, 140, 28, kIdOpen);
  child("BUTTON", "Stop", WS_TABSTOP | BS_PUSHBUTTON, 690, 445, 110, 28, kIdClose);
  SendDlgItemMessageA(w, kIdList, LB_SETHORIZONTALEXTENT, 2400, 0);
  ShowWindow(w, SW_SHOWNORMAL);
  return w;
}

// A command line that cannot be read: said in a message box, or with /quiet on standard error and in a
// file where the report would go, and exit code 3.
[[noreturn]] void RefuseCommandLine(const std::string& line, const std::string& error) {
  const std::string text = CommandLineErrorText(error);
  if (!AsksQuiet(line)) {
    MessageBoxA(nullptr, text.c_str(), kTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    End(kExitCommandLine);
  }
  const std::string out = text + "\r\n";
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_ERROR_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  Win32CheckMachine machine(nullptr);
  const std::string name = "\\ApexerCheck-" + machine.Now().stamp + "-command-line.txt";
  std::string ignored;
  if (!machine.WriteFile(machine.ProgramFolder() + name, out, ignored)) {
    machine.WriteFile(machine.LocalAppDataFolder() + name, out, ignored);
  }
  End(kExitCommandLine);
}

// /record FILE: the verdict in a message box, or with /quiet one line on standard output; 0 when the
// record verifies, 1 when it does not, 3 when it cannot be read.
[[noreturn]] void VerifyRecordFile(const Options& options) {
  Win32CheckMachine machine(nullptr);
  std::string bytes, error;
  if (!machine.ReadFile(options.recordFile, bytes, error)) {
    const std::string text = "Apexer Check cannot read the record " + options.recordFile + ": " + error + ".";
    if (!options.quiet) {
      MessageBoxA(nullptr, text.c_str(), kTitle, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    } else {
      const std::string out = text + "\r\n";
      DWORD written = 0;
      ::WriteFile(GetStdHandle(STD_ERROR_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    }
    End(kExitCommandLine);
  }
  const RecordVerdict verdict = VerifyRecord(bytes, FileNameOf(options.recordFile));
  const std::string text = RecordVerdictText(options.recordFile, verdict);
  if (!options.quiet) {
    MessageBoxA(nullptr, text.c_str(), kTitle,
                MB_OK | (verdict.verified ? MB_ICONINFORMATION : MB_ICONWARNING) | MB_SETFOREGROUND);
  } else {
    const std::string out = text + "\r\n";
    DWORD written = 0;
    ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  }
  End(verdict.verified ? 0 : 1);
}

}  // namespace
}  // namespace apexer::check::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  using namespace apexer::check::win32;
  const std::string line = commandLine == nullptr ? "" : commandLine;
  std::string error;
  if (!apexer::check::ParseCommandLine(line, g.options, error)) RefuseCommandLine(line, error);
  if (!g.options.recordFile.empty()) VerifyRecordFile(g.options);
  g.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!g.options.quiet) g.window = MakeWindow(instance);
  g.thread = CreateThread(nullptr, 0, CheckThread, nullptr, 0, nullptr);
  if (g.thread == nullptr) return 2;
  if (g.window == nullptr) {
    while (WaitForSingleObject(g.done, 250) != WAIT_OBJECT_0) {
      if (Watchdog()) break;
    }
    End(g.exitCode);
  }
  SetTimer(g.window, 1, 250, nullptr);
  MSG msg;
  bool shownDone = false;
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &g.done, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0 && !shownDone) {
      shownDone = true;
      ShowDone(g.window);
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(g.window, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
}
