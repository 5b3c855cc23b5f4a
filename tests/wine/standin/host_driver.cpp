// Drives the stand-in host as the client does (launch command, 354, the four fields, OK, 341/342,
// WM_CLOSE) and checks the host's side through its journal, its windows and the page files.
//   standin_host_driver.exe [gtest flags] <bin dir> <work dir> [<screenshot dir>]
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "bridge/text_fields.h"
#include "ivdata/ivdata.h"
#include "run_tests.h"
#include "test_support.h"

using namespace standin_test;

namespace {

std::string g_shots;

// The script watching the screenshot folder takes a picture of the screen for each request.
void Screenshot(const char* name) {
  if (g_shots.empty()) return;
  std::string req = g_shots + "\\" + name + ".req", done = g_shots + "\\" + name + ".done";
  Sleep(300);  // let the host paint
  HANDLE f = CreateFileA(req.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  bool taken = WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
  EXPECT_TRUE(taken) << std::string("screenshot ") + name;
}

HWND Wnd(LONG h) { return standin::HwndFromLong(static_cast<uint32_t>(h)); }

struct Client {
  HostLibraries& L;
  std::string name;
  std::string chroTitle;

  // A client of the host's current file, as the bridge names it to a blank record.
  static Client ForCurrentFile(HostLibraries& L) {
    FileSpec blank{}, out{};
    std::memset(blank.location, ' ', sizeof blank.location);
    char list[] = "SystemList", type[] = "RAW";
    L.GetGlobalFile(list, type, &blank, &out);
    Client c{L, standin::FieldText(out.fileName), ""};
    c.chroTitle = "Chromatogram - [" + c.name + "]";
    return c;
  }

  HWND OpenChromatogram() {
    char launch[] = "app.launch[default:Chro]()";
    L.IonvaneCommand(launch, 5000);
    return WaitForTop(chroTitle.c_str(), 5000);
  }

  HWND OpenDialog(HWND chro, int limitMs = 5000) {
    if (HWND d = FindTop("Combine Spectrum")) return d;
    PostMessageA(chro, WM_COMMAND, 354, 0);
    return WaitForTop("Combine Spectrum", limitMs);
  }

  static void Fill(HWND dlg, const char* f308, const char* f310, const char* f369, const char* f176) {
    const std::pair<int, const char*> fields[] = {{308, f308}, {310, f310}, {369, f369}, {176, f176}};
    for (const auto& [id, text] : fields)
      SendMessageA(GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }

  // One combine as the client does it; true when "Spectrum Combine" was there after OK and then went.
  bool Combine(int scan, int scanCount, const char* shot = nullptr) {
    int low = scan - 1 < 1 ? 1 : scan - 1, high = scan + 1 > scanCount ? scanCount : scan + 1;
    HWND chro = OpenChromatogram();
    if (!chro) return false;
    HWND dlg = OpenDialog(chro);
    if (!dlg) return false;
    std::string range = std::to_string(low) + ":" + std::to_string(high);
    Fill(dlg, range.c_str(), "", "1", "1");
    if (shot) Screenshot(shot);
    SendMessageA(dlg, WM_COMMAND, 1, 0);
    bool busySeen = FindWindowA(nullptr, "Spectrum Combine") != nullptr;
    return busySeen && WaitUntilGone("Spectrum Combine", 30000);
  }

  bool CloseKind(int kind) {
    LONG h = L.GetApplicationWnd(static_cast<int16_t>(kind));
    if (!h) return true;
    PostMessageA(Wnd(h), WM_CLOSE, 0, 0);
    return WaitUntil([&] { return L.GetApplicationWnd(static_cast<int16_t>(kind)) == 0; }, 10000);
  }

  enum class PrintingWindow { Shown, Never, Flash };

  // Posts the print command; returns the journal's print line (empty when none came).
  std::string Print(UINT command, PrintingWindow expect, int* shownMs = nullptr) {
    size_t mark = JournalSize();
    PostMessageA(Wnd(L.GetApplicationWnd(1)), WM_COMMAND, command, 0);
    DWORD start = GetTickCount();
    std::string cmd = "command " + std::to_string(command);
    if (expect == PrintingWindow::Shown) {
      EXPECT_TRUE(WaitForTop("Printing...", 10000) != nullptr) << cmd + " shows \"Printing...\"";
      EXPECT_TRUE(WaitUntilGone("Printing...", 30000)) << "\"Printing...\" goes when the page is written";
      if (shownMs) *shownMs = static_cast<int>(GetTickCount() - start);
    } else if (expect == PrintingWindow::Never) {
      EXPECT_TRUE(WaitForTop("Printing...", 1500) == nullptr) << cmd + " shows no \"Printing...\"";
    }
    std::vector<std::string> lines;
    WaitUntil([&] { return !(lines = JournalLinesSince(mark, "print")).empty(); }, 10000);
    if (expect == PrintingWindow::Flash) {
      std::vector<std::string> flash;
      WaitUntil([&] { return !(flash = JournalLinesSince(mark, "fault.printing-window-flash")).empty(); }, 5000);
      std::string us = flash.empty() ? "" : JsonValue(flash.front(), "microseconds");
      EXPECT_TRUE(!flash.empty() && JsonValue(flash.front(), "shown") == "true" && std::atoi(us.c_str()) < 100000) << cmd + " flashes \"Printing...\" for less than the shortest normal print (100 ms)" << ": " << us + " us";
    }
    return lines.empty() ? std::string() : lines.back();
  }
};

void CheckPage(const std::string& printLine, const std::string& what) {
  std::string pdf = JsonValue(printLine, "pdf"), png = JsonValue(printLine, "png");
  std::string pdfBytes = ReadFileBytes(pdf), pngBytes = ReadFileBytes(png);
  EXPECT_TRUE(!pdf.empty() && pdfBytes.rfind("%PDF-", 0) == 0 && pdfBytes.find("%%EOF") != std::string::npos) << what + ": a PDF page" << ": " << pdf + " (" + std::to_string(pdfBytes.size()) + " bytes)";
  EXPECT_TRUE(!png.empty() && pngBytes.rfind("\x89PNG\r\n\x1a\n", 0) == 0 && pngBytes.size() > 2000) << what + ": a PNG preview" << ": " << png + " (" + std::to_string(pngBytes.size()) + " bytes)";
}

struct MessageBoxFinder {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK FindOwnedBox(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<MessageBoxFinder*>(lp);
  char cls[32] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (GetWindow(h, GW_OWNER) == f->owner && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(h)) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI SendOk(LPVOID dlg) {
  SendMessageA(static_cast<HWND>(dlg), WM_COMMAND, 1, 0);
  return 0;
}

// OK with a malformed field: the host answers with its own message box, which the test closes.
void MalformedField(Client& c, const char* f308, const char* f369, const char* f176, const std::string& what) {
  HWND chro = c.OpenChromatogram();
  HWND dlg = chro ? c.OpenDialog(chro) : nullptr;
  ASSERT_NE(dlg, nullptr) << what << ": no dialog";
  Client::Fill(dlg, f308, "", f369, f176);
  size_t mark = JournalSize();
  // OK is sent from another thread: SendMessage returns only once the host's message box is closed.
  HANDLE ok = CreateThread(nullptr, 0, SendOk, dlg, 0, nullptr);
  MessageBoxFinder finder{dlg};
  WaitUntil([&] {
    EnumWindows(FindOwnedBox, reinterpret_cast<LPARAM>(&finder));
    return finder.found != nullptr;
  }, 5000);
  char title[64] = {};
  if (finder.found) GetWindowTextA(finder.found, title, sizeof title);
  auto invalid = JournalLinesSince(mark, "dialog.invalid");
  EXPECT_TRUE(finder.found != nullptr && std::strcmp(title, "Ionvane") == 0 && invalid.size() == 1) << what << ": " << (invalid.empty() ? "no journal line" : JsonValue(invalid.front(), "message"));
  if (finder.found) PostMessageA(finder.found, WM_COMMAND, IDOK, 0);
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000 && FindWindowA(nullptr, "Combine Spectrum") && finder.found &&
         IsWindow(finder.found))
    Sleep(10);
  WaitForSingleObject(ok, 10000);
  CloseHandle(ok);
  EXPECT_TRUE(IsWindow(dlg) && FindWindowA(nullptr, "Spectrum Combine") == nullptr) << what + ": the dialog stays open and nothing is combined";
}

// What every scenario stands on, made once by main: the libraries bound, the sample, the host program.
struct Stage {
  HostLibraries libs;
  std::string missing;  // exports that did not bind
  std::string exe;
  std::string sample;
  int scans = 0;
};
Stage* g_stage = nullptr;

// Each scenario starts and ends with no fault and no delay set.
class HostDriver : public testing::Test {
 protected:
  void SetUp() override {
    ClearFaultsAndDelays();
    ASSERT_TRUE(g_stage->missing.empty()) << "the libraries: " << g_stage->missing;
  }
  void TearDown() override { ClearFaultsAndDelays(); }

  HostLibraries& L = g_stage->libs;
  const std::string& exe = g_stage->exe;
  const std::string& sample = g_stage->sample;
  const int scans = g_stage->scans;
};

TEST_F(HostDriver, AClientCombinesPrintsAndClosesAsTheClientDoes) {
  HostProcess host;
  ASSERT_TRUE(host.Start(exe, sample, L)) << "the host starts";
  Client c = Client::ForCurrentFile(L);

  // The peaks the client would process.
  RawFile raw{};
  L.GetSampleListFileVB(&raw);
  IntegrationParams params{};
  char set[] = "ChrIntegrate";
  L.IntegrateGetIniFile(set, &params);
  TraceDesc tic{};
  LONG_PTR block = 0;
  LONG count = 0;
  int16_t aux = 0;
  L.IntegrateChromatogramRange(nullptr, &raw, &tic, &block, &count, &aux, &params, 1, scans, 0);
  std::vector<int> apexes;
  if (auto* p = static_cast<standin::PeakRecord*>(GlobalLock(standin::HglobalFromLongPtr(block)))) {
    for (LONG k = 0; k < count; ++k) apexes.push_back(static_cast<int>(std::nearbyint(p[k].apexScan)));
    GlobalUnlock(standin::HglobalFromLongPtr(block));
  }
  GlobalFree(standin::HglobalFromLongPtr(block));
  ASSERT_GE(apexes.size(), 7u) << "the sample has at least seven peaks to combine";

  SetHostIni("SpeDisplay", "Replace", "FALSE");
  size_t mark = JournalSize();
  HWND chro = c.OpenChromatogram();
  EXPECT_TRUE(chro != nullptr) << "launch command opens \"" + c.chroTitle + "\"";
  Screenshot("chromatogram");
  DWORD start = GetTickCount();
  HWND dlg = c.OpenDialog(chro);
  EXPECT_TRUE(dlg != nullptr) << "command 354 opens \"Combine Spectrum\"" << ": " << std::to_string(GetTickCount() - start) + " ms";
  EXPECT_TRUE(dlg && GetParent(dlg) == chro) << "the dialog is owned by the chromatogram window";
  EXPECT_TRUE(dlg && GetDlgItem(dlg, 308) && GetDlgItem(dlg, 310) && GetDlgItem(dlg, 369) && GetDlgItem(dlg, 176) &&
             GetDlgItem(dlg, 1)) << "the dialog has controls 308, 310, 369, 176 and OK";
  bool allCombined = true;
  for (int i = 0; i < 6; ++i) allCombined = c.Combine(apexes[i], scans, i == 0 ? "dialog" : nullptr) && allCombined;
  EXPECT_TRUE(allCombined) << "six combines: \"Spectrum Combine\" shown at OK's return, then gone";
  auto oks = JournalLinesSince(mark, "dialog.ok");
  std::string first = std::to_string(apexes[0] - 1) + ":" + std::to_string(apexes[0] + 1);
  EXPECT_TRUE(oks.size() == 6 && JsonValue(oks[0], "308") == first && JsonValue(oks[0], "310").empty() &&
             JsonValue(oks[0], "369") == "1" && JsonValue(oks[0], "176") == "1") << "the journal holds the four field texts at each OK" << ": " << (oks.empty() ? "" : oks[0]);
  auto combines = JournalLinesSince(mark, "combine");
  bool added = combines.size() == 6;
  for (size_t i = 0; added && i < combines.size(); ++i)
    added = JsonValue(combines[i], "replaceSetting") == "FALSE" && JsonValue(combines[i], "mode") == "add" &&
            JsonValue(combines[i], "spectraShown") == std::to_string(i + 1);
  EXPECT_TRUE(added) << "with Replace FALSE each spectrum is added beside the others (1..6 shown)";
  EXPECT_TRUE(!combines.empty() && JsonValue(combines[0], "ranges") == first) << "the combine uses the range of field 308";
  EXPECT_TRUE(L.GetApplicationWnd(1) != 0) << "the spectrum window is kind 1";
  Screenshot("spectrum");

  int shownMs = 0;
  std::string printed = c.Print(341, Client::PrintingWindow::Shown, &shownMs);
  EXPECT_TRUE(JsonValue(printed, "spectra") == "6" && JsonValue(printed, "command") == "341") << "command 341 prints the six spectra on one page" << ": " << printed;
  CheckPage(printed, "341");
  EXPECT_TRUE(c.CloseKind(1)) << "WM_CLOSE ends the spectrum window (kind 1 reports 0)";
  auto closed = JournalLinesSince(mark, "window.closed");
  bool forgot = false;
  for (const auto& l : closed) forgot = forgot || (JsonValue(l, "role") == "spectrum" && JsonValue(l, "forgotSpectra") == "6");
  EXPECT_TRUE(forgot) << "the closed spectrum window forgets its six spectra";

  size_t mark7 = JournalSize();
  EXPECT_TRUE(c.Combine(apexes[6], scans)) << "a seventh combine";
  auto seventh = JournalLinesSince(mark7, "combine");
  EXPECT_TRUE(seventh.size() == 1 && JsonValue(seventh[0], "spectraShown") == "1") << "after the close the next spectrum starts a fresh window";
  std::string printed2 = c.Print(342, Client::PrintingWindow::Shown);
  CheckPage(printed2, "342");
  EXPECT_TRUE(JsonValue(printed2, "pdf") != JsonValue(printed, "pdf")) << "each print writes its own page";
  std::string massList = ReadFileBytes(JsonValue(printed2, "massList"));
  EXPECT_TRUE(massList.find("m/z\tintensity") != std::string::npos) << "command 342 also writes the mass list" << ": " << JsonValue(printed2, "massList");

  // Replace other than FALSE, and absent: each new spectrum replaces the last.
  for (const char* value : {"TRUE", static_cast<const char*>(nullptr)}) {
    SetHostIni("SpeDisplay", "Replace", value);
    size_t m = JournalSize();
    c.Combine(apexes[1], scans);
    c.Combine(apexes[2], scans);
    auto lines = JournalLinesSince(m, "combine");
    EXPECT_TRUE(lines.size() == 2 && JsonValue(lines.back(), "spectraShown") == "1") << (std::string("Replace ") + (value ? value : "absent") + ": the new spectrum replaces the last");
  }
  SetHostIni("SpeDisplay", "Replace", "FALSE");

  MalformedField(c, "12:x", "1", "1", "field 308 \"12:x\" gets the host's message box");
  MalformedField(c, "99990:99991", "1", "1", "a range outside the sample gets the host's message box");
  MalformedField(c, "5:7", "one", "1", "field 369 \"one\" gets the host's message box");
  HWND open = FindTop("Combine Spectrum");
  if (open) SendMessageA(open, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(open != nullptr && FindWindowA(nullptr, "Combine Spectrum") == nullptr) << "Cancel closes the dialog";

  // Kind 2 and closing like a user.
  char peaks[] = "app.launch[default:Peaks]()";
  L.IonvaneCommand(peaks, 5000);
  EXPECT_TRUE(WaitUntil([&] { return L.GetApplicationWnd(2) != 0; }, 5000)) << "the peak list opens as kind 2";
  Screenshot("peaklist");
  EXPECT_TRUE(c.CloseKind(2)) << "WM_CLOSE ends the peak list";

  // Delays.
  chro = FindTop(c.chroTitle.c_str());
  if (chro) {
    PostMessageA(chro, WM_CLOSE, 0, 0);
    WaitUntilGone(c.chroTitle.c_str(), 5000);
  }
  SetHostIni("StandinDelays", "Launch", "700");
  SetHostIni("StandinDelays", "Close", "500");
  start = GetTickCount();
  chro = c.OpenChromatogram();
  DWORD opened = GetTickCount() - start;
  EXPECT_TRUE(chro && opened >= 600) << "Launch=700 delays the chromatogram window" << ": " << std::to_string(opened) + " ms";
  start = GetTickCount();
  PostMessageA(chro, WM_CLOSE, 0, 0);
  WaitUntilGone(c.chroTitle.c_str(), 5000);
  DWORD closing = GetTickCount() - start;
  EXPECT_TRUE(closing >= 400) << "Close=500 delays the close" << ": " << std::to_string(closing) + " ms";
  ClearFaultsAndDelays();

  // Faults that the same host can show.
  SetFault(shared::HostFault::DialogNeverOpens, "1");
  chro = c.OpenChromatogram();
  size_t m = JournalSize();
  EXPECT_TRUE(chro && c.OpenDialog(chro, 1500) == nullptr && !JournalLinesSince(m, "fault.dialog-never-opens").empty()) << "DialogNeverOpens=1: command 354 opens nothing";
  ClearFaultsAndDelays();
  c.CloseKind(1);
  c.Combine(apexes[3], scans);
  SetFault(shared::HostFault::PrintingWindow, "never");
  std::string never = c.Print(341, Client::PrintingWindow::Never);
  CheckPage(never, "PrintingWindow=never");
  SetFault(shared::HostFault::PrintingWindow, "flash");
  std::string flash = c.Print(341, Client::PrintingWindow::Flash);
  CheckPage(flash, "PrintingWindow=flash");
  ClearFaultsAndDelays();

  EXPECT_TRUE(host.Stop(L) && host.ExitCode() == 0) << "WM_CLOSE to the main window ends the host with code 0";
}

TEST_F(HostDriver, CombineWindowStaysKeepsSpectrumCombineOpen) {
  SetFault(shared::HostFault::CombineWindowStays, "1");
  HostProcess host;
  ASSERT_TRUE(host.Start(exe, sample, L)) << "the host starts";
  Client c = Client::ForCurrentFile(L);
  HWND chro = c.OpenChromatogram();
  HWND dlg = chro ? c.OpenDialog(chro) : nullptr;
  if (dlg) {
    Client::Fill(dlg, "10:12", "", "1", "1");
    SendMessageA(dlg, WM_COMMAND, 1, 0);
  }
  Sleep(1500);
  HWND busy = FindWindowA(nullptr, "Spectrum Combine");
  if (busy) PostMessageA(busy, WM_CLOSE, 0, 0);
  Sleep(300);
  EXPECT_TRUE(busy && FindWindowA(nullptr, "Spectrum Combine") && L.GetApplicationWnd(1) != 0) << "CombineWindowStays=1: the spectrum is shown but \"Spectrum Combine\" never goes";
  ClearFaultsAndDelays();
  EXPECT_TRUE(host.Stop(L)) << "the host still ends on WM_CLOSE";
}

TEST_F(HostDriver, ExitAfterCombinesEndsTheHost) {
  SetFault(shared::HostFault::ExitAfterCombines, "2");
  HostProcess host;
  ASSERT_TRUE(host.Start(exe, sample, L)) << "the host starts";
  Client c = Client::ForCurrentFile(L);
  bool first = c.Combine(20, scans);
  EXPECT_TRUE(first && host.Running()) << "the host survives the first combine";
  c.Combine(40, scans);
  EXPECT_TRUE(host.WaitExit(5000) && host.ExitCode() == 3) << "ExitAfterCombines=2: the host exits after the second";
  EXPECT_EQ(L.GetApplicationWnd(0), 0) << "no main window once the host has gone";
  EXPECT_EQ(L.GetApplicationWnd(1), 0) << "no spectrum window once the host has gone";
  ClearFaultsAndDelays();
}

// A host whose windows differ from those the client knows: the chromatogram window under another title,
// the dialog on another command and under another title, and still the dialog that combines.
TEST_F(HostDriver, AHostWhoseWindowsDiffer) {
  const char* const chromatogram = "Chromatogram 2 - elsewhere";
  const char* const dialog = "Combine Spectra";
  SetFault(shared::HostFault::ChromatogramTitle, chromatogram);
  SetFault(shared::HostFault::CombineCommand, "355");
  SetFault(shared::HostFault::CombineDialogTitle, dialog);
  HostProcess host;
  ASSERT_TRUE(host.Start(exe, sample, L)) << "the host starts";
  Client c = Client::ForCurrentFile(L);
  const std::string known = c.chroTitle;
  c.chroTitle = chromatogram;
  HWND chro = c.OpenChromatogram();
  EXPECT_TRUE(chro && FindWindowA(nullptr, known.c_str()) == nullptr) << "ChromatogramTitle: the launch command opens the chromatogram window under that title only";
  size_t m = JournalSize();
  PostMessageA(chro, WM_COMMAND, 354, 0);
  EXPECT_TRUE(chro && WaitForTop(dialog, 1500) == nullptr && FindWindowA(nullptr, "Combine Spectrum") == nullptr &&
             JournalLinesSince(m, "fault.combine-command").size() == 1) << "CombineCommand=355: command 354 opens nothing";
  PostMessageA(chro, WM_COMMAND, 355, 0);
  HWND dlg = WaitForTop(dialog, 5000);
  EXPECT_TRUE(dlg && GetParent(dlg) == chro && GetDlgItem(dlg, 308) && GetDlgItem(dlg, 310) && GetDlgItem(dlg, 369) &&
             GetDlgItem(dlg, 176) && FindWindowA(nullptr, "Combine Spectrum") == nullptr) << "command 355 opens the dialog, under the title CombineDialogTitle gives";
  m = JournalSize();
  if (dlg) {
    Client::Fill(dlg, "10:12", "", "1", "1");
    SendMessageA(dlg, WM_COMMAND, 1, 0);
  }
  EXPECT_TRUE(WaitUntil([&] { return !JournalLinesSince(m, "combine").empty(); }, 10000)) << "the dialog under its other title combines as the dialog does";
  ClearFaultsAndDelays();
  EXPECT_TRUE(host.Stop(L)) << "the host ends on WM_CLOSE";
}

DWORD WINAPI AskForMainWindow(LPVOID libs) {
  return static_cast<DWORD>(static_cast<HostLibraries*>(libs)->GetApplicationWnd(0));
}

// A host that stops answering: its windows take no message, the bridge's calls wait for it (a command as
// long as the time it gives the host), the libraries that need no host still answer, and once the host is
// ended by force the waiting call goes on and finds no host.
TEST_F(HostDriver, AHostThatStopsAnswering) {
  SetFault(shared::HostFault::HostHangs, "1500");
  HostProcess host;
  ASSERT_TRUE(host.Start(exe, sample, L)) << "the host starts";
  HWND main = Wnd(L.GetApplicationWnd(0));
  RawFile raw{};
  L.GetSampleListFileVB(&raw);
  EXPECT_TRUE(WaitUntil([] { return !JournalLines("fault.host-hangs").empty(); }, 10000)) << "HostHangs=1500: the host journals that it stops answering";
  DWORD_PTR answer = 0;
  EXPECT_TRUE(main && !SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer)) << "its main window answers no message within a second";
  char launch[] = "app.launch[default:Chro]()";
  DWORD start = GetTickCount();
  const LONG accepted = L.IonvaneCommand(launch, 1000);
  const DWORD took = GetTickCount() - start;
  EXPECT_TRUE(accepted == 0 && took >= 900 && took < 4000) << "IonvaneCommand answers 0 once the second it gives has passed" << ": " << std::to_string(took) + " ms";
  HANDLE asking = CreateThread(nullptr, 0, AskForMainWindow, &L, 0, nullptr);
  EXPECT_TRUE(WaitForSingleObject(asking, 2000) == WAIT_TIMEOUT) << "GetApplicationWnd waits for the hung host";
  EXPECT_TRUE(L.DmRawScansInFunction(&raw) > 0) << "the raw-data library answers without the host";
  HostProcess second;
  EXPECT_TRUE(second.Launch(exe, sample) && second.WaitExit(15000) && second.ExitCode() == 2) << "a second host is refused (code 2) while the hung one holds the bridge";
  start = GetTickCount();
  const bool ended = host.End(10000);
  const bool answered = WaitForSingleObject(asking, 10000) == WAIT_OBJECT_0;
  DWORD window = 1;
  GetExitCodeThread(asking, &window);
  CloseHandle(asking);
  EXPECT_TRUE(ended && answered && window == 0) << "ended by force, the host lets the waiting call go: no main window" << ": " << std::to_string(GetTickCount() - start) + " ms";
  ClearFaultsAndDelays();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    std::printf("usage: standin_host_driver [gtest flags] <bin dir> <work dir> [<screenshot dir>]\n");
    return 2;
  }
  std::string bin = argv[1], work = argv[2];
  if (argc > 3) g_shots = argv[3];
  CreateDirectoryA(work.c_str(), nullptr);
  ClearFaultsAndDelays();
  SetHostIni("Standin", "PrintFolder", (work + "\\pages").c_str());

  ivdata::SynthOptions options;
  options.seed = 5;
  options.ms1Scans = 700;
  options.noisePointsPerScan = 60;
  Stage stage;
  stage.sample = work + "\\driver-sample.ivs";
  stage.scans = options.ms1Scans;
  stage.exe = bin + "\\StandinHost.exe";
  ivdata::Synthesise(options, stage.sample);
  stage.libs.Load(bin, stage.missing);
  g_stage = &stage;
  return RunTests();
}
