#include "host_app.h"

#include <cstdio>
#include <map>

#include "bridge/host_settings.h"
#include "bridge/text_fields.h"

namespace standin {

HostApp g_app;

namespace {

std::map<UINT_PTR, std::function<void()>> g_pending;
UINT_PTR g_nextTimer = 100;

}  // namespace

void Later(int delayMs, std::function<void()> action) {
  if (delayMs <= 0) {
    action();
    return;
  }
  UINT_PTR id = g_nextTimer++;
  g_pending[id] = std::move(action);
  SetTimer(g_app.commandWindow, id, static_cast<UINT>(delayMs), nullptr);
}

void RunLaterTimer(UINT_PTR id) {
  KillTimer(g_app.commandWindow, id);
  auto it = g_pending.find(id);
  if (it == g_pending.end()) return;
  auto action = std::move(it->second);
  g_pending.erase(it);
  action();
}

int DelayMs(const char* key, int fallback) { return IniInt(kSecDelays, key, fallback); }

void PublishWindows() {
  g_app.bridge.Update([&](BridgeState& s) {
    s.commandWindow = LongFromHwnd(g_app.commandWindow);
    s.windows[0] = LongFromHwnd(g_app.main);
    s.windows[1] = LongFromHwnd(g_app.spectrum);
    s.windows[2] = LongFromHwnd(g_app.peakList);
  });
}

std::string TitleOf(HWND h) {
  char buf[256] = {};
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

std::string HexHandle(HWND h) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(LongFromHwnd(h)));
  return buf;
}

void JournalWindow(const char* event, HWND h, const char* role) {
  Journal(kSrcHost, event, JsonFields().Str("role", role).Str("title", TitleOf(h)).Str("hwnd", HexHandle(h)));
}

void CloseLikeUser(HWND h, const char* role) {
  Journal(kSrcHost, "window.close-request", JsonFields().Str("role", role).Str("title", TitleOf(h)));
  Later(DelayMs("Close"), [h] {
    if (IsWindow(h)) DestroyWindow(h);
  });
}

namespace {

// Host commands by text; the answer is what IonvaneCommand returns to the client.
LRESULT RunHostCommand(const std::string& text) {
  std::string cmd = ivdata::UpperAnsi(Trim(text));
  Journal(kSrcHost, "command", JsonFields().Str("text", text));
  if (cmd == "APP.LAUNCH[DEFAULT:CHRO]()") {
    if (IniInt(kSecFaults, "ChromatogramNeverOpens", 0)) {
      Journal(kSrcHost, "fault.chromatogram-never-opens");
      return 1;
    }
    Later(DelayMs("Launch"), [] { ShowChromatogramWindow(); });
    return 1;
  }
  if (cmd == "APP.LAUNCH[DEFAULT:SPEC]()") {
    Later(DelayMs("Launch"), [] { ShowSpectrumWindow(); });
    return 1;
  }
  if (cmd == "APP.LAUNCH[DEFAULT:PEAKS]()") {
    Later(DelayMs("Launch"), [] { ShowPeakListWindow(); });
    return 1;
  }
  Journal(kSrcHost, "command.unknown", JsonFields().Str("text", text));
  return 0;
}

LRESULT CALLBACK CommandProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (!cds || cds->dwData != kCopyDataCommand || !cds->lpData) return 0;
      // The text need not be NUL-terminated within cbData.
      const char* p = static_cast<const char*>(cds->lpData);
      size_t n = 0;
      while (n < cds->cbData && p[n]) ++n;
      return RunHostCommand(std::string(p, n));
    }
    case WM_TIMER:
      RunLaterTimer(wp);
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

}  // namespace

HWND CreateCommandWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CommandProc;
  wc.hInstance = g_app.instance;
  wc.lpszClassName = kCommandWindowClass;
  RegisterClassA(&wc);
  return CreateWindowExA(0, kCommandWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_app.instance, nullptr);
}

}  // namespace standin
