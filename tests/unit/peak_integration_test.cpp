#include "processing/peak_integration.h"

#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;

fakes::HostScript Peaks(std::vector<Single> apexes) {
  fakes::HostScript s;
  s.apexScans = std::move(apexes);
  return s;
}

struct Call {
  std::string title = std::string(1, '\0');
  Integer function = 1;
  std::string channel = "TIC";
  Single start = 0;
  Single end = 0;
  Integer inScans = kFalse;
  Integer useStored = kTrue;
  Long auxNumber = 0;
};

class PeakIntegration : public ::testing::Test {
 protected:
  std::unique_ptr<fakes::Rig> rig = std::make_unique<fakes::Rig>(Peaks({10.f, 20.5f, 21.5f}));
  RawFileRecord raw{};
  std::vector<PeakRecord> peaks;
  IntegrationParameters given{};

  Integer Integrate(const Call& c = {}) {
    Integer aux = 0;
    return IntegrateChromatogram(*rig->p, c.title, raw, c.function, c.channel, c.start, c.end, c.inScans, peaks,
                                 given, c.useStored, aux, c.auxNumber);
  }
  std::string IntegratorCall() const {
    const auto lines = rig->Lines({"IntegrateChromatogramRange"});
    return lines.empty() ? "" : lines.front();
  }
};

TEST_F(PeakIntegration, TheWholeFunctionWithStoredParametersInTheSpecifiedOrder) {
  rig->desktop.SetActiveWindow(rig->status->handle);
  ASSERT_EQ(Integrate(), 3);
  EXPECT_EQ(rig->Lines({"DmRaw", "Integrate"}),
            (Lines{"IntegrateGetIniFile ChrIntegrate", "DmRawReadHeaderVB", "DmRawReadHeaderVB", "DmRawTimeToScan 0",
                   "DmRawReadHeaderVB", "DmRawTimeToScan 0", "DmRawScansInFunction 1",
                   "IntegrateChromatogramRange window=" + std::to_string(rig->status->handle) +
                       " function=1 kind=0 scans=1..100 aux=0,0 parameters=90",
                   "DmRawClose"}));
  EXPECT_EQ(rig->host->headerReads, 3);
  EXPECT_EQ(raw.FunctionNumber, 1);
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_FLOAT_EQ(peaks[1].ApexScan, 20.5f);
  EXPECT_EQ(peaks[1].Head[0], 1);  // the integrator's own bytes come across unread
  EXPECT_EQ(rig->memory.calls.size(), 3u);
  EXPECT_EQ(rig->memory.LiveBlocks(), 0u);
  EXPECT_EQ(rig->host->copyCalls, 3);
}

TEST_F(PeakIntegration, ScanBoundsRoundHalvesToEvenAndFallBackToTheEnds) {
  Call c;
  c.inScans = kTrue;
  c.start = 2.5f;
  c.end = 3.5f;
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("scans=2..4"), std::string::npos) << IntegratorCall();

  rig->journal.clear();
  c.start = 500;  // beyond the function: first scan
  c.end = 500;    // beyond the function: last scan
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("scans=1..100"), std::string::npos) << IntegratorCall();

  rig->journal.clear();
  c.start = 0;
  c.end = 0;
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("scans=1..100"), std::string::npos) << IntegratorCall();
}

TEST_F(PeakIntegration, TimeBoundsAreRoundedToWholeSeconds) {
  Call c;
  c.start = 10.5f;  // 10 -> scan 6 at two seconds a scan
  c.end = 21.5f;    // 22 -> scan 12
  Integrate(c);
  EXPECT_EQ(rig->Lines({"DmRawTimeToScan"}), (Lines{"DmRawTimeToScan 10", "DmRawTimeToScan 22"}));
  EXPECT_NE(IntegratorCall().find("scans=6..12"), std::string::npos) << IntegratorCall();
}

TEST_F(PeakIntegration, BoundsThatAreNotNumbersBecomeTheEnds) {
  Call c;
  c.inScans = kTrue;
  c.start = std::numeric_limits<Single>::quiet_NaN();
  c.end = 1e30f;
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("scans=1..100"), std::string::npos) << IntegratorCall();
}

TEST_F(PeakIntegration, AFunctionOutsideTheHeaderYieldsNothingAndKeepsTheOldNumber) {
  for (Integer function : {Integer{0}, Integer{-1}, Integer{3}}) {
    raw.FunctionNumber = 2;
    rig->journal.clear();
    Call c;
    c.function = function;
    EXPECT_EQ(Integrate(c), 0);
    EXPECT_EQ(raw.FunctionNumber, 2);
    EXPECT_EQ(IntegratorCall(), "");
    EXPECT_EQ(rig->Count("DmRawStrToMass") + rig->Count("DmRawIsAnalog"), 0u);  // TIC still parsed, no library
  }
  rig->host->script.headerResult = 0;
  EXPECT_EQ(Integrate(), 0);
}

TEST_F(PeakIntegration, ARejectedChannelYieldsNothingAfterTheHeaderWasRead) {
  Call c;
  c.channel = "no such channel";
  EXPECT_EQ(Integrate(c), 0);
  EXPECT_EQ(rig->host->headerReads, 3);
  EXPECT_EQ(IntegratorCall(), "");
  EXPECT_EQ(rig->Count("DmRawClose"), 0u);
}

TEST_F(PeakIntegration, StoredParametersFailingStopsBeforeTheIntegrator) {
  rig->host->script.storedParametersResult = 0;
  EXPECT_EQ(Integrate(), 0);
  EXPECT_EQ(IntegratorCall(), "");
}

TEST_F(PeakIntegration, GivenParametersAreCopiedWhenStoredOnesAreNotWanted) {
  given.Block[0] = 7;
  Call c;
  c.useStored = kFalse;
  EXPECT_EQ(Integrate(c), 3);
  EXPECT_EQ(rig->Count("IntegrateGetIniFile"), 0u);
  EXPECT_NE(IntegratorCall().find("parameters=7"), std::string::npos);
}

TEST_F(PeakIntegration, ANamedWindowIsLookedUpAndAnUnknownOneGivesZero) {
  const Hwnd named = rig->desktop.AddWindow("Integrator Host");
  Call c;
  c.title = "Integrator Host";
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("window=" + std::to_string(named)), std::string::npos);
  rig->journal.clear();
  c.title = "Nobody";
  Integrate(c);
  EXPECT_NE(IntegratorCall().find("window=0 "), std::string::npos);
}

TEST_F(PeakIntegration, AFailingIntegratorLeavesEverythingUntouched) {
  rig->host->script.faults.IntegratorFails = true;
  peaks.resize(1);
  peaks[0].ApexScan = 5;
  EXPECT_EQ(Integrate(), 0);
  EXPECT_TRUE(rig->memory.calls.empty());
  EXPECT_EQ(rig->Count("DmRawClose"), 0u);
  ASSERT_EQ(peaks.size(), 1u);
}

TEST_F(PeakIntegration, ZeroPeaksStillFreeTheBlockAndCloseTheRawFile) {
  rig = std::make_unique<fakes::Rig>(Peaks({}));
  peaks.resize(2);
  EXPECT_EQ(Integrate(), 0);
  EXPECT_EQ(peaks.size(), 2u);
  EXPECT_EQ(rig->memory.LiveBlocks(), 0u);
  EXPECT_EQ(rig->Count("DmRawClose"), 1u);
}

TEST_F(PeakIntegration, AChromatogramWindowIsClosedFirst) {
  fakes::HostScript s = Peaks({4.f});
  s.chromatogramWindowOpen = true;
  rig = std::make_unique<fakes::Rig>(s);
  EXPECT_EQ(Integrate(), 1);
  EXPECT_EQ(rig->Lines({"post", "DmRaw", "Integrate"}).front(), "post WM_CLOSE to 'Chromatogram - [SAMPLE01]'");
  EXPECT_EQ(rig->host->chromatogramWindow, 0u);
}

TEST_F(PeakIntegration, EveryRecordIsTakenOverBeyondTheOld293Limit) {
  for (std::size_t n : {std::size_t{293}, std::size_t{294}, std::size_t{5000}, std::size_t{32767}}) {
    std::vector<Single> apexes(n);
    for (std::size_t i = 0; i < n; ++i) apexes[i] = static_cast<Single>(i + 1);
    rig = std::make_unique<fakes::Rig>(Peaks(apexes));
    peaks.clear();
    ASSERT_EQ(Integrate(), static_cast<Integer>(n));
    ASSERT_EQ(peaks.size(), n);
    EXPECT_FLOAT_EQ(peaks.back().ApexScan, static_cast<Single>(n));
  }
}

TEST_F(PeakIntegration, CountsBeyondWhatTheRunCanHoldOrTheBlockHoldsAreCut) {
  rig = std::make_unique<fakes::Rig>(Peaks(std::vector<Single>(32800, 5.f)));
  EXPECT_EQ(Integrate(), 32767);
  EXPECT_EQ(peaks.size(), 32767u);

  // An integrator that claims more records than its block holds: only whole records are read.
  fakes::HostScript s = Peaks({1.f, 2.f});
  s.reportedPeakCount = 10;
  rig = std::make_unique<fakes::Rig>(s);
  peaks.clear();
  EXPECT_EQ(Integrate(), 2);
  EXPECT_EQ(peaks.size(), 2u);

  s.reportedPeakCount = -4;  // nonsense count: no peaks, nothing leaked
  rig = std::make_unique<fakes::Rig>(s);
  peaks.clear();
  EXPECT_EQ(Integrate(), 0);
  EXPECT_TRUE(peaks.empty());
  EXPECT_EQ(rig->memory.LiveBlocks(), 0u);
  EXPECT_EQ(rig->Count("DmRawClose"), 1u);
}

TEST_F(PeakIntegration, ABlockThatCannotBeLockedGivesNoPeaksAndIsStillFreed) {
  rig->memory.failLocks = true;
  EXPECT_EQ(Integrate(), 0);
  EXPECT_TRUE(peaks.empty());
  EXPECT_EQ(rig->memory.LiveBlocks(), 0u);
  EXPECT_EQ(rig->Count("DmRawClose"), 1u);
}

TEST_F(PeakIntegration, ScanHelpersSelectTheFunctionEachTime) {
  EXPECT_EQ(ScanInRange(*rig->host, 1, 100, raw), 100);
  EXPECT_EQ(ScanInRange(*rig->host, 1, 101, raw), 0);
  EXPECT_EQ(ScanInRange(*rig->host, 1, 0, raw), 0);
  EXPECT_EQ(ScanInRange(*rig->host, 5, 10, raw), 0);
  EXPECT_EQ(ScanFromTime(*rig->host, 2, 3.0f, raw), 2);
  EXPECT_EQ(raw.FunctionNumber, 2);
  EXPECT_EQ(ScanFromTime(*rig->host, 9, 3.0f, raw), 0);
  EXPECT_EQ(rig->host->headerReads, 6);
}

}  // namespace
}  // namespace apexer
