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
  int Go() { return exitCode = Main(*rig.p, rig.record); }

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

// Each fault the host can play (shared/host_faults.def), set once, and what must follow. Every run puts
// "Replace" back and closes the raw file last, and leaves no dialog half filled; a run that ends without
// the program's error stores the placement, one that ends with it stores none.
TEST(WholeRun, EachHostFaultAndWhatMustFollow) {
  using F = fakes::HostFaults;
  struct Row {
    F faults;
    int exit;
    std::string shown;  // the status window's last text, or the error's description
    std::string rhythm;
    std::size_t stillShown;  // spectra the spectrum window is left with (the unfinished batch stays)
    std::size_t rawCloses;   // the integration's, then the run's
    bool touchesHost;        // closes its windows and sets "Replace" for the combining
    bool dialogNeverFound = false;  // open under another title, as the host left it
  };
  const Row rows[] = {
      {F{.IntegratorFails = true}, kExitDone, "0", "", 1, 1, false},
      {F{.IntegratorPeaks = 0}, kExitDone, "0", "", 1, 2, false},
      {F{.IntegratorPeaks = 13}, kExitDone, "13", "ccccccP6ccccccP6cP1", 0, 2, true},
      {F{.ApexOutsideAtPeak = 4}, kExitDone, "3", "ccc", 3, 2, true},
      {F{.ExitAfterCombines = 4}, kExitDone, "4", "cccc", 0, 2, true},
      {F{.ChromatogramNeverOpens = true}, kExitDone, "0", "", 0, 2, true},
      {F{.ChromatogramTitle = "Chromatogram 2 - SAMPLE01"}, kExitDone, "0", "", 0, 2, true},
      {F{.PrintingWindow = "never"}, kExitDone, "9", "ccccccP6cccP3", 0, 2, true},
      {F{.DialogNeverOpens = true}, kExitError, "Unable to find Combine Spectrum dialogue box", "", 0, 2, true},
      {F{.DialogMissingField = 310}, kExitError, "Unable to find field 310 of the Combine Spectrum dialogue box",
       "", 0, 2, true},
      {F{.CombineCommand = 355}, kExitError, "Unable to find Combine Spectrum dialogue box", "", 0, 2, true},
      {F{.CombineDialogTitle = "Combine Spectra"}, kExitError, "Unable to find Combine Spectrum dialogue box", "", 0,
       2, true, true},
      // A combine that never ends: the run waits for it until Cancel.
      {F{.CombineWindowStays = true}, kExitCancelled, "Processing: 1/9", "", 0, 2, true},
  };
  for (const Row& row : rows) {
    const std::string what = fakes::FaultsText(row.faults);
    fakes::HostScript s = WithPeaks(9);
    s.faults = row.faults;
    JobRun run(s);
    const std::int64_t started = run.rig.clock.now;  // a run still waiting after ten minutes is cancelled
    run.rig.loop.onYield = [&](int) { run.rig.status->cancelClicked = run.rig.clock.now - started > 600'000; };
    EXPECT_EQ(run.Go(), row.exit) << what;
    if (row.exit == kExitError) {
      ASSERT_EQ(run.rig.app.reports.size(), 1u) << what;
      EXPECT_EQ(run.rig.app.reports[0].number, 32767) << what;
      EXPECT_EQ(run.rig.app.reports[0].description, row.shown) << what;
    } else {
      EXPECT_TRUE(run.rig.app.reports.empty()) << what;
      EXPECT_EQ(run.rig.status->texts.back(), row.shown) << what;
    }
    EXPECT_EQ(run.Rhythm(), row.rhythm) << what;
    EXPECT_EQ(run.rig.host->spectrumWindow != 0 ? run.rig.host->spectra.size() : 0u, row.stillShown) << what;
    EXPECT_EQ(run.rig.Count("DmRawClose"), row.rawCloses) << what;
    EXPECT_EQ(run.PlacementWritten(), row.exit == kExitDone) << what;
    EXPECT_EQ(run.Replace(), "TRUE") << what;
    if (row.dialogNeverFound) {
      ASSERT_NE(run.rig.host->dialog, 0u) << what;
      for (Long id : {308, 310, 369, 176}) {
        EXPECT_EQ(run.rig.desktop.ControlText(run.rig.desktop.GetDlgItem(run.rig.host->dialog, id)), "") << what;
      }
    } else {
      EXPECT_EQ(run.rig.host->dialog, 0u) << what;
    }
    const Lines ending = run.rig.Lines({"write SpeDisplay", "read SpeDisplay", "DmRawClose"});
    if (row.touchesHost) {
      EXPECT_EQ(run.rig.Lines({"write SpeDisplay"}),
                (Lines{"write SpeDisplay/Replace=FALSE", "write SpeDisplay/Replace=TRUE"})) << what;
      // Put back, read back, and the raw file closed last.
      EXPECT_EQ(Lines(ending.end() - 3, ending.end()),
                (Lines{"write SpeDisplay/Replace=TRUE", "read SpeDisplay/Replace=TRUE", "DmRawClose"})) << what;
    } else {
      EXPECT_EQ(run.rig.Lines({"post", "write SpeDisplay"}), Lines{}) << what;
      EXPECT_EQ(ending.back(), "DmRawClose") << what;
    }
  }
}

// A host that stopped answering before the run holds it in its first question: no way of its own ends it.
TEST(WholeRun, AHungHostHoldsTheRunInItsFirstQuestion) {
  fakes::HostScript s = WithPeaks(3);
  s.faults.HostHangs = 1;
  JobRun run(s);
  run.rig.world.Advance(1);
  try {
    run.Go();
    ADD_FAILURE() << "the run ended with " << run.exitCode;
  } catch (const fakes::CallNeverReturns& never) {
    EXPECT_EQ(never.call, "GetSampleListFileVB: the host does not answer");
  }
  EXPECT_EQ(run.rig.status->texts, (Lines{"Initializing"}));
  EXPECT_EQ(run.rig.Lines({"DmRaw", "Integrate", "post", "write SpeDisplay"}), Lines{});
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

// A host settings file that cannot be written is the program's error before anything is asked of the host.
TEST(WholeRun, AnUnwritableHostSettingsFileIsReportedBeforeTheHostIsAsked) {
  JobRun run(WithPeaks(5));
  run.rig.profiles.SetUnwritable(kHostIni);
  EXPECT_EQ(run.Go(), kExitError);
  ASSERT_EQ(run.rig.app.reports.size(), 1u);
  EXPECT_EQ(run.rig.app.reports[0].number, 32767);
  EXPECT_EQ(run.rig.app.reports[0].description,
            "Unable to set Replace in section SpeDisplay of C:\\Ionvane\\Ionvane.ini to FALSE");
  EXPECT_FALSE(run.PlacementWritten());
  EXPECT_EQ(run.Replace(), "TRUE");
  EXPECT_EQ(run.rig.Lines({"write SpeDisplay", "OK", "combined", "post WM_COMMAND"}), Lines{});
  EXPECT_EQ(run.rig.host->dialog, 0u);
  EXPECT_EQ(run.rig.journal.back(), "DmRawClose");
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

// The run's own end waits for the peak-list window to close; Cancel there is the other way out, and the host
// is still put back once: "Replace" written and read back, the raw file closed, nothing twice.
TEST(WholeRun, CancelWhileTheEndWaitsForThePeakListWindowPutsTheHostBackOnce) {
  fakes::HostScript s = WithPeaks(2);
  s.closeMs = 60'000;
  JobRun run(s);
  run.rig.loop.onYield = [&](int) {
    run.rig.status->cancelClicked = run.rig.Count("post WM_CLOSE to 'Peak List") == 2;
  };
  EXPECT_EQ(run.Go(), kExitCancelled);
  EXPECT_EQ(run.Rhythm(), "ccP2");
  EXPECT_EQ(run.rig.Lines({"write SpeDisplay", "DmRawClose"}),
            (Lines{"DmRawClose", "write SpeDisplay/Replace=FALSE", "write SpeDisplay/Replace=TRUE", "DmRawClose"}));
  EXPECT_EQ(run.rig.journal.back(), "DmRawClose");
  EXPECT_EQ(run.Replace(), "TRUE");
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
