// ivpeak32.dll: the integrator. It integrates a sample's chromatogram with the parameter set kept in the
// host's settings and hands the peaks over in a movable global-memory block of 112-byte records.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "bridge/boundary.h"
#include "bridge/host_settings.h"
#include "bridge/journal.h"
#include "bridge/text_fields.h"
#include "libs/records.h"
#include "libs/sample_access.h"

using namespace standin;

namespace {

const char* const kSrc = "ivpeak32";

bool ChannelFromTrace(const TraceDesc& trace, ivdata::Channel& channel) {
  channel = {};
  switch (trace.kind) {
    case 0: channel.kind = ivdata::ChannelKind::Tic; return true;
    case 4: channel.kind = ivdata::ChannelKind::Bpi; return true;
    case 3: {
      char name[256] = {};
      DWORD n = GetEnvironmentVariableA(kAnalogTraceVariable, name, sizeof name);
      channel.kind = ivdata::ChannelKind::Analog;
      channel.traceName = n > 0 && n < sizeof name ? name : "ANALOG 1";
      return true;
    }
    case 1:
    case 2:
      channel.kind = trace.kind == 1 ? ivdata::ChannelKind::Mass : ivdata::ChannelKind::MassSum;
      for (int i = 0; i + 1 < kMassSlots && i / 2 < ivdata::kMaxMassTerms; i += 2) {
        float lo = trace.masses[i], hi = trace.masses[i + 1];
        if (!(lo > 0) || !(hi >= lo)) break;
        channel.windows.push_back({lo, hi});
      }
      return !channel.windows.empty();
  }
  return false;
}

PeakRecord ToRecord(const ivdata::Peak& p, int number, double totalArea) {
  PeakRecord r{};
  r.number = number;
  r.apexTime = static_cast<float>(p.apexRt);
  r.startTime = static_cast<float>(p.startRt);
  r.endTime = static_cast<float>(p.endRt);
  r.startScan = p.startScan;
  r.endScan = p.endScan;
  r.apexScan = static_cast<float>(p.apexScan);
  r.height = static_cast<float>(p.height);
  r.area = static_cast<float>(p.area);
  r.areaPercent = totalArea > 0 ? static_cast<float>(100.0 * p.area / totalArea) : 0.f;
  r.baselineStart = static_cast<float>(p.baselineStart);
  r.baselineEnd = static_cast<float>(p.baselineEnd);
  return r;
}

// Peaks with their apexes exactly where a test wants them; each spans two scans either side.
std::vector<ivdata::Peak> PeaksAt(const ivdata::Sample& s, int function, int first, int last,
                                  const std::vector<double>& apexes) {
  std::vector<ivdata::Peak> peaks;
  peaks.reserve(apexes.size());
  for (double at : apexes) {
    ivdata::Peak p;
    p.apexScan = at;
    int apex = std::clamp(static_cast<int>(std::nearbyint(at)), first, last);
    p.startScan = std::max(first, apex - 2);
    p.endScan = std::min(last, apex + 2);
    p.apexRt = s.Scan(function, apex).rt;
    p.startRt = s.Scan(function, p.startScan).rt;
    p.endRt = s.Scan(function, p.endScan).rt;
    p.height = s.Scan(function, apex).tic;
    p.area = p.height * (p.endRt - p.startRt) / 2;
    peaks.push_back(p);
  }
  return peaks;
}

// A given number of apexes spread evenly over the range: for runs that need many peaks.
std::vector<double> SpreadApexes(int first, int last, int count) {
  std::vector<double> apexes;
  for (int k = 0; k < count; ++k) apexes.push_back(first + (last - first) * (k + 0.5) / count);
  return apexes;
}

// "1, 450.5, 900": apexes named one by one; false when the text is not such a list.
bool ParseApexes(const std::string& text, std::vector<double>& apexes) {
  std::string item;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ',') {
      item += text[i];
      continue;
    }
    item = Trim(item);
    char* end = nullptr;
    const double v = std::strtod(item.c_str(), &end);
    if (item.empty() || end == nullptr || *end != '\0' || !std::isfinite(v)) return false;
    apexes.push_back(v);
    item.clear();
  }
  return !apexes.empty();
}

// The peak blocks handed to the client: it must free each one.
std::vector<HGLOBAL> g_blocks;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // When the client's process ends, not when the library is merely unloaded.
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr && !g_blocks.empty()) {
    int kept = 0;
    for (HGLOBAL block : g_blocks) kept += GlobalFlags(block) != GMEM_INVALID_HANDLE;
    Journal(kSrc, "client.peak-blocks",
            JsonFields().Int("handed", static_cast<int64_t>(g_blocks.size())).Int("kept", kept));
  }
  return TRUE;
}

extern "C" {

int16_t __stdcall IntegrateGetIniFile(char* setName, IntegrationParams* params) {
  std::string name = setName ? Trim(setName) : "";
  int16_t result = 0;
  std::vector<std::string> warnings;
  if (params && !name.empty()) {
    try {
      ivdata::IntegratorSettings settings = ivdata::ReadIntegratorSettings(kHostIniPath, name, &warnings);
      std::memset(params, 0, sizeof *params);
      ivdata::EncodeIntegratorSettings(settings, std::span<uint8_t>(params->bytes, sizeof params->bytes));
      result = 1;
    } catch (const std::exception& e) {
      warnings.push_back(e.what());
    }
  }
  JsonFields f;
  f.Str("set", name).Int("result", result);
  if (!warnings.empty()) f.Str("warning", warnings.front());
  Journal(kSrc, "dll.IntegrateGetIniFile", f);
  return result;
}

int16_t __stdcall IntegrateChromatogramRange(HWND window, RawFile* raw, TraceDesc* trace, LONG_PTR* block, LONG* count,
                                             int16_t* aux, IntegrationParams* params, LONG firstScan, LONG lastScan,
                                             int16_t auxNumber) {
  JsonFields f;
  f.Int("hwnd", LongFromHwnd(window))
      .Str("file", raw ? RawFilePath(*raw) : "")
      .Int("function", raw ? raw->functionNumber : 0)
      .Int("kind", trace ? trace->kind : -1)
      .Int("first", firstScan)
      .Int("last", lastScan)
      .Int("aux", aux ? *aux : 0)
      .Int("auxNumber", auxNumber);
  auto fail = [&](const std::string& why) -> int16_t {
    Journal(kSrc, "dll.IntegrateChromatogramRange", f.Int("result", 0).Str("error", why));
    return 0;
  };
  if (!raw || !trace || !block || !count || !params) return fail("missing argument");
  ReportUnknownFaults(kSrc);
  if (FaultInt(HostFault::IntegratorFails)) return fail(std::string("fault ") + shared::FaultName(HostFault::IntegratorFails));

  std::string error;
  const ivdata::Sample* sample = OpenRawFile(*raw, error);
  if (!sample) return fail(error);
  int function = raw->functionNumber;
  int scans = sample->ScanCount(function);
  if (scans <= 0) return fail("no such function");
  if (firstScan < 1 || lastScan > scans || firstScan > lastScan) return fail("scan range outside the function");
  ivdata::Channel channel;
  if (!ChannelFromTrace(*trace, channel)) return fail("trace record names no channel");

  ivdata::IntegratorSettings settings;
  bool tagged = ivdata::DecodeIntegratorSettings(std::span<const uint8_t>(params->bytes, sizeof params->bytes),
                                                 settings);
  f.Bool("storedParameters", tagged);

  std::vector<ivdata::Peak> peaks;
  const int forced = FaultInt(HostFault::IntegratorPeaks, -1);
  const std::string named = Trim(FaultText(HostFault::IntegratorApexes));
  std::vector<double> apexes;
  if (!named.empty() && !ParseApexes(named, apexes)) return fail(std::string(shared::FaultName(HostFault::IntegratorApexes)) + " is not a list of scans");
  if (apexes.empty() && forced >= 0) apexes = SpreadApexes(firstScan, lastScan, forced);
  try {
    peaks = !apexes.empty() || forced >= 0
                ? PeaksAt(*sample, function, firstScan, lastScan, apexes)
                : ivdata::IntegrateChannel(*sample, function, channel, firstScan, lastScan, settings);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  if (!named.empty()) f.Str("forcedApexes", named);
  else if (forced >= 0) f.Int("forcedPeaks", forced);
  int outside = FaultInt(HostFault::ApexOutsideAtPeak);
  if (outside >= 1 && static_cast<size_t>(outside) <= peaks.size()) {
    peaks[static_cast<size_t>(outside - 1)].apexScan = scans + 100.0;
    f.Int("apexOutsideAtPeak", outside);
  }

  size_t n = peaks.size();
  // Never a zero-byte block: the caller locks and frees it even when there are no peaks.
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max<size_t>(n, 1) * sizeof(PeakRecord));
  if (!mem) return fail("out of memory");
  auto* records = static_cast<PeakRecord*>(GlobalLock(mem));
  if (!records) {
    GlobalFree(mem);
    return fail("cannot lock the peak block");
  }
  double total = 0;
  for (const auto& p : peaks) total += p.area;
  for (size_t i = 0; i < n; ++i) records[i] = ToRecord(peaks[i], static_cast<int>(i + 1), total);
  GlobalUnlock(mem);
  *block = LongPtrFromHglobal(mem);
  g_blocks.push_back(mem);
  *count = static_cast<LONG>(n);

  // Every apex exactly as the record holds it, so a reader can apply the client's rounding rule itself.
  ivdata::Json apexScans = ivdata::Json::array();
  for (size_t i = 0; i < n; ++i) {
    apexScans.push_back(ivdata::Number(static_cast<double>(static_cast<float>(peaks[i].apexScan)), 9));
  }
  Journal(kSrc, "dll.IntegrateChromatogramRange",
          f.Int("result", 1).Int("count", static_cast<int64_t>(n)).Value("apexScans", std::move(apexScans)));
  return 1;
}

}  // extern "C"
