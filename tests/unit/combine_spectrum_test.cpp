#include "processing/combine_spectrum.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "common/errors.h"
#include "fakes/rig.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;

class CombineSpectrumTest : public ::testing::Test {
 protected:
  fakes::Rig rig;
  RawFileRecord record = [] {
    RawFileRecord r{};
    r.Spec.ScanCount = 100;
    return r;
  }();

  std::string Field(Long id) {
    for (const std::string& line : rig.journal) {
      if (line.rfind("OK ", 0) != 0) continue;
      const std::string key = std::to_string(id) + "='";
      const auto at = line.find(key) + key.size();
      return line.substr(at, line.find('\'', at) - at);
    }
    return "<no OK>";
  }
};

TEST(ScanRangeText, AbsentSingleOrRange) {
  EXPECT_EQ(ScanRangeText(0, 5), "");
  EXPECT_EQ(ScanRangeText(-3, 0), "");
  EXPECT_EQ(ScanRangeText(17, 0), "17");
  EXPECT_EQ(ScanRangeText(17, -1), "17");
  EXPECT_EQ(ScanRangeText(16, 18), "16:18");
  EXPECT_EQ(ScanRangeText(18, 16), "18:16");  // the end is not compared with the start
}

TEST_F(CombineSpectrumTest, ApexAndNeighboursClippedToTheSample) {
  const std::pair<Long, std::string> cases[] = {{50, "49:51"}, {1, "1:2"}, {100, "99:100"}};
  for (const auto& [scan, text] : cases) {
    rig.journal.clear();
    EXPECT_EQ(CombineAtScan(*rig.p, scan, record), scan);
    EXPECT_EQ(Field(308), text);
    EXPECT_EQ(Field(310), "");
    EXPECT_EQ(Field(369), "1");
    EXPECT_EQ(Field(176), "1");
  }
  record.Spec.ScanCount = 1;
  rig.journal.clear();
  EXPECT_EQ(CombineAtScan(*rig.p, 1, record), 1);
  EXPECT_EQ(Field(308), "1:1");
}

TEST_F(CombineSpectrumTest, ScansOutsideTheSampleAreRefusedWithoutTouchingTheHost) {
  for (Long scan : {0, -1, 101}) {
    rig.journal.clear();
    EXPECT_EQ(CombineAtScan(*rig.p, scan, record), 0);
    EXPECT_TRUE(rig.journal.empty());
  }
}

TEST_F(CombineSpectrumTest, SamplesBeyond32767ScansAreCombinedNotOverflowed) {
  record.Spec.ScanCount = 40000;
  rig.host->script.scanCount = 40000;
  EXPECT_EQ(CombineAtScan(*rig.p, 35000, record), 35000);
  EXPECT_EQ(Field(308), "34999:35001");
  record.Spec.ScanCount = 70000;  // 70000 as a 16-bit number would be 4464
  EXPECT_EQ(CombineAtScan(*rig.p, 69999, record), 69999);
}

TEST_F(CombineSpectrumTest, TheDialogIsDrivenFieldByFieldThenOkThenTheCombiningWindowIsWaitedOut) {
  CombineSpectrum(*rig.p, 5, 0, 3, 5, 20, 22, 1.0f, 2.5f);
  EXPECT_EQ(rig.Lines({"IonvaneCommand", "post", "send", "dialog", "OK", "combined"}),
            (Lines{"IonvaneCommand app.launch[default:Chro]() 5000",
                   "post WM_COMMAND 354 to 'Chromatogram - [SAMPLE01]'", "dialog opened",
                   "send WM_SETTEXT '5' to control 308", "send WM_SETTEXT '3:5,20:22' to control 310",
                   "send WM_SETTEXT '1' to control 369", "send WM_SETTEXT '2.5' to control 176",
                   "send WM_COMMAND 1 to 'Combine Spectrum'", "OK 308='5' 310='3:5,20:22' 369='1' 176='2.5'",
                   "combined 5 (Replace=)"}));
  EXPECT_EQ(rig.desktop.FindWindowA("Spectrum Combine"), 0u);
}

TEST_F(CombineSpectrumTest, TheSecondFieldJoinsOnlyWhatIsThere) {
  CombineSpectrum(*rig.p, 5, 6, 3, 0, 0, 0, 1, 1);
  EXPECT_EQ(Field(310), "3");
  rig.journal.clear();
  CombineSpectrum(*rig.p, 5, 6, 0, 0, 20, 22, 1, 1);
  EXPECT_EQ(Field(310), "20:22");
}

TEST_F(CombineSpectrumTest, NoFirstRangeMeansNoHostWindowIsLookedFor) {
  CombineSpectrum(*rig.p, 0, 5, 3, 5, 0, 0, 1, 1);
  EXPECT_TRUE(rig.journal.empty());
  EXPECT_EQ(rig.desktop.lookups, 0);
}

TEST_F(CombineSpectrumTest, AnOpenDialogIsFilledWithoutAMenuCommand) {
  fakes::HostScript s;
  s.chromatogramWindowOpen = true;
  fakes::Rig open(s);
  const Hwnd dialog = open.desktop.AddWindow("Combine Spectrum", open.host->chromatogramWindow);
  for (Long id : {308, 310, 369, 176}) open.desktop.AddControl(dialog, id);
  CombineSpectrum(*open.p, 7, 9, 0, 0, 0, 0, 1, 1);
  EXPECT_TRUE(open.Lines({"post"}).empty());
  EXPECT_EQ(open.desktop.ControlText(open.desktop.GetDlgItem(dialog, 308)), "7:9");
}

TEST_F(CombineSpectrumTest, NoChromatogramWindowIsNoErrorButTheScanIsRefused) {
  rig.host->script.faults.ChromatogramNeverOpens = true;
  EXPECT_EQ(CombineAtScan(*rig.p, 50, record), 0);
  EXPECT_EQ(rig.Count("post"), 0u);
  EXPECT_TRUE(rig.host->combined.empty());
}

// What one combine tells the run: the scans written into the dialog, or why nothing was asked of the host.
struct OutcomeCase {
  const char* name;
  Long scan;
  std::function<void(fakes::Rig&)> host;  // how the host differs, once the rig is made
  Refusal refusal;
  Long first, last;
};
void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class CombineOutcomes : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(CombineOutcomes, SayWhichScansWereCombinedOrWhyNone) {
  const OutcomeCase& c = GetParam();
  fakes::Rig rig;
  if (c.host) c.host(rig);
  RawFileRecord rawFile{};
  rawFile.Spec.ScanCount = 100;
  const CombineOutcome out = CombineAroundScan(*rig.p, c.scan, rawFile);
  EXPECT_EQ(out.refusal, c.refusal);
  EXPECT_EQ(out.Combined(), c.refusal == Refusal::None);
  EXPECT_EQ(out.first, c.first);
  EXPECT_EQ(out.last, c.last);
  EXPECT_EQ(out.scan, c.scan);
  EXPECT_EQ(out.scanCount, 100);
  EXPECT_EQ(rig.host->combined.size(), out.Combined() ? 1u : 0u);
  EXPECT_EQ(CombineAtScan(*rig.p, c.scan, rawFile), out.Combined() ? c.scan : 0);
}

INSTANTIATE_TEST_SUITE_P(
    OneSpectrum, CombineOutcomes,
    ::testing::Values(
        OutcomeCase{"InTheMiddle", 50, nullptr, Refusal::None, 49, 51},
        OutcomeCase{"AtTheLastScan", 100, nullptr, Refusal::None, 99, 100},
        OutcomeCase{"PastTheLastScan", 101, nullptr, Refusal::OutsideSample, 0, 0},
        OutcomeCase{"BeforeTheFirstScan", 0, nullptr, Refusal::OutsideSample, 0, 0},
        OutcomeCase{"NoHost", 50, [](fakes::Rig& r) { r.host->mainWindow = 0; }, Refusal::HostGone, 0, 0},
        OutcomeCase{"NoChromatogramWindow", 50,
                    [](fakes::Rig& r) { r.host->script.faults.ChromatogramNeverOpens = true; },
                    Refusal::NoChromatogramWindow, 0, 0},
        // Gone while the program waited for the chromatogram window: that is why none came.
        OutcomeCase{"HostLeftWhileWaited", 50,
                    [](fakes::Rig& r) {
                      r.host->script.faults.ChromatogramNeverOpens = true;
                      r.world.After(3000, [&r] { r.host->mainWindow = 0; });
                    },
                    Refusal::HostGone, 0, 0}),
    [](const ::testing::TestParamInfo<OutcomeCase>& row) { return std::string(row.param.name); });

TEST_F(CombineSpectrumTest, ADialogThatNeverOpensRaisesTheProgramsError) {
  rig.host->script.faults.DialogNeverOpens = true;
  try {
    CombineAtScan(*rig.p, 50, record);
    FAIL() << "no error raised";
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number(), 32767);
    EXPECT_STREQ(e.what(), "Unable to find Combine Spectrum dialogue box");
  }
}

// Cancel clicked while the host handles OK acts at the yield after OK, even when the host was so quick that
// there is no combining window left to wait for.
TEST_F(CombineSpectrumTest, CancelDuringOkActsBeforeTheCallReturns) {
  fakes::HostScript s;
  s.chromatogramWindowOpen = true;
  fakes::Rig open(s);
  const Hwnd dialog = open.desktop.AddWindow("Combine Spectrum", open.host->chromatogramWindow);
  for (Long id : {308, 310, 369, 176}) open.desktop.AddControl(dialog, id);
  open.desktop.SetHandler(dialog, [&](const fakes::Message& m) -> Long {
    if (m.message == platform::kWmCommand && m.wParam == 1) {
      open.desktop.RemoveWindow(dialog);
      open.status->cancelClicked = true;
    }
    return 1;
  });
  EXPECT_THROW(CombineSpectrum(*open.p, 7, 9, 0, 0, 0, 0, 1, 1), CancelRequested);
}

// OK on a half-filled dialog would combine what the missing field held: the dialog is closed unconfirmed.
TEST_F(CombineSpectrumTest, AMissingFieldClosesTheDialogWithoutOkAndRaisesAnErrorNamingIt) {
  for (Long missing : {308, 310, 369, 176}) {
    fakes::HostScript s;
    s.chromatogramWindowOpen = true;
    fakes::Rig open(s);
    const Hwnd dialog = open.desktop.AddWindow("Combine Spectrum", open.host->chromatogramWindow);
    for (Long id : {308, 310, 369, 176}) {
      if (id != missing) open.desktop.AddControl(dialog, id);
    }
    try {
      CombineSpectrum(*open.p, 7, 9, 0, 0, 0, 0, 1, 1);
      ADD_FAILURE() << "no error for " << missing;
    } catch (const AppError& e) {
      EXPECT_EQ(e.Number(), 32767);
      EXPECT_EQ(e.what(), "Unable to find field " + std::to_string(missing) + " of the Combine Spectrum dialogue box");
    }
    EXPECT_EQ(open.Count("send WM_COMMAND 1"), 0u) << missing;
    EXPECT_FALSE(open.desktop.IsWindow(dialog)) << missing;
    EXPECT_TRUE(open.host->combined.empty()) << missing;
  }
}

}  // namespace
}  // namespace apexer
