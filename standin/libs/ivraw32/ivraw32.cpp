// ivraw32.dll: the raw-data library. It reads the stand-in's sample files named by a RawFileRecord.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "bridge/journal.h"
#include "bridge/text_fields.h"
#include "libs/records.h"
#include "libs/sample_access.h"

using namespace standin;

namespace {

const char* const kSrc = "ivraw32";

JsonFields RawArgs(const RawFile* raw) {
  JsonFields f;
  if (raw) f.Str("file", RawFilePath(*raw)).Int("function", raw->functionNumber);
  return f;
}

void FillHeader(const ivdata::Sample& s, RawHeader& h) {
  std::memset(&h, 0, sizeof h);
  RawHeaderBody& b = h.body;
  b.formatVersion = 1;
  SetField(b.path, s.Path());
  const auto& info = s.Info();
  SetField(b.acquiredDate, info.created.substr(0, 10));
  SetField(b.acquiredTime, info.created.size() > 11 ? info.created.substr(11) : "");
  SetField(b.sampleName, info.name);
  SetField(b.sampleText, info.description);
  SetField(b.instrument, "Stand-in LC-MS");
  SetField(b.description, info.description);
  SetField(b.sourceFormat, "IVSAMPLE 1");
  SetField(b.sourceFile, info.source);
  SetField(b.version, "1");
  int functions = s.FunctionCount();
  int total = 0;
  for (int f = 1; f <= functions && f <= 256; ++f) {
    b.functionScans[f - 1] = s.ScanCount(f);
    b.functionKinds[f - 1] = s.Function(f).msLevel;
    total += s.ScanCount(f);
  }
  b.totalScans = total;
  if (s.ScanCount(1) > 0) {
    b.firstTime = static_cast<float>(s.Scan(1, 1).rt);
    b.lastTime = static_cast<float>(s.Scan(1, s.ScanCount(1)).rt);
    b.runMinutes = s.Scan(1, s.ScanCount(1)).rt;
  }
  int traces = s.TraceCount();
  b.analogCount = traces;
  for (int t = 1; t <= traces && t <= 8; ++t) SetField(b.analogNames[t - 1], s.Trace(t).name);
  h.functionCount = static_cast<int16_t>(functions > 32767 ? 32767 : functions);
}

}  // namespace

extern "C" {

int16_t __stdcall DmRawReadHeaderVB(RawFile* raw, RawHeader* header) {
  int16_t result = 0;
  std::string error;
  if (raw && header) {
    if (const ivdata::Sample* s = OpenRawFile(*raw, error)) {
      try {
        FillHeader(*s, *header);
        result = 1;
      } catch (const std::exception& e) {
        error = e.what();
      }
    }
  }
  JsonFields f = RawArgs(raw);
  f.Int("result", result);
  if (result) f.Int("functionCount", header->functionCount);
  if (!error.empty()) f.Str("error", error);
  Journal(kSrc, "dll.DmRawReadHeaderVB", f);
  return result;
}

LONG __stdcall DmRawScansInFunction(RawFile* raw) {
  LONG result = 0;
  std::string error;
  if (raw) {
    if (const ivdata::Sample* s = OpenRawFile(*raw, error)) result = s->ScanCount(raw->functionNumber);
  }
  Journal(kSrc, "dll.DmRawScansInFunction", RawArgs(raw).Int("result", result));
  return result;
}

LONG __stdcall DmRawTimeToScan(RawFile* raw, float minutes) {
  LONG result = 0;
  std::string error;
  if (raw && std::isfinite(minutes)) {
    if (const ivdata::Sample* s = OpenRawFile(*raw, error)) {
      int n = s->ScanCount(raw->functionNumber);
      // A time before the first scan or after the last names no scan.
      if (n > 0 && minutes >= s->Scan(raw->functionNumber, 1).rt - 1e-6 &&
          minutes <= s->Scan(raw->functionNumber, n).rt + 1e-6)
        result = s->ScanAtTime(raw->functionNumber, minutes);
    }
  }
  Journal(kSrc, "dll.DmRawTimeToScan", RawArgs(raw).Num("time", minutes).Int("result", result));
  return result;
}

int16_t __stdcall DmRawIsAnalogTraceDesc(char* text) {
  std::string desc = text ? text : "";
  int16_t result = 0;
  if (ivdata::IsAnalogTraceDescription(desc)) {
    // With a sample open, only its own traces count; without one, the description's form decides.
    bool known = true;
    ivdata::Channel channel;
    if (const ivdata::Sample* s = CurrentRawFile(); s && ivdata::ParseChannel(desc, channel))
      known = ivdata::ResolveAnalogTrace(*s, channel) != 0;
    if (known) {
      result = -1;
      SetEnvironmentVariableA(kAnalogTraceVariable, Trim(desc).c_str());
    }
  }
  Journal(kSrc, "dll.DmRawIsAnalogTraceDesc", JsonFields().Str("text", desc).Int("result", result));
  return result;
}

int16_t __stdcall DmRawStrToMass(char* text, float* masses, LONG capacity, LONG* count) {
  std::string desc = text ? text : "";
  int16_t result = 0;
  ivdata::Channel channel;
  std::string error;
  if (masses && ivdata::ParseChannel(desc, channel, &error) &&
      (channel.kind == ivdata::ChannelKind::Mass || channel.kind == ivdata::ChannelKind::MassSum)) {
    // Each window is a (low, high) pair; the mass area holds at most kMassSlots values.
    LONG slots = capacity < kMassSlots ? capacity : kMassSlots;
    LONG needed = static_cast<LONG>(channel.windows.size()) * 2;
    if (needed <= slots) {
      for (size_t i = 0; i < channel.windows.size(); ++i) {
        masses[2 * i] = static_cast<float>(channel.windows[i].low);
        masses[2 * i + 1] = static_cast<float>(channel.windows[i].high);
      }
      if (needed < slots) masses[needed] = 0;  // ends the list when fewer windows than slots
      result = static_cast<int16_t>(channel.windows.size());
    } else {
      error = "more mass windows than the area holds";
    }
  } else if (error.empty()) {
    error = "not a mass list";
  }
  if (count) *count = result;
  JsonFields f;
  f.Str("text", desc).Int("capacity", capacity).Int("result", result);
  if (!result) f.Str("error", error);
  Journal(kSrc, "dll.DmRawStrToMass", f);
  return result;
}

int16_t __stdcall DmRawClose() {
  bool wasOpen = CloseRawFile();
  Journal(kSrc, "dll.DmRawClose", JsonFields().Bool("wasOpen", wasOpen));
  return 1;
}

}  // extern "C"
