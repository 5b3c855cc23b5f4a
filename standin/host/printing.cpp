// Printing the spectrum window: one page per print, PDF with a PNG preview, in [Standin] PrintFolder.
// 341 prints the page; 342 prints the same page headed "with mass lists" and writes the spectra's mass
// lists beside it as text.
#include "bridge/host_settings.h"
#include "bridge/text_fields.h"
#include "host_app.h"
#include "resource.h"

namespace standin {

void HostApp::WritePageNow(UINT command, const std::vector<ivdata::CombinedSpectrum>& spectra) {
  const std::string folder = IniString(kSecStandin, "PrintFolder", "C:\\Ionvane\\Prints");
  PagePaths paths;
  std::string error;
  const bool ok = sample_.WriteSpectrumPage(folder, spectra, command == IDM_PRINT_WITH_LIST, paths, error);
  JsonFields f;
  f.Int("command", command).Bool("ok", ok).Int("spectra", static_cast<int64_t>(spectra.size()));
  ivdata::Json ranges = ivdata::Json::array();
  for (const auto& s : spectra) ranges.push_back(ivdata::AnsiText(ivdata::ScanRangesText(s.ranges)));
  f.Value("ranges", std::move(ranges));
  if (ok) {
    f.Str("pdf", paths.pdf).Str("png", paths.png);
    if (!paths.massList.empty()) f.Str("massList", paths.massList);
  } else {
    f.Str("error", error);
  }
  Journal(kSrcHost, "print", f);
}

void HostApp::PrintSpectrumWindow(UINT command) {
  // What is printed is what the window shows when the command arrives.
  const std::vector<ivdata::CombinedSpectrum> spectra = spectrum_.Spectra();
  const HWND window = Window(WindowKind::Spectrum);
  const std::string mode = ivdata::UpperAnsi(Trim(FaultText(HostFault::PrintingWindow, "normal")));
  if (mode == "NEVER") {
    Journal(kSrcHost, "fault.printing-window-never");
    WritePageNow(command, spectra);
    return;
  }
  if (mode == "FLASH") {
    // Shown and gone again without the host pumping a message in between: too brief to be seen.
    WritePageNow(command, spectra);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    HWND w = CreateWindowExA(WS_EX_TOPMOST, KindInfo(WindowKind::Busy).className, "Printing...",
                             WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 340, 110, window, nullptr, instance_, this);
    if (w) DestroyWindow(w);
    QueryPerformanceCounter(&t1);
    Journal(kSrcHost, "fault.printing-window-flash",
            JsonFields().Bool("shown", w != nullptr).Int("microseconds", (t1.QuadPart - t0.QuadPart) * 1000000 / freq.QuadPart));
    return;
  }
  HWND w = CreateBusyWindow("Printing...", window, "Printing the spectrum window...");
  // The window stays up while the page is written, and at least long enough for a poller to see it.
  const int shown = DelayMs("Print", 400);
  Later(shown > 100 ? shown : 100, [this, command, spectra, w] {
    WritePageNow(command, spectra);
    if (IsWindow(w)) DestroyWindow(w);
  });
}

}  // namespace standin
