// The stand-in host: StandinHost.exe <sample file>. The sample becomes the host's current sample.
#include <windows.h>

#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "host_app.h"

namespace standin {

void RegisterBusyClass();
void RegisterMainClass();
void RegisterChromatogramClass();
void RegisterSpectrumClass();
void RegisterPeakListClass();

void RegisterHostClass(const char* name, WNDPROC proc, LPCSTR cursor, HBRUSH background, HICON icon) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = g_app.instance;
  wc.hCursor = LoadCursor(nullptr, cursor);
  wc.hIcon = icon;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

void RegisterWindowClasses() {
  RegisterBusyClass();
  RegisterMainClass();
  RegisterChromatogramClass();
  RegisterSpectrumClass();
  RegisterPeakListClass();
}

namespace {

std::string SamplePathFrom(const char* commandLine) {
  std::string s = Trim(commandLine ? commandLine : "");
  if (s.size() >= 2 && s.front() == '"') {
    size_t close = s.find('"', 1);
    return s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return s;
}

void PublishSample() {
  const SampleSummary& s = CurrentSample();
  g_app.bridge.Update([&](BridgeState& b) {
    SetField(b.samplePath, s.path);
    SetField(b.location, s.location);
    SetField(b.fileName, s.name);
    SetField(b.detail, s.description);
    b.scanCount = s.scanCount;
    b.specValue = static_cast<int32_t>(s.sizeKiB);
  });
}

void OpenStartWindows() {
  std::string list = "," + ivdata::UpperAnsi(IniString(kSecStandin, "OpenAtStart", "")) + ",";
  auto has = [&](const char* name) { return list.find("," + std::string(name) + ",") != std::string::npos; };
  if (has("CHROMATOGRAM")) ShowChromatogramWindow();
  if (has("SPECTRUM")) ShowSpectrumWindow();
  if (has("PEAKLIST")) ShowPeakListWindow();
}

}  // namespace

}  // namespace standin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  using namespace standin;
  g_app.instance = instance;
  std::string samplePath = SamplePathFrom(commandLine);
  if (!g_app.bridge.Create()) {
    Journal(kSrcHost, "host.not-started", JsonFields().Str("reason", "another host is running or the bridge failed"));
    return 2;
  }
  bool opened = !samplePath.empty() && OpenSample(samplePath, g_app.sampleError);
  if (samplePath.empty()) g_app.sampleError = "Start the host with a sample file.";
  Journal(kSrcHost, "host.start",
          JsonFields().Str("sample", samplePath).Bool("opened", opened).Str("error", g_app.sampleError)
              .Int("scans", CurrentSample().scanCount));
  if (opened) PublishSample();

  g_app.commandWindow = CreateCommandWindow();
  RegisterWindowClasses();
  if (!g_app.commandWindow || !CreateMainWindow()) {
    Journal(kSrcHost, "host.window-failed", JsonFields().Int("error", GetLastError()));
    return 2;
  }
  PublishWindows();
  OpenStartWindows();

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (g_app.dialog && IsDialogMessageA(g_app.dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Journal(kSrcHost, "host.stop", JsonFields().Int("combines", g_app.combines));
  return 0;
}
