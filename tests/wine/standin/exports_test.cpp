// Calls every export of the three host libraries the way the client does, against a synthetic sample with
// known truth, and checks the record layouts byte by byte.
//   standin_exports_test.exe <bin dir> <work dir>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "bridge/text_fields.h"
#include "check.h"
#include "ivdata/ivdata.h"
#include "test_support.h"

using namespace standin_test;
using check::Equal;
using check::EqualText;
using check::Report;

namespace {

// An unknown host command holding what a hand-made JSON writer gets wrong: a quote, a backslash, a control
// character and bytes of the ANSI code page (e with acute accent, the euro sign, DEL).
constexpr char kOddCommand[] = "app.\"odd\\\x01\xe9\x80\x7f()";

struct Offset {
  const char* field;
  size_t actual;
  size_t expected;
};

void RecordLayouts() {
  using namespace standin;
  const Offset table[] = {
      {"FileSpec.Number", offsetof(FileSpec, number), 0},
      {"FileSpec.Location", offsetof(FileSpec, location), 2},
      {"FileSpec.FileName", offsetof(FileSpec, fileName), 262},
      {"FileSpec.Detail", offsetof(FileSpec, detail), 518},
      {"FileSpec.SpecValue", offsetof(FileSpec, specValue), 776},
      {"FileSpec.ScanCount", offsetof(FileSpec, scanCount), 780},
      {"sizeof FileSpec", sizeof(FileSpec), 784},
      {"RawFile.FunctionNumber", offsetof(RawFile, functionNumber), 784},
      {"RawFile.Aux", offsetof(RawFile, aux), 786},
      {"sizeof RawFile", sizeof(RawFile), 788},
      {"RawHeader.FunctionCount", offsetof(RawHeader, functionCount), 7120},
      {"RawHeader.Aux", offsetof(RawHeader, aux), 7122},
      {"sizeof RawHeader", sizeof(RawHeader), 7124},
      {"Body Text121 at 824", offsetof(RawHeaderBody, description), 824},
      {"Body numeric8 at 1128", offsetof(RawHeaderBody, runMinutes), 1128},
      {"Body Text81 at 1400", offsetof(RawHeaderBody, bottle), 1400},
      {"Body Text121 at 1542", offsetof(RawHeaderBody, conditions), 1542},
      {"Body array at 1664", offsetof(RawHeaderBody, reserved4), 1664},
      {"Body 8 x Text260 at 1684", offsetof(RawHeaderBody, analogNames), 1684},
      {"Body 5 x Text260 at 3764", offsetof(RawHeaderBody, auxFiles), 3764},
      {"Body 256 x 4 at 5068", offsetof(RawHeaderBody, functionScans), 5068},
      {"Body 256 x 4 at 6092", offsetof(RawHeaderBody, functionKinds), 6092},
      {"Body numeric4 at 7116", offsetof(RawHeaderBody, checksum), 7116},
      {"TraceDesc.Kind", offsetof(TraceDesc, kind), 0},
      {"TraceDesc.Masses", offsetof(TraceDesc, masses), 4},
      {"sizeof TraceDesc", sizeof(TraceDesc), 160},
      {"sizeof IntegrationParams", sizeof(IntegrationParams), 3280},
      {"PeakRecord.ApexScan", offsetof(PeakRecord, apexScan), 24},
      {"sizeof PeakRecord", sizeof(PeakRecord), 112},
  };
  int bad = 0;
  for (const auto& row : table) {
    if (row.actual != row.expected) {
      Report(false, std::string("layout ") + row.field,
             "expected " + std::to_string(row.expected) + ", got " + std::to_string(row.actual));
      ++bad;
    }
  }
  Report(bad == 0, "record layouts: " + std::to_string(std::size(table)) + " offsets and sizes");

  // Byte view: what a caller writes at the documented offsets is what the library reads.
  unsigned char bytes[sizeof(RawFile)] = {};
  int32_t scans = 1234;
  int16_t function = 2;
  std::memcpy(bytes + 780, &scans, 4);
  std::memcpy(bytes + 784, &function, 2);
  std::memcpy(bytes + 262, "demo.ivs", 8);
  RawFile r;
  std::memcpy(&r, bytes, sizeof r);
  Report(r.spec.scanCount == 1234 && r.functionNumber == 2 && std::strncmp(r.spec.fileName, "demo.ivs", 8) == 0,
         "RawFile fields read at their byte offsets");
  unsigned char peak[112] = {};
  float apex = 41.5f;
  std::memcpy(peak + 24, &apex, 4);
  PeakRecord p;
  std::memcpy(&p, peak, sizeof p);
  Report(p.apexScan == 41.5f, "PeakRecord.ApexScan read at byte 24");
}

RawFile RecordFor(const std::string& dir, const std::string& name, int16_t function) {
  RawFile r{};
  standin::SetField(r.spec.location, dir + "\\");
  standin::SetField(r.spec.fileName, name);
  r.functionNumber = function;
  return r;
}

void RawLibrary(HostLibraries& L, const ivdata::Sample& s, const ivdata::SynthTruth& truth, const std::string& dir,
                const std::string& name) {
  RawFile r = RecordFor(dir, name, 1);
  RawHeader header{};
  Report(L.DmRawReadHeaderVB(&r, &header) != 0, "DmRawReadHeaderVB reads the named sample");
  Equal(header.functionCount, s.FunctionCount(), "header FunctionCount at 7120");
  Equal(header.body.functionScans[0], s.ScanCount(1), "header lists the scans of function 1");
  Equal(L.DmRawScansInFunction(&r), s.ScanCount(1), "DmRawScansInFunction, function 1");
  RawFile r2 = RecordFor(dir, name, 2);
  Equal(L.DmRawScansInFunction(&r2), s.ScanCount(2), "DmRawScansInFunction, function 2");
  RawFile r9 = RecordFor(dir, name, 9);
  Equal(L.DmRawScansInFunction(&r9), 0, "DmRawScansInFunction of a function the sample lacks");
  RawFile missing = RecordFor(dir, "no-such-sample.ivs", 1);
  RawHeader h2{};
  Equal(L.DmRawReadHeaderVB(&missing, &h2), 0, "DmRawReadHeaderVB of a missing file");
  Equal(h2.functionCount, 0, "a failed header read leaves FunctionCount 0");

  float t100 = static_cast<float>(s.Scan(1, 100).rt);
  Equal(L.DmRawTimeToScan(&r, t100), 100, "DmRawTimeToScan at scan 100's time");
  Equal(L.DmRawTimeToScan(&r, -3.0f), 0, "DmRawTimeToScan before the run");
  Equal(L.DmRawTimeToScan(&r, 1e5f), 0, "DmRawTimeToScan after the run");

  std::vector<char> analog(truth.absorbanceTrace.begin(), truth.absorbanceTrace.end());
  analog.push_back('\0');
  Report(L.DmRawIsAnalogTraceDesc(analog.data()) != 0, "DmRawIsAnalogTraceDesc of the sample's trace \"" +
                                                           truth.absorbanceTrace + "\"");
  char notTrace[] = "Pressure Z";
  Equal(L.DmRawIsAnalogTraceDesc(notTrace), 0, "DmRawIsAnalogTraceDesc of a trace the sample lacks");
  char massText[] = "301.1";
  Equal(L.DmRawIsAnalogTraceDesc(massText), 0, "DmRawIsAnalogTraceDesc of a mass");

  // The mass area is 156 bytes inside the trace record; guard bytes behind it must survive.
  struct {
    TraceDesc trace;
    unsigned char guard[64];
  } area;
  std::memset(&area, 0, sizeof area);
  std::memset(area.guard, 0xA5, sizeof area.guard);
  LONG count = -1;
  char one[] = "301.1";
  Equal(L.DmRawStrToMass(one, area.trace.masses, 33, &count), 1, "DmRawStrToMass of one mass");
  Report(std::fabs(area.trace.masses[0] - 300.6f) < 1e-3 && std::fabs(area.trace.masses[1] - 301.6f) < 1e-3,
         "one mass becomes the window 300.6..301.6");
  char sum[] = "300_310 + 455.2~0.1";
  Equal(L.DmRawStrToMass(sum, area.trace.masses, 33, &count), 2, "DmRawStrToMass of a range plus a mass");
  Equal(count, 2, "DmRawStrToMass count out");
  char bad[] = "abc";
  Equal(L.DmRawStrToMass(bad, area.trace.masses, 33, &count), 0, "DmRawStrToMass of a word");
  char many[] = "101+102+103+104+105+106+107+108+109+110+111+112+113+114+115+116";
  Equal(L.DmRawStrToMass(many, area.trace.masses, 999, &count), 16, "sixteen windows fit the area");
  bool guardKept = true;
  for (unsigned char g : area.guard) guardKept = guardKept && g == 0xA5;
  Report(guardKept, "nothing is written past the 156-byte mass area, whatever capacity is passed");
  Report(L.DmRawClose() != 0, "DmRawClose");
}

void Integrator(HostLibraries& L, const ivdata::Sample& s, const ivdata::SynthTruth& truth, const std::string& dir,
                const std::string& name) {
  IntegrationParams params{};
  char set[] = "ChrIntegrate";
  Report(L.IntegrateGetIniFile(set, &params) != 0, "IntegrateGetIniFile(\"ChrIntegrate\")");
  Report(std::memcmp(params.bytes, "IVIP", 4) == 0, "the parameter block carries the integrator's tag");

  RawFile r = RecordFor(dir, name, 1);
  TraceDesc tic{};
  int scans = s.ScanCount(1);
  const float last = static_cast<float>(scans);
  LONG_PTR block = 0;
  LONG count = -1;
  int16_t aux = 0;
  int16_t ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
  Report(ok != 0 && block != 0, "IntegrateChromatogramRange on the TIC");
  HGLOBAL mem = standin::HglobalFromLongPtr(block);
  Report(GlobalSize(mem) >= static_cast<SIZE_T>(count) * 112, "the block holds count records of 112 bytes");
  auto* bytes = static_cast<unsigned char*>(GlobalLock(mem));
  Report(bytes != nullptr && GlobalHandle(bytes) == mem, "the block's handle arrives whole, pointer-sized");
  std::vector<float> apexes;
  for (LONG k = 0; bytes && k < count; ++k) {
    float a;
    // Copied the way the client does: through CopyMemVB from the locked address.
    standin::PeakRecord rec{};
    L.CopyMemVB(&rec, reinterpret_cast<LONG_PTR>(bytes + 112 * k), 112);
    std::memcpy(&a, bytes + 112 * k + 24, 4);
    if (a != rec.apexScan) Report(false, "CopyMemVB copies the record");
    apexes.push_back(a);
  }
  GlobalUnlock(mem);
  Report(GlobalFree(mem) == nullptr, "the caller can free the block");
  {
    // A source address from the top of the address space: above 4 GB in a 64-bit process.
    auto* high = static_cast<unsigned char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN,
                                                          PAGE_READWRITE));
    standin::PeakRecord rec{};
    if (high) std::memcpy(high, "high-address", 13);
    Report(high && L.CopyMemVB(&rec, reinterpret_cast<LONG_PTR>(high), 13) == 13 &&
               std::memcmp(&rec, "high-address", 13) == 0,
           "CopyMemVB reads a source address whole", std::to_string(reinterpret_cast<uintptr_t>(high)));
    if (high) VirtualFree(high, 0, MEM_RELEASE);
  }
  // Every truth peak that stands clear of the noise is found, its apex within two scans.
  int clear = 0, found = 0;
  for (const auto& t : truth.peaks) {
    if (t.signalToNoise < 20 || t.role == "coeluting" || t.role == "small-beside-big") continue;
    ++clear;
    for (float a : apexes)
      if (std::fabs(a - t.apexScan) <= 2.0) {
        ++found;
        break;
      }
  }
  Report(clear > 0 && found == clear, "clear truth peaks found at their apex scans",
         std::to_string(found) + " of " + std::to_string(clear) + ", " + std::to_string(count) + " peaks in all");
  bool ordered = true, inside = true;
  for (size_t i = 0; i < apexes.size(); ++i) {
    inside = inside && apexes[i] >= 1 && apexes[i] <= last;
    if (i) ordered = ordered && apexes[i] >= apexes[i - 1];
  }
  Report(ordered && inside, "apex scans lie in the sample, in time order");

  TraceDesc mass{};
  mass.kind = 1;
  char monoText[32];
  std::snprintf(monoText, sizeof monoText, "%.2f", truth.peaks.front().monoMz);
  LONG n = 0;
  L.DmRawStrToMass(monoText, mass.masses, 33, &n);
  ok = L.IntegrateChromatogramRange(nullptr, &r, &mass, &block, &count, &aux, &params, 1, scans, 0);
  mem = standin::HglobalFromLongPtr(block);
  bool nearApex = false;
  if (auto* m = static_cast<standin::PeakRecord*>(GlobalLock(mem))) {
    for (LONG k = 0; k < count; ++k) nearApex = nearApex || std::fabs(m[k].apexScan - truth.peaks.front().apexScan) <= 2;
    GlobalUnlock(mem);
  }
  GlobalFree(mem);
  Report(ok != 0 && nearApex, std::string("mass trace ") + monoText + " finds the first compound's peak");

  LONG before = 777;
  LONG_PTR blockBefore = 555;
  Equal(L.IntegrateChromatogramRange(nullptr, &r, &tic, &blockBefore, &before, &aux, &params, 10, 5, 0), 0,
        "a range whose first scan follows its last fails");
  Report(before == 777 && blockBefore == 555, "a failed integration leaves block and count alone");
  Equal(L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans + 1, 0), 0,
        "a range past the last scan fails");

  // Stored parameters reach the integration.
  SetHostIni("ChrIntegrate", "MaxPeaks", "3");
  L.IntegrateGetIniFile(set, &params);
  ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
  GlobalFree(standin::HglobalFromLongPtr(block));
  Report(ok != 0 && count == 3, "MaxPeaks=3 from [ChrIntegrate] keeps three peaks", std::to_string(count));
  SetHostIni("ChrIntegrate", "MaxPeaks", nullptr);
  L.IntegrateGetIniFile(set, &params);

  // Faults.
  for (int wanted : {294, 5000, 0}) {
    SetFault(shared::HostFault::IntegratorPeaks, std::to_string(wanted).c_str());
    block = 0;
    count = -1;
    ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
    mem = standin::HglobalFromLongPtr(block);
    bool valid = true;
    if (auto* m = static_cast<standin::PeakRecord*>(GlobalLock(mem))) {
      for (LONG k = 0; k < count; ++k)
        valid = valid && m[k].apexScan >= 1 && m[k].apexScan <= last && (k == 0 || m[k].apexScan >= m[k - 1].apexScan);
      if (count >= 2) valid = valid && m[0].apexScan < scans / 4.0 && m[count - 1].apexScan > scans * 3 / 4.0;
      GlobalUnlock(mem);
    } else {
      valid = false;  // even an empty result must come as a block the caller can lock
    }
    GlobalFree(mem);
    Report(ok != 0 && count == wanted && valid,
           "IntegratorPeaks=" + std::to_string(wanted) + " gives that many peaks spread over the sample",
           "count " + std::to_string(count));
  }
  SetFault(shared::HostFault::IntegratorPeaks, "10");
  SetFault(shared::HostFault::ApexOutsideAtPeak, "4");
  ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
  mem = standin::HglobalFromLongPtr(block);
  auto* m = static_cast<standin::PeakRecord*>(GlobalLock(mem));
  Report(m != nullptr && count == 10 && m[2].apexScan <= last && m[3].apexScan > last && m[4].apexScan <= last,
         "ApexOutsideAtPeak=4 puts only the fourth apex past the last scan");
  if (m) GlobalUnlock(mem);
  GlobalFree(mem);
  ClearFaultsAndDelays();
  SetFault(shared::HostFault::IntegratorApexes, "1, 450.5,2.5");
  ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
  mem = standin::HglobalFromLongPtr(block);
  m = static_cast<standin::PeakRecord*>(GlobalLock(mem));
  Report(ok != 0 && m != nullptr && count == 3 && m[0].apexScan == 1.0f && m[1].apexScan == 450.5f &&
             m[2].apexScan == 2.5f,
         "IntegratorApexes=1, 450.5,2.5 gives exactly those apexes, in that order");
  if (m) GlobalUnlock(mem);
  GlobalFree(mem);
  SetFault(shared::HostFault::IntegratorApexes, "1,x");
  Equal(L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0), 0,
        "IntegratorApexes that is not a list fails the integration");
  ClearFaultsAndDelays();
  SetFault(shared::HostFault::IntegratorFails, "1");
  block = 31;
  count = 32;
  Equal(L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0), 0,
        "IntegratorFails=1 fails the integration");
  ClearFaultsAndDelays();
  // A misspelt fault is journalled, not taken for a run without faults.
  SetHostIni(shared::kHostFaultSection, "IntegratorFial", "1");
  size_t mark = JournalSize();
  ok = L.IntegrateChromatogramRange(nullptr, &r, &tic, &block, &count, &aux, &params, 1, scans, 0);
  if (ok) GlobalFree(standin::HglobalFromLongPtr(block));
  auto unknown = JournalLinesSince(mark, "fault.unknown");
  Report(unknown.size() == 1 && JsonValue(unknown[0], "key") == "IntegratorFial",
         "a key of [StandinFaults] the fault table does not name is journalled", std::to_string(unknown.size()));
  ClearFaultsAndDelays();
  L.DmRawClose();
}

void Bridge(HostLibraries& L, const ivdata::Sample& s, const std::string& dir, const std::string& name,
            const std::string& hostExe, const std::string& samplePath) {
  RawFile none{};
  Equal(L.GetSampleListFileVB(&none), 0, "GetSampleListFileVB without a host");
  Equal(L.GetApplicationWnd(0), 0, "GetApplicationWnd(0) without a host");

  HostProcess host;
  Report(host.Start(hostExe, samplePath, L), "the host starts with the sample and reports its main window");

  RawFile raw{};
  Equal(L.GetSampleListFileVB(&raw), 1, "GetSampleListFileVB with the host");
  EqualText(standin::FieldText(raw.spec.fileName), name, "the record names the current sample");
  EqualText(standin::FieldText(raw.spec.location), dir + "\\", "its folder");
  Equal(raw.spec.scanCount, s.ScanCount(1), "its ScanCount");
  Equal(raw.functionNumber, 1, "its FunctionNumber");
  RawHeader header{};
  Report(L.DmRawReadHeaderVB(&raw, &header) != 0, "the raw library reads the record the bridge filled");

  FileSpec blank{};
  std::memset(blank.location, ' ', sizeof blank.location);
  std::memset(blank.fileName, ' ', sizeof blank.fileName);
  std::memset(blank.detail, ' ', sizeof blank.detail);
  FileSpec out{};
  char list[] = "SystemList", type[] = "RAW", other[] = "UserList", txt[] = "TXT";
  Equal(L.GetGlobalFile(list, type, &blank, &out), 1, "GetGlobalFile(SystemList, RAW)");
  EqualText(standin::FieldText(out.fileName), name, "GetGlobalFile names the current sample");
  FileSpec out2{};
  Equal(L.GetGlobalFile(other, type, &blank, &out2), 0, "GetGlobalFile of another list");
  Equal(L.GetGlobalFile(list, txt, &blank, &out2), 0, "GetGlobalFile of another file type");

  HWND main = standin::HwndFromLong(static_cast<uint32_t>(L.GetApplicationWnd(0)));
  char title[128] = {};
  GetWindowTextA(main, title, sizeof title);
  Report(IsWindow(main) && std::strstr(title, name.c_str()) != nullptr, "GetApplicationWnd(0) is the main window",
         title);
  Equal(L.GetApplicationWnd(1), 0, "no spectrum window at start");
  Equal(L.GetApplicationWnd(2), 0, "no peak list at start");
  Equal(L.GetApplicationWnd(3), 0, "GetApplicationWnd of an unknown kind");

  std::string chroTitle = "Chromatogram - [" + name + "]";
  char launch[] = "app.launch[default:Chro]()";
  Equal(L.IonvaneCommand(launch, 5000), 1, "IonvaneCommand launch is accepted");
  HWND chro = WaitForTop(chroTitle.c_str(), 5000);
  Report(chro != nullptr, "the chromatogram window opens as \"" + chroTitle + "\"");
  char bogus[] = "app.frobnicate()";
  Equal(L.IonvaneCommand(bogus, 5000), 0, "an unknown host command is refused");
  // Journalled by both processes; see Journal() below.
  std::string odd = kOddCommand;
  Equal(L.IonvaneCommand(odd.data(), 5000), 0, "an unknown command with a quote, a backslash, ANSI bytes is refused");
  char peaks[] = "app.launch[default:Peaks]()";
  L.IonvaneCommand(peaks, 5000);
  Report(WaitUntil([&] { return L.GetApplicationWnd(2) != 0; }, 5000), "the peak list window is kind 2");
  PostMessageA(standin::HwndFromLong(static_cast<uint32_t>(L.GetApplicationWnd(2))), WM_CLOSE, 0, 0);
  Report(WaitUntil([&] { return L.GetApplicationWnd(2) == 0; }, 5000), "WM_CLOSE ends kind 2");
  PostMessageA(chro, WM_CLOSE, 0, 0);
  Report(WaitUntilGone(chroTitle.c_str(), 5000), "WM_CLOSE closes the chromatogram window");

  {
    LONG first = L.GetApplicationWnd(0);
    HostProcess second;
    second.Start(hostExe, samplePath, L, 2000);
    Report(second.WaitExit(10000) && second.ExitCode() == 2 && L.GetApplicationWnd(0) == first,
           "a second host refuses to start and leaves the first one's windows alone");
  }
  Report(host.Stop(L), "WM_CLOSE to the main window ends the host");
  Equal(L.GetApplicationWnd(0), 0, "GetApplicationWnd(0) after the host has gone");
  RawFile after{};
  Equal(L.GetSampleListFileVB(&after), 0, "GetSampleListFileVB after the host has gone");
}

void Journal() {
  auto calls = JournalLines("dll.IntegrateChromatogramRange");
  Report(!calls.empty() && JsonValue(calls.front(), "first") == "1", "the journal records integrator calls",
         calls.empty() ? "none" : calls.front());
  auto launches = JournalLines("dll.IonvaneCommand");
  Report(!launches.empty() && JsonValue(launches.front(), "command") == "app.launch[default:Chro]()" &&
             JsonValue(launches.front(), "number") == "5000",
         "the journal records the host command and its number");
  auto strToMass = JournalLines("dll.DmRawStrToMass");
  Report(strToMass.size() >= 4, "the journal records DmRawStrToMass calls");
  // A text's quote, backslash, control character and ANSI bytes keep the line valid JSON and ASCII, each byte
  // >= 0x7F as "\u00XX", and read back as the same bytes: in the client's library and in the host alike.
  for (const auto& [event, key] : {std::pair{"dll.IonvaneCommand", "command"}, std::pair{"command.unknown", "text"}}) {
    std::string line;
    for (const auto& l : JournalLines(event)) {
      if (JsonValue(l, key) == kOddCommand) line = l;
    }
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return c > 0 && c < 0x7F; });
    Report(!line.empty() && ascii && line.find("\\u00e9\\u0080\\u007f") != std::string::npos,
           std::string(event) + " journals a quote, a backslash, \\x01 and bytes >= 0x7F as ASCII JSON, read back the same",
           line.empty() ? "no such line" : line);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: standin_exports_test <bin dir> <work dir>\n");
    return 2;
  }
  std::string bin = argv[1], work = argv[2];
  CreateDirectoryA(work.c_str(), nullptr);
  ClearFaultsAndDelays();

  RecordLayouts();

  ivdata::SynthOptions options;
  options.seed = 11;
  options.ms1Scans = 600;
  options.noisePointsPerScan = 40;
  std::string name = "exports-sample.ivs";
  std::string samplePath = work + "\\" + name;
  ivdata::SynthTruth truth = ivdata::Synthesise(options, samplePath);
  ivdata::Sample sample = ivdata::Sample::Open(samplePath);

  HostLibraries libs;
  std::string missing;
  Report(libs.Load(bin, missing), "every export binds by its plain name", missing);
  if (!missing.empty()) return check::Finish();
  Report(GetProcAddress(libs.vb, "GetSampleListFileVB@4") == nullptr, "decorated names are not exported");

  RawLibrary(libs, sample, truth, work, name);
  Integrator(libs, sample, truth, work, name);
  Bridge(libs, sample, work, name, bin + "\\StandinHost.exe", samplePath);
  Journal();
  return check::Finish();
}
