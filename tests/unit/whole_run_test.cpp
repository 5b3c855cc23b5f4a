// The whole job through the entry procedure, against a scripted host in virtual time.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "fakes/rig.h"
#include "processing/processing_run.h"
#include "shell/startup.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;
const std::string kIni = R"(D:\Tools\Apexer.INI)";
const std::string kHostIni = R"(C:\Ionvane\Ionvane.ini)";

fakes::HostScript WithPeaks(int n) {
  fakes::HostScript s;
  for (int i = 0; i < n; ++i) s.apexScans.push_back(static_cast<Single>(5 + (i * 7) % 90) + 0.3f);
  return s;
}

struct JobRun {
  explicit JobRun(fakes::HostScript s, const std::string& hostIni = "[SpeDisplay]\nReplace=TRUE\n") : rig(std::move(s)) {
    rig.profiles.SetText(kIni, "[Combine]\nChroDesc=TIC\n");
    if (!hostIni.empty()) rig.profiles.SetText(kHostIni, hostIni);
  }
  int Go() { return exitCode = Main(*rig.p); }

  // "c" per combined spectrum and "P<n>" per print of n spectra, in the host's order.
  std::string Rhythm() const {
    std::string out;
    for (const std::string& line : rig.Lines({"combined", "printed"})) {
      if (line.rfind("combined", 0) == 0) out += "c";
      else out += "P" + line.substr(line.find(" with ") + 6, line.find(" spectra") - line.find(" with ") - 6);
    }
    return out;
  }
  bool PlacementWritten() const { return rig.profiles.HasKey(kIni, "Combine", "Combiner"); }
  std::string Replace() const { return rig.profiles.RawValue(kHostIni, "SpeDisplay", "Replace"); }

  fakes::Rig rig;
  int exitCode = -1;
};

TEST(WholeRun, PrintsAfterEverySixthSpectrumAndAfterTheLastOnlyOnce) {
  const std::pair<int, std::string> cases[] = {
      {1, "cP1"},
      {6, "ccccccP6"},
      {7, "ccccccP6cP1"},
      {12, "ccccccP6ccccccP6"},
      {13, "ccccccP6ccccccP6cP1"},
  };
  for (const auto& [n, rhythm] : cases) {
    JobRun run(WithPeaks(n));
    EXPECT_EQ(run.Go(), kExitDone);
    EXPECT_EQ(run.Rhythm(), rhythm) << n << " peaks";
    EXPECT_EQ(run.rig.status->texts.back(), std::to_string(n));
    for (const auto& print : run.rig.host->prints) EXPECT_EQ(print.command, 341);
  }
}

TEST(WholeRun, OnePeakFromStartToEnd) {
  JobRun run(WithPeaks(1));
  run.rig.profiles.SetText(kIni, "[Combine]\nChroDesc=TIC\nCombiner=300,200,0,0\n[SpecPrint]\nPrintMode=1\n");
  EXPECT_EQ(run.Go(), kExitDone);
  EXPECT_EQ(run.rig.status->texts, (Lines{"Initializing", "Processing: 1/1", "1"}));
  EXPECT_EQ(run.rig.Lines({"GetSample", "Integrate", "DmRawClose", "post", "write", "OK", "combined", "printed",
                           "spectrum window", "peak list"}),
            (Lines{"GetSampleListFileVB", "IntegrateGetIniFile ChrIntegrate",
                   "IntegrateChromatogramRange window=0 function=1 kind=0 scans=1..100 aux=0,0 parameters=90",
                   "DmRawClose",
                   "post WM_CLOSE to 'Spectrum - [SAMPLE01]'", "spectrum window closed",
                   "post WM_CLOSE to 'Peak List - [SAMPLE01]'", "peak list closed",
                   "write SpeDisplay/Replace=FALSE",
                   "post WM_COMMAND 354 to 'Chromatogram - [SAMPLE01]'",
                   "OK 308='4:6' 310='' 369='1' 176='1'", "combined 4:6 (Replace=FALSE)",
                   "post WM_COMMAND 342 to 'Spectrum - [SAMPLE01]'", "printed 342 with 1 spectra",
                   "post WM_CLOSE to 'Spectrum - [SAMPLE01]'", "spectrum window closed",
                   "post WM_CLOSE to 'Peak List - [SAMPLE01]'", "peak list closed",
                   "write SpeDisplay/Replace=TRUE", "DmRawClose", "write Combine/Combiner=300,200,170,95"}));
  EXPECT_EQ(run.Replace(), "TRUE");
  // Top-most: the host's windows opened during the run stayed below the status window.
  EXPECT_EQ(run.rig.desktop.ZOrder().front(), run.rig.status->handle);
}

TEST(WholeRun, BatchesHoldTheSpectraCombinedSinceThePreviousPrint) {
  JobRun run(WithPeaks(7));
  run.Go();
  ASSERT_EQ(run.rig.host->prints.size(), 2u);
  EXPECT_EQ(run.rig.host->prints[0].spectra.size(), 6u);
  EXPECT_EQ(run.rig.host->prints[1].spectra, Lines{run.rig.host->combined[6]});
}

TEST(WholeRun, AnAbsentReplaceKeyComesBackPresentAndEmpty) {
  JobRun run(WithPeaks(2), "");
  run.Go();
  EXPECT_TRUE(run.rig.profiles.HasKey(kHostIni, "SpeDisplay", "Replace"));
  EXPECT_EQ(run.Replace(), "");
  EXPECT_EQ(run.rig.Lines({"write SpeDisplay"}), (Lines{"write SpeDisplay/Replace=FALSE", "write SpeDisplay/Replace="}));
}

TEST(WholeRun, NoSampleTouchesNothingOnTheHost) {
  fakes::HostScript s = WithPeaks(3);
  s.hasSample = false;
  JobRun run(s);
  EXPECT_EQ(run.Go(), kExitDone);
  EXPECT_EQ(run.rig.status->texts, (Lines{"Initializing", "0"}));
  EXPECT_EQ(run.rig.Lines({"DmRaw", "Integrate", "post", "write SpeDisplay"}), Lines{});
  EXPECT_TRUE(run.PlacementWritten());
}

TEST(WholeRun, NoPeaksClosesTheRawDataAndLeavesTheHostAlone) {
  JobRun run(WithPeaks(0));
  EXPECT_EQ(run.Go(), kExitDone);
  EXPECT_EQ(run.rig.status->texts.back(), "0");
  EXPECT_EQ(run.rig.Count("DmRawClose"), 2u);  // the integration's, then the run's
  EXPECT_EQ(run.rig.Lines({"post", "write SpeDisplay"}), Lines{});
  EXPECT_EQ(run.Replace(), "TRUE");

  fakes::HostScript failing = WithPeaks(3);
  failing.integratorFails = true;
  JobRun failed(failing);
  failed.Go();
  EXPECT_EQ(failed.rig.status->texts.back(), "0");
  EXPECT_EQ(failed.rig.Count("DmRawClose"), 1u);
  EXPECT_EQ(failed.rig.Count("post"), 0u);
}

// The refused peak's index is the result, nothing of the unfinished batch is printed, and the run ends
// as it always does: kind 2 closed, "Replace" put back, the raw file closed, in that order.
TEST(WholeRun, ARefusedScanStopsTheRunAtItsPeakAndFinishesAsUsual) {
  struct Row {
    const char* what;
    std::function<void(fakes::HostScript&)> fault;
    std::string result;
    std::size_t combined;
    std::size_t stillShown;  // the spectrum window stays with the unfinished batch while there is a host
  };
  const Row rows[] = {
      {"an apex outside the sample", [](fakes::HostScript& s) { s.apexScans[3] = 100.6f; }, "3", 3, 3},
      {"the host gone", [](fakes::HostScript& s) { s.exitAfterCombines = 4; }, "4", 4, 0},
      {"no chromatogram window", [](fakes::HostScript& s) { s.chromatogramNeverOpens = true; }, "0", 0, 0},
  };
  for (const Row& row : rows) {
    fakes::HostScript s = WithPeaks(9);
    row.fault(s);
    JobRun run(s);
    EXPECT_EQ(run.Go(), kExitDone) << row.what;
    EXPECT_EQ(run.rig.status->texts.back(), row.result) << row.what;
    EXPECT_EQ(run.Rhythm(), std::string(row.combined, 'c')) << row.what;
    EXPECT_EQ(run.rig.host->spectrumWindow != 0 ? run.rig.host->spectra.size() : 0u, row.stillShown) << row.what;
    EXPECT_EQ(run.Replace(), "TRUE") << row.what;
    Lines ending = run.rig.Lines({"peak list closed", "write SpeDisplay", "DmRawClose"});
    ending.erase(ending.begin(), ending.end() - 2);
    EXPECT_EQ(ending, (Lines{"write SpeDisplay/Replace=TRUE", "DmRawClose"})) << row.what;
    EXPECT_EQ(run.rig.host->secondaryWindow, 0u) << row.what;
    EXPECT_TRUE(run.PlacementWritten()) << row.what;
  }
}

TEST(WholeRun, ApexScansThatCannotBeScansStopTheRunSafely) {
  for (Single bad : {std::numeric_limits<Single>::quiet_NaN(), std::numeric_limits<Single>::infinity(), -0.6f,
                     3e9f}) {
    fakes::HostScript s = WithPeaks(3);
    s.apexScans[1] = bad;
    JobRun run(s);
    EXPECT_EQ(run.Go(), kExitDone);
    EXPECT_EQ(run.rig.status->texts.back(), "1") << bad;
    EXPECT_EQ(run.Replace(), "TRUE");
  }
}

TEST(WholeRun, HalvesRoundToTheEvenScan) {
  fakes::HostScript s;
  s.apexScans = {41.5f, 42.5f, 2.5f, 3.5f};
  JobRun run(s);
  run.Go();
  EXPECT_EQ(run.rig.host->combined, (Lines{"41:43", "41:43", "1:3", "3:5"}));
}

// The program's error ends the run: nothing is combined on a dialog or a setting that is not as it must
// be, "Replace" and the raw file are put back, the report names what failed, no placement is stored.
TEST(WholeRun, ErrorsAreReportedAfterTheHostIsPutBack) {
  struct Row {
    const char* what;
    std::function<void(JobRun&)> fault;
    std::string description;
    Lines settingWrites;
  };
  const Lines restored{"write SpeDisplay/Replace=FALSE", "write SpeDisplay/Replace=TRUE"};
  const Row rows[] = {
      {"the dialog never opens", [](JobRun& r) { r.rig.host->script.dialogNeverOpens = true; },
       "Unable to find Combine Spectrum dialogue box", restored},
      {"a dialog field never appears", [](JobRun& r) { r.rig.host->script.missingField = 310; },
       "Unable to find field 310 of the Combine Spectrum dialogue box", restored},
      {"the host settings file cannot be written", [](JobRun& r) { r.rig.profiles.SetUnwritable(kHostIni); },
       "Unable to set Replace in section SpeDisplay of C:\\Ionvane\\Ionvane.ini to FALSE", {}},
  };
  for (const Row& row : rows) {
    JobRun run(WithPeaks(5));
    row.fault(run);
    EXPECT_EQ(run.Go(), kExitError) << row.what;
    ASSERT_EQ(run.rig.app.reports.size(), 1u) << row.what;
    EXPECT_EQ(run.rig.app.reports[0].number, 32767) << row.what;
    EXPECT_EQ(run.rig.app.reports[0].description, row.description) << row.what;
    EXPECT_FALSE(run.PlacementWritten()) << row.what;
    EXPECT_EQ(run.Replace(), "TRUE") << row.what;
    EXPECT_EQ(run.rig.Lines({"OK", "combined"}), Lines{}) << row.what;
    EXPECT_EQ(run.rig.host->dialog, 0u) << row.what;  // no dialog left half filled
    EXPECT_EQ(run.rig.Lines({"write SpeDisplay"}), row.settingWrites) << row.what;
    EXPECT_EQ(run.rig.journal.back(), "DmRawClose") << row.what;
  }
}

TEST(WholeRun, CancelDuringAWaitEndsAtOnceRestoringTheHostButWritingNoPlacement) {
  fakes::HostScript s = WithPeaks(10);
  s.combineMs = 60'000;  // a slow host
  JobRun run(s);
  run.rig.loop.onYield = [&](int) {
    if (run.rig.host->combined.size() == 2) run.rig.status->cancelClicked = true;
  };
  EXPECT_EQ(run.Go(), kExitCancelled);
  EXPECT_TRUE(run.rig.app.reports.empty());
  EXPECT_FALSE(run.PlacementWritten());
  EXPECT_EQ(run.Replace(), "TRUE");
  EXPECT_EQ(run.rig.host->combined.size(), 2u);
  EXPECT_EQ(run.rig.journal.back(), "DmRawClose");
}

TEST(WholeRun, CancelBeforeTheHostSettingChangedLeavesItUntouched) {
  fakes::HostScript s = WithPeaks(3);
  s.closeMs = 10'000;
  JobRun run(s);
  run.rig.loop.onYield = [&](int n) { run.rig.status->cancelClicked = n == 5; };
  EXPECT_EQ(run.Go(), kExitCancelled);
  EXPECT_EQ(run.rig.Count("write"), 0u);
}

TEST(WholeRun, ThousandsOfPeaksPastTheOld293Limit) {
  for (int n : {294, 5000}) {
    JobRun run(WithPeaks(n));
    EXPECT_EQ(run.Go(), kExitDone);
    EXPECT_EQ(run.rig.host->combined.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(run.rig.host->prints.size(), static_cast<std::size_t>((n + 5) / 6));
    EXPECT_EQ(run.rig.status->texts.back(), std::to_string(n));
    EXPECT_EQ(run.rig.status->texts[static_cast<std::size_t>(n)], "Processing: " + std::to_string(n) + "/" + std::to_string(n));
  }
}

TEST(WholeRun, TheChannelComesFromTheSettingsFile) {
  fakes::HostScript s = WithPeaks(1);
  JobRun run(s);
  run.rig.profiles.SetText(kIni, "[Combine]\nChroDesc=  uv 254\n");
  run.Go();
  EXPECT_NE(run.rig.Lines({"IntegrateChromatogramRange"}).at(0).find("kind=3"), std::string::npos);

  JobRun none(s);
  none.rig.profiles.SetText(kIni, "");
  none.Go();  // an absent channel is rejected quietly
  EXPECT_EQ(none.rig.status->texts.back(), "0");
  EXPECT_EQ(none.rig.Count("IntegrateChromatogramRange"), 0u);
}

}  // namespace
}  // namespace apexer
