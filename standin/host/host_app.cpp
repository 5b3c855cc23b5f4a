#include "host_app.h"

#include <cstdio>

#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "scoped_gdi.h"
#include "shared/win32/window_proc.h"

namespace standin {

namespace {

// Every kind of window has this procedure; the kind comes with its class.
template <WindowKind Kind>
LRESULT HandleKind(HostApp& app, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return app.HandleWindowMessage(Kind, window, message, wParam, lParam);
}
template <WindowKind Kind>
constexpr WNDPROC kKindProc = shared::win32::WindowProcOf<HostApp, HandleKind<Kind>>;

constexpr std::array<WNDPROC, kWindowKinds> kProcs = {
    kKindProc<WindowKind::Main>, kKindProc<WindowKind::Chromatogram>, kKindProc<WindowKind::Spectrum>,
    kKindProc<WindowKind::PeakList>, kKindProc<WindowKind::Busy>};

HBRUSH BackdropBrush(Backdrop backdrop) {
  switch (backdrop) {
    case Backdrop::Window: return GetSysColorBrush(COLOR_WINDOW);
    case Backdrop::ButtonFace: return GetSysColorBrush(COLOR_BTNFACE);
    case Backdrop::White: break;
  }
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

std::string SamplePathFrom(const char* commandLine) {
  std::string s = Trim(commandLine ? commandLine : "");
  if (s.size() >= 2 && s.front() == '"') {
    size_t close = s.find('"', 1);
    return s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return s;
}

}  // namespace

std::string TitleOf(HWND window) {
  char buf[256] = {};
  GetWindowTextA(window, buf, sizeof buf);
  return buf;
}

std::string HexHandle(HWND window) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(LongFromHwnd(window)));
  return buf;
}

int HostApp::Run(const char* commandLine) {
  const std::string samplePath = SamplePathFrom(commandLine);
  if (!bridge_.Create()) {
    Journal(kSrcHost, "host.not-started", JsonFields().Str("reason", "another host is running or the bridge failed"));
    return 2;
  }
  const bool opened = !samplePath.empty() && sample_.Open(samplePath);
  if (samplePath.empty()) sample_.SetError("Start the host with a sample file.");
  Journal(kSrcHost, "host.start",
          JsonFields().Str("sample", samplePath).Bool("opened", opened).Str("error", sample_.Error())
              .Int("scans", sample_.Summary().scanCount));
  if (opened) PublishSample();
  ReportUnknownFaults(kSrcHost);

  WNDCLASSA command{};
  command.lpfnWndProc = shared::win32::WindowProcOf<HostApp, &HostApp::HandleCommandWindowMessage>;
  command.hInstance = instance_;
  command.lpszClassName = kCommandWindowClass;
  RegisterClassA(&command);
  commandWindow_ = CreateWindowExA(0, kCommandWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
  RegisterWindowClasses();
  if (!commandWindow_ || !Show(WindowKind::Main)) {
    Journal(kSrcHost, "host.window-failed", JsonFields().Int("error", GetLastError()));
    return 2;
  }
  PublishWindows();
  OpenStartWindows();
  if (const int hangAfterMs = FaultInt(HostFault::HostHangs); hangAfterMs > 0) {
    Later(hangAfterMs, [this, hangAfterMs] { Hang(hangAfterMs); });
  }

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (dialog_ && IsDialogMessageA(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Journal(kSrcHost, "host.stop", JsonFields().Int("combines", combines_));
  return 0;
}

void HostApp::RegisterWindowClasses() {
  for (const WindowKindInfo& kind : WindowKinds()) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = kProcs[static_cast<std::size_t>(kind.kind)];
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, kind.cursor);
    wc.hIcon = kind.kind == WindowKind::Main ? LoadIcon(nullptr, IDI_APPLICATION) : nullptr;
    wc.hbrBackground = BackdropBrush(kind.backdrop);
    wc.lpszClassName = kind.className;
    RegisterClassA(&wc);
  }
}

WindowView& HostApp::View(WindowKind kind) {
  switch (kind) {
    case WindowKind::Main: return main_;
    case WindowKind::Chromatogram: return chromatogram_;
    case WindowKind::Spectrum: return spectrum_;
    case WindowKind::PeakList: return peakList_;
    case WindowKind::Busy: break;
  }
  return busy_;
}

std::string HostApp::TitleFor(const WindowKindInfo& kind) const {
  if (kind.kind == WindowKind::Chromatogram) {
    if (const std::string other = FaultText(HostFault::ChromatogramTitle); !other.empty()) {
      Journal(kSrcHost, "fault.chromatogram-title", JsonFields().Str("title", other));
      return other;
    }
  }
  std::string title = kind.title;
  if (!sample_.Has()) return title;
  if (kind.titleRule == TitleRule::DashFile) return title + " - " + sample_.Summary().name;
  if (kind.titleRule == TitleRule::BracketedFile) return title + " - [" + sample_.Summary().name + "]";
  return title;
}

HWND HostApp::Show(WindowKind kindId) {
  const WindowKindInfo& kind = KindInfo(kindId);
  if (HWND open = Window(kindId)) {
    Raise(kind, open);
    return open;
  }
  WindowView& view = View(kindId);
  view.Prepare(*this);
  const HMENU menu = kind.menu != 0 ? LoadMenuA(instance_, MAKEINTRESOURCEA(kind.menu)) : nullptr;
  HWND window = CreateWindowExA(0, kind.className, TitleFor(kind).c_str(), WS_OVERLAPPEDWINDOW, kind.left, kind.top,
                                kind.width, kind.height, nullptr, menu, instance_, this);
  if (!window) return nullptr;
  windows_[static_cast<std::size_t>(kindId)] = window;
  ShowWindow(window, kind.show);
  UpdateWindow(window);
  JournalWindow("window.opened", window, kind.role);
  if (kind.bridgeKind >= 0) PublishWindows();
  view.Opened(*this, window);
  return window;
}

void HostApp::Raise(const WindowKindInfo& kind, HWND window) {
  constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE;
  // Wine without a window manager leaves owned windows below a raised owner: raise the dialog, then put the
  // window right below it.
  if (kind.raise == RaiseRule::BelowDialog && dialog_) {
    SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, kKeep | SWP_NOACTIVATE);
    SetWindowPos(window, dialog_, 0, 0, 0, 0, kKeep | SWP_NOACTIVATE);
  } else {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, kKeep | SWP_SHOWWINDOW);
  }
  if (kind.raise == RaiseRule::BelowDialog) JournalWindow("window.activated", window, kind.role);
}

HWND HostApp::CreateBusyWindow(const char* title, HWND owner, const std::string& text) {
  const WindowKindInfo& kind = KindInfo(WindowKind::Busy);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kind.width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - kind.height) / 2;
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kind.className, title, WS_POPUP | WS_CAPTION, x, y,
                                kind.width, kind.height, owner, nullptr, instance_, this);
  if (!window) return nullptr;
  busy_.SetText(window, text);
  ShowWindow(window, kind.show);
  UpdateWindow(window);
  JournalWindow("window.opened", window, kind.role);
  return window;
}

LRESULT HostApp::HandleWindowMessage(WindowKind kindId, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowKindInfo& kind = KindInfo(kindId);
  switch (message) {
    case WM_CREATE:
      // From here on the client can find a busy window: its reaction is timed from this moment.
      if (kindId == WindowKind::Busy) JournalWindow("window.created", window, kind.role);
      return 0;
    case WM_PAINT: {
      const PaintScope paint(window);
      RECT client;
      GetClientRect(window, &client);
      View(kindId).Paint(*this, window, paint.dc(), client);
      return 0;
    }
    case WM_SIZE:
      if (!kind.redrawOnSize) break;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_COMMAND:
      if (kindId == WindowKind::Busy) break;
      if (kind.journalsCommands) {
        Journal(kSrcHost, "command.received",
                JsonFields().Str("role", kind.role).Int("id", LOWORD(wParam)).Str("title", TitleOf(window)));
      }
      View(kindId).Command(*this, window, LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (kind.close == CloseRule::Ignored) {
        Journal(kSrcHost, "window.close-ignored", JsonFields().Str("title", TitleOf(window)));
      } else {
        CloseLikeUser(window, kind.role);
      }
      return 0;
    case WM_DESTROY: {
      JsonFields closed;
      closed.Str("role", kind.role).Str("title", TitleOf(window)).Str("hwnd", HexHandle(window));
      View(kindId).Forget(window, closed);
      Journal(kSrcHost, "window.closed", closed);
      HWND& slot = windows_[static_cast<std::size_t>(kindId)];
      if (slot == window) slot = nullptr;
      if (kind.bridgeKind >= 0) PublishWindows();
      if (kind.endsHost) PostQuitMessage(0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void HostApp::CloseLikeUser(HWND window, const char* role) {
  Journal(kSrcHost, "window.close-request", JsonFields().Str("role", role).Str("title", TitleOf(window)));
  Later(DelayMs("Close"), [window] {
    if (IsWindow(window)) DestroyWindow(window);
  });
}

void HostApp::Later(int delayMs, std::function<void()> action) {
  if (delayMs <= 0) {
    action();
    return;
  }
  const UINT_PTR id = nextTimer_++;
  pending_[id] = std::move(action);
  SetTimer(commandWindow_, id, static_cast<UINT>(delayMs), nullptr);
}

void HostApp::RunLaterTimer(UINT_PTR id) {
  KillTimer(commandWindow_, id);
  auto it = pending_.find(id);
  if (it == pending_.end()) return;
  auto action = std::move(it->second);
  pending_.erase(it);
  action();
}

int HostApp::DelayMs(const char* key, int fallback) const { return IniInt(kSecDelays, key, fallback); }

// Stuck for good in the middle of publishing its state, as a host may hang: its window thread pumps no
// more messages, and each library call that needs the host waits for the bridge it holds. Blocked, not
// spinning; only ending the process ends it.
void HostApp::Hang(int afterMs) {
  Journal(kSrcHost, "fault.host-hangs", JsonFields().Int("afterMs", afterMs));
  bridge_.Update([](BridgeState&) {
    for (;;) Sleep(INFINITE);
  });
}

void HostApp::JournalWindow(const char* event, HWND window, const char* role) const {
  Journal(kSrcHost, event, JsonFields().Str("role", role).Str("title", TitleOf(window)).Str("hwnd", HexHandle(window)));
}

void HostApp::PublishWindows() {
  bridge_.Update([&](BridgeState& s) {
    s.commandWindow = LongFromHwnd(commandWindow_);
    for (const WindowKindInfo& kind : WindowKinds()) {
      if (kind.bridgeKind >= 0) s.windows[kind.bridgeKind] = LongFromHwnd(Window(kind.kind));
    }
  });
}

void HostApp::PublishSample() {
  const SampleSummary& s = sample_.Summary();
  bridge_.Update([&](BridgeState& b) {
    SetField(b.samplePath, s.path);
    SetField(b.location, s.location);
    SetField(b.fileName, s.name);
    SetField(b.detail, s.description);
    b.scanCount = s.scanCount;
    b.specValue = static_cast<int32_t>(s.sizeKiB);
  });
}

void HostApp::OpenStartWindows() {
  const std::string list = "," + ivdata::UpperAnsi(IniString(kSecStandin, "OpenAtStart", "")) + ",";
  for (const WindowKindInfo& kind : WindowKinds()) {
    if (kind.startName && list.find("," + std::string(kind.startName) + ",") != std::string::npos) Show(kind.kind);
  }
}

// Host commands by text; the answer is what IonvaneCommand returns to the client.
LRESULT HostApp::RunHostCommand(const std::string& text) {
  const std::string command = ivdata::UpperAnsi(Trim(text));
  Journal(kSrcHost, "command", JsonFields().Str("text", text));
  ReportUnknownFaults(kSrcHost);
  for (const WindowKindInfo& kind : WindowKinds()) {
    if (!kind.launchName || command != "APP.LAUNCH[DEFAULT:" + std::string(kind.launchName) + "]()") continue;
    if (kind.kind == WindowKind::Chromatogram && FaultInt(HostFault::ChromatogramNeverOpens)) {
      Journal(kSrcHost, "fault.chromatogram-never-opens");
      return 1;
    }
    const WindowKind opens = kind.kind;
    Later(DelayMs("Launch"), [this, opens] { Show(opens); });
    return 1;
  }
  Journal(kSrcHost, "command.unknown", JsonFields().Str("text", text));
  return 0;
}

LRESULT HostApp::HandleCommandWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (!cds || cds->dwData != kCopyDataCommand || !cds->lpData) return 0;
      // The text need not be NUL-terminated within cbData.
      const char* p = static_cast<const char*>(cds->lpData);
      size_t n = 0;
      while (n < cds->cbData && p[n]) ++n;
      return RunHostCommand(std::string(p, n));
    }
    case WM_TIMER:
      RunLaterTimer(wParam);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace standin
