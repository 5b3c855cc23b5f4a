// Calls every export of the three host libraries the way the client does, against a synthetic sample with
// known truth; holds each library's export table to the plain names and the stand-in's view of the records
// to the client's.
//   standin_exports_test.exe [gtest flags] <bin dir> <work dir>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "bridge/text_fields.h"
#include "ivdata/ivdata.h"
#include "platform/host_records.h"
#include "run_tests.h"
#include "test_support.h"

using namespace standin_test;

namespace {

// An unknown host command holding what a hand-made JSON writer gets wrong: a quote, a backslash, a control
// character and bytes of the ANSI code page (e with acute accent, the euro sign, DEL).
constexpr char kOddCommand[] = "app.\"odd\\\x01\xe9\x80\x7f()";

// What every test here stands on, made once by main: the sample with its truth, the libraries bound.
struct Stage {
  std::string bin, work, name, samplePath;
  ivdata::SynthTruth truth;
  std::unique_ptr<ivdata::Sample> sample;
  HostLibraries libs;
  std::string missing;  // exports that did not bind
};
Stage* g_stage = nullptr;

// Faults and delays are cleared around each test, whatever it set.
class Exports : public testing::Test {
 protected:
  void SetUp() override {
    ClearFaultsAndDelays();
    ASSERT_TRUE(g_stage->missing.empty()) << "every export binds by its plain name; missing: " << g_stage->missing;
  }
  void TearDown() override { ClearFaultsAndDelays(); }

  HostLibraries& L = g_stage->libs;
  const ivdata::Sample& s = *g_stage->sample;
  const ivdata::SynthTruth& truth = g_stage->truth;
  const std::string& dir = g_stage->work;
  const std::string& name = g_stage->name;
};

RawFile RecordFor(const std::string& dir, const std::string& name, int16_t function) {
  RawFile r{};
  standin::SetField(r.spec.location, dir + "\\");
  standin::SetField(r.spec.fileName, name);
  r.functionNumber = function;
  return r;
}

// --- the export tables ----------------------------------------------------------------------------------

// The names a loaded library's export table lists, read from its image in memory.
std::vector<std::string> ExportedNames(HMODULE module) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& where = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::vector<std::string> names;
  if (where.VirtualAddress == 0) return names;
  const auto* table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + where.VirtualAddress);
  const auto* offsets = reinterpret_cast<const DWORD*>(base + table->AddressOfNames);
  for (DWORD i = 0; i < table->NumberOfNames; ++i) names.emplace_back(reinterpret_cast<const char*>(base + offsets[i]));
  std::sort(names.begin(), names.end());
  return names;
}

struct LibraryExports {
  const char* library;
  std::vector<std::string> names;  // sorted
};
void PrintTo(const LibraryExports& row, std::ostream* out) { *out << row.library; }

class ExportTable : public testing::TestWithParam<LibraryExports> {};

TEST_P(ExportTable, ListsExactlyThePlainNames) {
  const HMODULE module = LoadLibraryA((g_stage->bin + "\\" + GetParam().library + ".dll").c_str());
  ASSERT_NE(module, nullptr) << "the library loads";
  EXPECT_EQ(ExportedNames(module), GetParam().names);
}
INSTANTIATE_TEST_SUITE_P(
    Libraries, ExportTable,
    testing::Values(
        LibraryExports{"Iv_vb32", {"CopyMemVB", "GetApplicationWnd", "GetGlobalFile", "GetSampleListFileVB",
                                   "IonvaneCommand"}},
        LibraryExports{"ivraw32", {"DmRawClose", "DmRawIsAnalogTraceDesc", "DmRawReadHeaderVB", "DmRawScansInFunction",
                                   "DmRawStrToMass", "DmRawTimeToScan"}},
        LibraryExports{"ivpeak32", {"IntegrateChromatogramRange", "IntegrateGetIniFile"}}),
    [](const testing::TestParamInfo<LibraryExports>& row) { return std::string(row.param.library); });

TEST_F(Exports, DecoratedNamesAreNotExported) {
  EXPECT_EQ(GetProcAddress(L.vb, "GetSampleListFileVB@4"), nullptr);
}

// --- the records: the stand-in's view against the client's -----------------------------------------------

// Each side defines the host's records on its own; here a field where one side put it is held against where
// the other did, so a layout changed on one side alone (with its own compile-time checks) fails.
struct Place {
  const char* field;
  std::size_t standin;
  std::size_t client;
};
void PrintTo(const Place& row, std::ostream* out) { *out << row.field; }

class RecordLayout : public testing::TestWithParam<Place> {};

TEST_P(RecordLayout, TheStandinPutsAFieldWhereTheClientDoes) {
  EXPECT_EQ(GetParam().standin, GetParam().client) << GetParam().field;
}

#define PLACE(what, standinType, standinField, clientType, clientField) \
  Place { what, offsetof(standin::standinType, standinField), offsetof(apexer::clientType, clientField) }
#define SIZE(what, standinType, clientType) Place{what, sizeof(standin::standinType), sizeof(apexer::clientType)}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordLayout,
    testing::Values(
        PLACE("FileSpec_Number", FileSpec, number, FileSpecRecord, Number),
        PLACE("FileSpec_Location", FileSpec, location, FileSpecRecord, Location),
        PLACE("FileSpec_FileName", FileSpec, fileName, FileSpecRecord, FileName),
        PLACE("FileSpec_Detail", FileSpec, detail, FileSpecRecord, Detail),
        PLACE("FileSpec_SpecValue", FileSpec, specValue, FileSpecRecord, SpecValue),
        PLACE("FileSpec_ScanCount", FileSpec, scanCount, FileSpecRecord, ScanCount),
        SIZE("FileSpec_size", FileSpec, FileSpecRecord),
        PLACE("RawFile_FunctionNumber", RawFile, functionNumber, RawFileRecord, FunctionNumber),
        PLACE("RawFile_Aux", RawFile, aux, RawFileRecord, Aux),
        SIZE("RawFile_size", RawFile, RawFileRecord),
        PLACE("RawHeader_FunctionCount", RawHeader, functionCount, RawHeaderRecord, FunctionCount),
        PLACE("RawHeader_Aux", RawHeader, aux, RawHeaderRecord, Aux),
        SIZE("RawHeader_size", RawHeader, RawHeaderRecord),
        PLACE("Body_Text121_at_824", RawHeaderBody, description, RawHeaderBody, Text824),
        PLACE("Body_numeric8_at_1128", RawHeaderBody, runMinutes, RawHeaderBody, Num1128),
        PLACE("Body_Text81_at_1400", RawHeaderBody, bottle, RawHeaderBody, Text1400),
        PLACE("Body_Text121_at_1542", RawHeaderBody, conditions, RawHeaderBody, Text1542),
        PLACE("Body_array_at_1664", RawHeaderBody, reserved4, RawHeaderBody, Num1664),
        PLACE("Body_8_Text260_at_1684", RawHeaderBody, analogNames, RawHeaderBody, Text1684),
        PLACE("Body_5_Text260_at_3764", RawHeaderBody, auxFiles, RawHeaderBody, Text3764),
        PLACE("Body_256_numeric4_at_5068", RawHeaderBody, functionScans, RawHeaderBody, Num5068),
        PLACE("Body_256_numeric4_at_6092", RawHeaderBody, functionKinds, RawHeaderBody, Num6092),
        PLACE("Body_numeric4_at_7116", RawHeaderBody, checksum, RawHeaderBody, Num7116),
        PLACE("TraceDesc_Kind", TraceDesc, kind, TraceDescriptor, Kind),
        PLACE("TraceDesc_Masses", TraceDesc, masses, TraceDescriptor, Masses),
        SIZE("TraceDesc_size", TraceDesc, TraceDescriptor),
        SIZE("IntegrationParams_size", IntegrationParams, IntegrationParameters),
        PLACE("PeakRecord_ApexScan", PeakRecord, apexScan, PeakRecord, ApexScan),
        SIZE("PeakRecord_size", PeakRecord, PeakRecord)),
    [](const testing::TestParamInfo<Place>& row) { return std::string(row.param.field); });

#undef PLACE
#undef SIZE

TEST(RecordBytes, WhatTheClientWritesTheLibraryReads) {
  apexer::RawFileRecord client{};
  client.Spec.ScanCount = 1234;
  client.FunctionNumber = 2;
  std::memcpy(client.Spec.FileName, "demo.ivs", 8);
  standin::RawFile library;
  static_assert(sizeof library == sizeof client);
  std::memcpy(&library, &client, sizeof library);
  EXPECT_EQ(library.spec.scanCount, 1234);
  EXPECT_EQ(library.functionNumber, 2);
  EXPECT_EQ(std::strncmp(library.spec.fileName, "demo.ivs", 8), 0);
}

TEST(RecordBytes, WhatTheLibraryWritesTheClientReads) {
  standin::PeakRecord library{};
  library.apexScan = 41.5f;
  apexer::PeakRecord client;
  static_assert(sizeof library == sizeof client);
  std::memcpy(&client, &library, sizeof client);
  EXPECT_EQ(client.ApexScan, 41.5f);
}

// --- the raw-data library --------------------------------------------------------------------------------

TEST_F(Exports, DmRawReadHeaderVBReadsTheNamedSample) {
  RawFile r = RecordFor(dir, name, 1);
  RawHeader header{};
  EXPECT_NE(L.DmRawReadHeaderVB(&r, &header), 0);
  EXPECT_EQ(header.functionCount, s.FunctionCount()) << "FunctionCount at 7120";
  EXPECT_EQ(header.body.functionScans[0], s.ScanCount(1)) << "the header lists the scans of function 1";
  RawFile missing = RecordFor(dir, "no-such-sample.ivs", 1);
  RawHeader h2{};
  EXPECT_EQ(L.DmRawReadHeaderVB(&missing, &h2), 0) << "a missing file";
  EXPECT_EQ(h2.functionCount, 0) << "a failed header read leaves FunctionCount 0";
  L.DmRawClose();
}

TEST_F(Exports, DmRawScansInFunction) {
  RawFile r1 = RecordFor(dir, name, 1);
  RawFile r2 = RecordFor(dir, name, 2);
  RawFile r9 = RecordFor(dir, name, 9);
  EXPECT_EQ(L.DmRawScansInFunction(&r1), s.ScanCount(1)) << "function 1";
  EXPECT_EQ(L.DmRawScansInFunction(&r2), s.ScanCount(2)) << "function 2";
  EXPECT_EQ(L.DmRawScansInFunction(&r9), 0) << "a function the sample lacks";
  L.DmRawClose();
}

TEST_F(Exports, DmRawTimeToScan) {
  RawFile r = RecordFor(dir, name, 1);
  const float t100 = static_cast<float>(s.Scan(1, 100).rt);
  EXPECT_EQ(L.DmRawTimeToScan(&r, t100), 100) << "at scan 100's time";
  EXPECT_EQ(L.DmRawTimeToScan(&r, -3.0f), 0) << "before the run";
  EXPECT_EQ(L.DmRawTimeToScan(&r, 1e5f), 0) << "after the run";
  L.DmRawClose();
}

TEST_F(Exports, DmRawIsAnalogTraceDesc) {
  RawFile r = RecordFor(dir, name, 1);
  RawHeader header{};
  L.DmRawReadHeaderVB(&r, &header);  // the sample open, as the client has it when it asks
  std::vector<char> analog(truth.absorbanceTrace.begin(), truth.absorbanceTrace.end());
  analog.push_back('\0');
  EXPECT_NE(L.DmRawIsAnalogTraceDesc(analog.data()), 0) << "the sample's trace \"" << truth.absorbanceTrace << "\"";
  char notTrace[] = "Pressure Z";
  EXPECT_EQ(L.DmRawIsAnalogTraceDesc(notTrace), 0) << "a trace the sample lacks";
  char massText[] = "301.1";
  EXPECT_EQ(L.DmRawIsAnalogTraceDesc(massText), 0) << "a mass";
  L.DmRawClose();
}

TEST_F(Exports, DmRawStrToMassFillsTheMassAreaAndNothingBeyond) {
  // The mass area is 156 bytes inside the trace record; guard bytes behind it must survive.
  struct {
    TraceDesc trace;
    unsigned char guard[64];
  } area;
  std::memset(&area, 0, sizeof area);
  std::memset(area.guard, 0xA5, sizeof area.guard);
  const size_t mark = JournalSize();
  LONG count = -1;
  char one[] = "301.1";
  EXPECT_EQ(L.DmRawStrToMass(one, area.trace.masses, 33, &count), 1) << "one mass";
  EXPECT_TRUE(std::fabs(area.trace.masses[0] - 300.6f) < 1e-3 && std::fabs(area.trace.masses[1] - 301.6f) < 1e-3)
      << "one mass becomes the window 300.6..301.6: " << area.trace.masses[0] << ".." << area.trace.masses[1];
  char sum[] = "300_310 + 455.2~0.1";
  EXPECT_EQ(L.DmRawStrToMass(sum, area.trace.masses, 33, &count), 2) << "a range plus a mass";
  EXPECT_EQ(count, 2) << "the count out";
  char bad[] = "abc";
  EXPECT_EQ(L.DmRawStrToMass(bad, area.trace.masses, 33, &count), 0) << "a word";
  char many[] = "101+102+103+104+105+106+107+108+109+110+111+112+113+114+115+116";
  EXPECT_EQ(L.DmRawStrToMass(many, area.trace.masses, 999, &count), 16) << "sixteen windows fit the area";
  EXPECT_TRUE(std::all_of(std::begin(area.guard), std::end(area.guard), [](unsigned char g) { return g == 0xA5; }))
      << "nothing is written past the 156-byte mass area, whatever capacity is passed";
  EXPECT_EQ(JournalLinesSince(mark, "dll.DmRawStrToMass").size(), 4u) << "the journal records each call";
  EXPECT_NE(L.DmRawClose(), 0) << "DmRawClose";
}

// --- the integrator --------------------------------------------------------------------------------------

class Integrator : public Exports {
 protected:
  void SetUp() override {
    Exports::SetUp();
    char set[] = "ChrIntegrate";
    ASSERT_NE(L.IntegrateGetIniFile(set, &params), 0) << "IntegrateGetIniFile(\"ChrIntegrate\")";
    raw = RecordFor(dir, name, 1);
    scans = s.ScanCount(1);
  }
  void TearDown() override {
    L.DmRawClose();
    Exports::TearDown();
  }
  // Integrates the TIC over every scan; the result, the records in the block (freed) and the count.
  int16_t Integrate(std::vector<standin::PeakRecord>& records, LONG& count) {
    TraceDesc tic{};
    LONG_PTR block = 0;
    count = -1;
    int16_t aux = 0;
    const int16_t ok = L.IntegrateChromatogramRange(nullptr, &raw, &tic, &block, &count, &aux, &params, 1, scans, 0);
    records.clear();
    locked = false;
    if (!ok) return ok;
    const HGLOBAL mem = standin::HglobalFromLongPtr(block);
    if (const auto* m = static_cast<const standin::PeakRecord*>(GlobalLock(mem))) {
      locked = true;
      records.assign(m, m + count);
      GlobalUnlock(mem);
    }
    GlobalFree(mem);
    return ok;
  }
  bool SpreadOverTheSample(const std::vector<standin::PeakRecord>& m) const {
    bool valid = true;
    for (size_t k = 0; k < m.size(); ++k)
      valid = valid && m[k].apexScan >= 1 && m[k].apexScan <= last() && (k == 0 || m[k].apexScan >= m[k - 1].apexScan);
    if (m.size() >= 2) valid = valid && m.front().apexScan < scans / 4.0 && m.back().apexScan > scans * 3 / 4.0;
    return valid;
  }

  float last() const { return static_cast<float>(scans); }  // the last scan, as apexes are

  IntegrationParams params{};
  RawFile raw{};
  int scans = 0;
  bool locked = false;  // the last block could be locked
};

TEST_F(Integrator, ParameterBlockCarriesTheIntegratorsTag) {
  EXPECT_EQ(std::memcmp(params.bytes, "IVIP", 4), 0);
}

TEST_F(Integrator, TheTicBlockCrossesTheBoundaryWhole) {
  TraceDesc tic{};
  LONG_PTR block = 0;
  LONG count = -1;
  int16_t aux = 0;
  const size_t mark = JournalSize();
  const int16_t ok = L.IntegrateChromatogramRange(nullptr, &raw, &tic, &block, &count, &aux, &params, 1, scans, 0);
  ASSERT_TRUE(ok != 0 && block != 0) << "IntegrateChromatogramRange on the TIC";
  const HGLOBAL mem = standin::HglobalFromLongPtr(block);
  EXPECT_GE(GlobalSize(mem), static_cast<SIZE_T>(count) * 112) << "the block holds count records of 112 bytes";
  auto* bytes = static_cast<unsigned char*>(GlobalLock(mem));
  EXPECT_TRUE(bytes != nullptr && GlobalHandle(bytes) == mem) << "the block's handle arrives whole, pointer-sized";
  bool copied = true;
  std::vector<float> apexes;
  for (LONG k = 0; bytes && k < count; ++k) {
    float a;
    // Copied the way the client does: through CopyMemVB from the locked address.
    standin::PeakRecord rec{};
    L.CopyMemVB(&rec, reinterpret_cast<LONG_PTR>(bytes + 112 * k), 112);
    std::memcpy(&a, bytes + 112 * k + 24, 4);
    copied = copied && a == rec.apexScan;
    apexes.push_back(a);
  }
  EXPECT_TRUE(copied) << "CopyMemVB copies each record";
  GlobalUnlock(mem);
  EXPECT_EQ(GlobalFree(mem), nullptr) << "the caller can free the block";

  // Every truth peak that stands clear of the noise is found, its apex within two scans.
  int clear = 0, found = 0;
  for (const auto& t : truth.peaks) {
    if (t.signalToNoise < 20 || t.role == "coeluting" || t.role == "small-beside-big") continue;
    ++clear;
    found += std::any_of(apexes.begin(), apexes.end(), [&](float a) { return std::fabs(a - t.apexScan) <= 2.0; });
  }
  EXPECT_TRUE(clear > 0 && found == clear)
      << "clear truth peaks found at their apex scans: " << found << " of " << clear << ", " << count << " in all";
  bool ordered = true, inside = true;
  for (size_t i = 0; i < apexes.size(); ++i) {
    inside = inside && apexes[i] >= 1 && apexes[i] <= last();
    if (i) ordered = ordered && apexes[i] >= apexes[i - 1];
  }
  EXPECT_TRUE(ordered && inside) << "apex scans lie in the sample, in time order";
  const auto calls = JournalLinesSince(mark, "dll.IntegrateChromatogramRange");
  EXPECT_TRUE(!calls.empty() && JsonValue(calls.front(), "first") == "1")
      << "the journal records the call: " << (calls.empty() ? "none" : calls.front());
}

TEST_F(Integrator, CopyMemVBReadsASourceAddressWhole) {
  // A source address from the top of the address space: above 4 GB in a 64-bit process.
  auto* high = static_cast<unsigned char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN,
                                                        PAGE_READWRITE));
  ASSERT_NE(high, nullptr);
  standin::PeakRecord rec{};
  std::memcpy(high, "high-address", 13);
  EXPECT_TRUE(L.CopyMemVB(&rec, reinterpret_cast<LONG_PTR>(high), 13) == 13 && std::memcmp(&rec, "high-address", 13) == 0)
      << reinterpret_cast<uintptr_t>(high);
  VirtualFree(high, 0, MEM_RELEASE);
}

TEST_F(Integrator, AMassTraceFindsTheFirstCompoundsPeak) {
  TraceDesc mass{};
  mass.kind = 1;
  char monoText[32];
  std::snprintf(monoText, sizeof monoText, "%.2f", truth.peaks.front().monoMz);
  LONG n = 0;
  L.DmRawStrToMass(monoText, mass.masses, 33, &n);
  LONG_PTR block = 0;
  LONG count = 0;
  int16_t aux = 0;
  const int16_t ok = L.IntegrateChromatogramRange(nullptr, &raw, &mass, &block, &count, &aux, &params, 1, scans, 0);
  const HGLOBAL mem = standin::HglobalFromLongPtr(block);
  bool nearApex = false;
  if (auto* m = static_cast<standin::PeakRecord*>(GlobalLock(mem))) {
    for (LONG k = 0; k < count; ++k) nearApex = nearApex || std::fabs(m[k].apexScan - truth.peaks.front().apexScan) <= 2;
    GlobalUnlock(mem);
  }
  GlobalFree(mem);
  EXPECT_TRUE(ok != 0 && nearApex) << "mass trace " << monoText;
}

TEST_F(Integrator, ARangeOutOfOrderOrPastTheLastScanFails) {
  TraceDesc tic{};
  LONG before = 777;
  LONG_PTR blockBefore = 555;
  int16_t aux = 0;
  EXPECT_EQ(L.IntegrateChromatogramRange(nullptr, &raw, &tic, &blockBefore, &before, &aux, &params, 10, 5, 0), 0)
      << "a range whose first scan follows its last";
  EXPECT_TRUE(before == 777 && blockBefore == 555) << "a failed integration leaves block and count alone";
  LONG_PTR block = 0;
  LONG count = 0;
  EXPECT_EQ(L.IntegrateChromatogramRange(nullptr, &raw, &tic, &block, &count, &aux, &params, 1, scans + 1, 0), 0)
      << "a range past the last scan";
}

TEST_F(Integrator, StoredParametersReachTheIntegration) {
  SetHostIni("ChrIntegrate", "MaxPeaks", "3");
  char set[] = "ChrIntegrate";
  L.IntegrateGetIniFile(set, &params);
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  const int16_t ok = Integrate(m, count);
  SetHostIni("ChrIntegrate", "MaxPeaks", nullptr);
  EXPECT_TRUE(ok != 0 && count == 3) << "MaxPeaks=3 from [ChrIntegrate] keeps three peaks, not " << count;
}

class IntegratorPeaks : public Integrator, public testing::WithParamInterface<int> {};

TEST_P(IntegratorPeaks, GivesThatManyPeaksSpreadOverTheSample) {
  SetFault(shared::HostFault::IntegratorPeaks, std::to_string(GetParam()).c_str());
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  const int16_t ok = Integrate(m, count);
  EXPECT_TRUE(locked) << "even an empty result comes as a block the caller can lock";
  EXPECT_TRUE(ok != 0 && count == GetParam()) << "count " << count;
  EXPECT_TRUE(SpreadOverTheSample(m));
}
INSTANTIATE_TEST_SUITE_P(Faults, IntegratorPeaks, testing::Values(294, 5000, 0));

TEST_F(Integrator, ApexOutsideAtPeakPutsOnlyThatApexPastTheLastScan) {
  SetFault(shared::HostFault::IntegratorPeaks, "10");
  SetFault(shared::HostFault::ApexOutsideAtPeak, "4");
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  Integrate(m, count);
  ASSERT_EQ(count, 10);
  EXPECT_TRUE(m[2].apexScan <= last() && m[3].apexScan > last() && m[4].apexScan <= last());
}

TEST_F(Integrator, IntegratorApexesGivesExactlyThoseInThatOrder) {
  SetFault(shared::HostFault::IntegratorApexes, "1, 450.5,2.5");
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  const int16_t ok = Integrate(m, count);
  ASSERT_TRUE(ok != 0 && count == 3) << "count " << count;
  EXPECT_TRUE(m[0].apexScan == 1.0f && m[1].apexScan == 450.5f && m[2].apexScan == 2.5f);
}

TEST_F(Integrator, IntegratorApexesThatIsNotAListFails) {
  SetFault(shared::HostFault::IntegratorApexes, "1,x");
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  EXPECT_EQ(Integrate(m, count), 0);
}

TEST_F(Integrator, IntegratorFailsFailsTheIntegration) {
  SetFault(shared::HostFault::IntegratorFails, "1");
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  EXPECT_EQ(Integrate(m, count), 0);
}

TEST_F(Integrator, AMisspeltFaultIsJournalledNotTakenForNoFault) {
  SetHostIni(shared::kHostFaultSection, "IntegratorFial", "1");
  const size_t mark = JournalSize();
  std::vector<standin::PeakRecord> m;
  LONG count = 0;
  Integrate(m, count);
  const auto unknown = JournalLinesSince(mark, "fault.unknown");
  ASSERT_EQ(unknown.size(), 1u) << "a key of [StandinFaults] the fault table does not name is journalled";
  EXPECT_EQ(JsonValue(unknown[0], "key"), "IntegratorFial");
}

// --- the bridge to the host ------------------------------------------------------------------------------

TEST_F(Exports, WithoutAHostTheBridgeNamesNothing) {
  RawFile none{};
  EXPECT_EQ(L.GetSampleListFileVB(&none), 0) << "GetSampleListFileVB";
  EXPECT_EQ(L.GetApplicationWnd(0), 0) << "GetApplicationWnd(0)";
}

TEST_F(Exports, TheBridgeNamesTheHostsSampleAndWindows) {
  const std::string hostExe = g_stage->bin + "\\StandinHost.exe";
  HostProcess host;
  ASSERT_TRUE(host.Start(hostExe, g_stage->samplePath, L)) << "the host starts with the sample and reports its main window";

  RawFile raw{};
  EXPECT_EQ(L.GetSampleListFileVB(&raw), 1) << "GetSampleListFileVB with the host";
  EXPECT_EQ(standin::FieldText(raw.spec.fileName), name) << "the record names the current sample";
  EXPECT_EQ(standin::FieldText(raw.spec.location), dir + "\\") << "its folder";
  EXPECT_EQ(raw.spec.scanCount, s.ScanCount(1)) << "its ScanCount";
  EXPECT_EQ(raw.functionNumber, 1) << "its FunctionNumber";
  RawHeader header{};
  EXPECT_NE(L.DmRawReadHeaderVB(&raw, &header), 0) << "the raw library reads the record the bridge filled";
  L.DmRawClose();

  FileSpec blank{};
  std::memset(blank.location, ' ', sizeof blank.location);
  std::memset(blank.fileName, ' ', sizeof blank.fileName);
  std::memset(blank.detail, ' ', sizeof blank.detail);
  FileSpec out{};
  char list[] = "SystemList", type[] = "RAW", other[] = "UserList", txt[] = "TXT";
  EXPECT_EQ(L.GetGlobalFile(list, type, &blank, &out), 1) << "GetGlobalFile(SystemList, RAW)";
  EXPECT_EQ(standin::FieldText(out.fileName), name) << "GetGlobalFile names the current sample";
  FileSpec out2{};
  EXPECT_EQ(L.GetGlobalFile(other, type, &blank, &out2), 0) << "GetGlobalFile of another list";
  EXPECT_EQ(L.GetGlobalFile(list, txt, &blank, &out2), 0) << "GetGlobalFile of another file type";

  HWND main = standin::HwndFromLong(static_cast<uint32_t>(L.GetApplicationWnd(0)));
  char title[128] = {};
  GetWindowTextA(main, title, sizeof title);
  EXPECT_TRUE(IsWindow(main) && std::strstr(title, name.c_str()) != nullptr)
      << "GetApplicationWnd(0) is the main window: " << title;
  EXPECT_EQ(L.GetApplicationWnd(1), 0) << "no spectrum window at start";
  EXPECT_EQ(L.GetApplicationWnd(2), 0) << "no peak list at start";
  EXPECT_EQ(L.GetApplicationWnd(3), 0) << "GetApplicationWnd of an unknown kind";

  const size_t mark = JournalSize();
  std::string chroTitle = "Chromatogram - [" + name + "]";
  char launch[] = "app.launch[default:Chro]()";
  EXPECT_EQ(L.IonvaneCommand(launch, 5000), 1) << "IonvaneCommand launch is accepted";
  HWND chro = WaitForTop(chroTitle.c_str(), 5000);
  EXPECT_NE(chro, nullptr) << "the chromatogram window opens as \"" << chroTitle << "\"";
  char bogus[] = "app.frobnicate()";
  EXPECT_EQ(L.IonvaneCommand(bogus, 5000), 0) << "an unknown host command is refused";
  std::string odd = kOddCommand;
  EXPECT_EQ(L.IonvaneCommand(odd.data(), 5000), 0)
      << "an unknown command with a quote, a backslash, ANSI bytes is refused";
  char peaks[] = "app.launch[default:Peaks]()";
  L.IonvaneCommand(peaks, 5000);
  EXPECT_TRUE(WaitUntil([&] { return L.GetApplicationWnd(2) != 0; }, 5000)) << "the peak list window is kind 2";
  PostMessageA(standin::HwndFromLong(static_cast<uint32_t>(L.GetApplicationWnd(2))), WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return L.GetApplicationWnd(2) == 0; }, 5000)) << "WM_CLOSE ends kind 2";
  PostMessageA(chro, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntilGone(chroTitle.c_str(), 5000)) << "WM_CLOSE closes the chromatogram window";

  const auto launches = JournalLinesSince(mark, "dll.IonvaneCommand");
  EXPECT_TRUE(!launches.empty() && JsonValue(launches.front(), "command") == "app.launch[default:Chro]()" &&
              JsonValue(launches.front(), "number") == "5000")
      << "the journal records the host command and its number";
  // A text's quote, backslash, control character and ANSI bytes keep the line valid JSON and ASCII, each byte
  // >= 0x7F as "\u00XX", and read back as the same bytes: in the client's library and in the host alike.
  for (const auto& [event, key] : {std::pair{"dll.IonvaneCommand", "command"}, std::pair{"command.unknown", "text"}}) {
    std::string line;
    for (const auto& l : JournalLinesSince(mark, event)) {
      if (JsonValue(l, key) == kOddCommand) line = l;
    }
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return c > 0 && c < 0x7F; });
    EXPECT_TRUE(!line.empty() && ascii && line.find("\\u00e9\\u0080\\u007f") != std::string::npos)
        << event << " journals a quote, a backslash, \\x01 and bytes >= 0x7F as ASCII JSON, read back the same: "
        << (line.empty() ? "no such line" : line);
  }

  {
    LONG first = L.GetApplicationWnd(0);
    HostProcess second;
    second.Start(hostExe, g_stage->samplePath, L, 2000);
    EXPECT_TRUE(second.WaitExit(10000) && second.ExitCode() == 2 && L.GetApplicationWnd(0) == first)
        << "a second host refuses to start and leaves the first one's windows alone";
  }
  EXPECT_TRUE(host.Stop(L)) << "WM_CLOSE to the main window ends the host";
  EXPECT_EQ(L.GetApplicationWnd(0), 0) << "GetApplicationWnd(0) after the host has gone";
  RawFile after{};
  EXPECT_EQ(L.GetSampleListFileVB(&after), 0) << "GetSampleListFileVB after the host has gone";
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 3) {
    std::printf("usage: standin_exports_test [gtest flags] <bin dir> <work dir>\n");
    return 2;
  }
  Stage stage;
  stage.bin = argv[1];
  stage.work = argv[2];
  CreateDirectoryA(stage.work.c_str(), nullptr);
  ClearFaultsAndDelays();

  ivdata::SynthOptions options;
  options.seed = 11;
  options.ms1Scans = 600;
  options.noisePointsPerScan = 40;
  stage.name = "exports-sample.ivs";
  stage.samplePath = stage.work + "\\" + stage.name;
  stage.truth = ivdata::Synthesise(options, stage.samplePath);
  stage.sample = std::make_unique<ivdata::Sample>(ivdata::Sample::Open(stage.samplePath));
  stage.libs.Load(stage.bin, stage.missing);
  g_stage = &stage;
  return RunTests();
}
