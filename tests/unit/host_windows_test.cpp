#include "automation/host_windows.h"

#include <gtest/gtest.h>

#include "automation/window_lookup.h"
#include "common/errors.h"
#include "fakes/rig.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;

class HostWindows : public ::testing::Test {
 protected:
  fakes::Rig rig;
  Platform& p = *rig.p;
};

TEST_F(HostWindows, PrintModeZeroPosts341AnyOtherValue342) {
  for (Integer mode : {Integer{0}, Integer{1}, Integer{-1}}) {
    rig.journal.clear();
    PrintSpectra(p, mode);
    const std::string command = mode == 0 ? "341" : "342";
    EXPECT_EQ(rig.Lines({"post", "printing", "printed"}),
              (Lines{"post WM_COMMAND " + command + " to 'Spectrum - [SAMPLE01]'", "printing shown",
                     "printed " + command + " with 1 spectra"}));
  }
}

TEST_F(HostWindows, PrintingWaitsForThePrintingWindowToComeAndGo) {
  const std::int64_t start = rig.clock.now;
  PrintSpectra(p, 0);
  EXPECT_EQ(rig.host->prints.size(), 1u);
  EXPECT_EQ(FindWindowExact(rig.desktop, "Printing..."), 0u);
  EXPECT_LT(rig.clock.now - start, 200);
}

TEST_F(HostWindows, APrintingWindowThatFlashesUnseenCostsTheFullLimit) {
  rig.host->script.printAppearMs = 0;
  rig.host->script.printMs = 0;  // shown and gone within one yield
  const std::int64_t start = rig.clock.now;
  PrintSpectra(p, 0);
  EXPECT_GE(rig.clock.now - start, 121'000);
  EXPECT_EQ(rig.host->prints.size(), 1u);
}

TEST_F(HostWindows, NoSpectrumWindowMeansNoPrint) {
  fakes::HostScript s;
  s.spectrumWindowOpen = false;
  fakes::Rig bare(s);
  PrintSpectra(*bare.p, 0);
  EXPECT_TRUE(bare.Lines({"post"}).empty());
  EXPECT_EQ(bare.loop.yields, 0);
}

// Whether a page was asked of the host: only once there was a spectrum window and the command reached it.
TEST_F(HostWindows, PrintingSaysWhetherAPageWasAskedOfTheHost) {
  EXPECT_TRUE(PrintPage(p, 0));
  EXPECT_EQ(rig.host->prints.size(), 1u);

  fakes::HostScript s;
  s.spectrumWindowOpen = false;
  fakes::Rig bare(s);
  EXPECT_FALSE(PrintPage(*bare.p, 0));

  // The bridge still names a spectrum window that has gone: the command reaches nothing.
  fakes::Rig stale;
  stale.desktop.RemoveWindow(stale.host->spectrumWindow);
  EXPECT_FALSE(PrintPage(*stale.p, 0));
  EXPECT_TRUE(stale.host->prints.empty());
}

TEST_F(HostWindows, ChromatogramTitleWithAnEmptyNameHasEmptyBrackets) {
  rig.host->script.globalFileResult = 0;
  EXPECT_EQ(ChromatogramTitle(p, kTrue), "Chromatogram - []");
  EXPECT_EQ(ChromatogramTitle(p, kFalse), "Chromatogram");
  rig.host->script.globalFileResult = 1;
  EXPECT_EQ(ChromatogramTitle(p, kTrue), "Chromatogram - [SAMPLE01]");
}

TEST_F(HostWindows, ClosingTheChromatogramPrefersThePlainTitleAndClosesOnlyOne) {
  const Hwnd plain = rig.desktop.AddWindow("Chromatogram");
  const Hwnd withFile = rig.desktop.AddWindow("Chromatogram - [SAMPLE01]");
  EXPECT_EQ(CloseChromatogramWindow(p), kTrue);
  EXPECT_FALSE(rig.desktop.IsWindow(plain));
  EXPECT_TRUE(rig.desktop.IsWindow(withFile));
  EXPECT_EQ(rig.Lines({"post"}), Lines{"post WM_CLOSE to 'Chromatogram'"});
}

TEST_F(HostWindows, ClosingTheChromatogramWithTheFileTitle) {
  fakes::HostScript s;
  s.chromatogramWindowOpen = true;
  fakes::Rig open(s);
  EXPECT_EQ(CloseChromatogramWindow(*open.p), kTrue);
  EXPECT_EQ(open.host->chromatogramWindow, 0u);
  EXPECT_EQ(open.Lines({"post"}), Lines{"post WM_CLOSE to 'Chromatogram - [SAMPLE01]'"});
}

TEST_F(HostWindows, NoChromatogramWindowMeansNothingPostedAndTrue) {
  EXPECT_EQ(CloseChromatogramWindow(p), kTrue);
  EXPECT_TRUE(rig.Lines({"post"}).empty());
}

TEST_F(HostWindows, CloseByTitleTrimsForTheLookupButWaitsOnTheTitleAsGiven) {
  const Hwnd w = rig.desktop.AddWindow("Chromatogram");
  EXPECT_EQ(CloseWindowByTitle(p, "Chromatogram "), kTrue);
  EXPECT_EQ(rig.loop.yields, 0);  // no window has the untrimmed title: no wait
  EXPECT_EQ(rig.Lines({"post"}), Lines{"post WM_CLOSE to 'Chromatogram'"});
  rig.world.Advance(1);
  EXPECT_FALSE(rig.desktop.IsWindow(w));
  EXPECT_EQ(CloseWindowByTitle(p, "Chromatogram"), kFalse);
}

TEST_F(HostWindows, OpenDialogReturnsAnOpenDialogWithoutPosting) {
  const Hwnd chromatogram = rig.desktop.AddWindow("Chromatogram - [SAMPLE01]");
  const Hwnd dialog = rig.desktop.AddWindow("Combine Spectrum", chromatogram);
  EXPECT_EQ(OpenDialogByCommand(p, chromatogram, 354, "Combine Spectrum", 5, kFalse), dialog);
  EXPECT_EQ(OpenDialogByCommand(p, chromatogram, 354, "Combine Spectrum", 5, kTrue), dialog);
  EXPECT_TRUE(rig.Lines({"post"}).empty());
}

TEST_F(HostWindows, OpenDialogOnSomethingThatIsNoWindowDoesNothing) {
  EXPECT_EQ(OpenDialogByCommand(p, 0xDEAD, 354, "Combine Spectrum", 5, kFalse), 0u);
  EXPECT_TRUE(rig.Lines({"post"}).empty());
  EXPECT_EQ(rig.loop.yields, 0);
}

// A window with the dialog's title that another window owns: only the owned look-up passes it by, before
// the command and while waiting for the host's own dialog.
TEST_F(HostWindows, OpenDialogWantsTheOwnerOnlyWhenAskedTo) {
  for (Integer ownedOnly : {kTrue, kFalse}) {
    fakes::HostScript s;
    s.chromatogramWindowOpen = true;
    fakes::Rig open(s);
    const Hwnd stranger = open.desktop.AddWindow("Combine Spectrum", open.desktop.AddWindow("Other Program"));
    const Hwnd found = OpenDialogByCommand(*open.p, open.host->chromatogramWindow, 354, "Combine Spectrum", 5, ownedOnly);
    EXPECT_EQ(found, ownedOnly ? open.host->dialog : stranger) << ownedOnly;
    EXPECT_NE(found, 0u);
    EXPECT_EQ(open.Count("post WM_COMMAND 354"), ownedOnly ? 1u : 0u) << ownedOnly;
  }
}

TEST_F(HostWindows, OpenDialogPostsTheCommandAndWaitsForTheDialog) {
  fakes::HostScript s;
  s.chromatogramWindowOpen = true;
  fakes::Rig open(s);
  const Hwnd dialog = OpenDialogByCommand(*open.p, open.host->chromatogramWindow, 354, "Combine Spectrum", 5, kTrue);
  EXPECT_EQ(dialog, open.host->dialog);
  EXPECT_EQ(open.Lines({"post"}), Lines{"post WM_COMMAND 354 to 'Chromatogram - [SAMPLE01]'"});
}

// The dialog's limit counts from the post: a dialog that never opens is given up at the first poll more
// than five whole seconds after it, and the About box open during the first yield uses the limit up
// instead of putting off its start. Each row: how long the About box stays open in the first yield, when
// the host shows the dialog (it reads the command in that yield, 10 ms after the post; 0: never), whether
// the dialog is taken, and when the wait ends, counted from the post.
TEST(OpenDialogLimit, CountsFromThePost) {
  struct Row {
    const char* what;
    std::int64_t aboutBoxMs;
    std::int64_t dialogMs;
    bool taken;
    std::int64_t endsMs;
  };
  const Row rows[] = {
      {"no About box, dialog at 30 ms", 0, 20, true, 30},
      {"never opens", 0, 0, false, 6000},
      {"About box for 10 s, dialog at 9 s", 10'000, 8'990, true, 10'010},
      {"About box for 10 s, dialog at 12 s", 10'000, 11'990, false, 10'010},
      {"About box for 3 s, dialog at 6.5 s", 3'000, 6'490, false, 6000},
  };
  for (const Row& row : rows) {
    fakes::HostScript s;
    s.chromatogramWindowOpen = true;
    s.faults.DialogNeverOpens = row.dialogMs == 0;
    s.openDialogMs = row.dialogMs;
    fakes::Rig rig(s);
    rig.loop.onYield = [&](int n) {
      if (n == 1) rig.world.Advance(row.aboutBoxMs);
    };
    const std::int64_t postedAt = rig.clock.now;  // nothing before the post lets time pass
    const Hwnd found = OpenDialogByCommand(*rig.p, rig.host->chromatogramWindow, 354, "Combine Spectrum", 5, kTrue);
    EXPECT_EQ(found != 0, row.taken) << row.what;
    EXPECT_EQ(rig.clock.now - postedAt, row.endsMs) << row.what;
  }
}

TEST_F(HostWindows, OpenChromatogramRunsTheLaunchCommandOnlyWithAMainWindow) {
  fakes::HostScript s;
  s.mainWindowOpen = false;
  fakes::Rig headless(s);
  EXPECT_EQ(OpenChromatogramWindow(*headless.p), 0u);
  EXPECT_EQ(headless.Count("IonvaneCommand"), 0u);

  const Hwnd w = OpenChromatogramWindow(p);
  EXPECT_EQ(w, rig.host->chromatogramWindow);
  EXPECT_EQ(rig.Lines({"IonvaneCommand"}), Lines{"IonvaneCommand app.launch[default:Chro]() 5000"});
}

TEST_F(HostWindows, AnOpenChromatogramIsFoundAtTheFirstPollAfterTheCommand) {
  fakes::HostScript s;
  s.chromatogramWindowOpen = true;
  fakes::Rig open(s);
  EXPECT_EQ(OpenChromatogramWindow(*open.p), open.host->chromatogramWindow);
  EXPECT_EQ(open.Count("IonvaneCommand"), 1u);
  EXPECT_EQ(open.loop.yields, 0);
}

TEST_F(HostWindows, OpenChromatogramFallsBackToThePlainTitleAfterFiveSeconds) {
  rig.host->script.faults.ChromatogramNeverOpens = true;
  Hwnd plain = 0;
  rig.world.After(5500, [&] { plain = rig.desktop.AddWindow("Chromatogram"); });
  const std::int64_t start = rig.clock.now;
  EXPECT_EQ(OpenChromatogramWindow(p), plain);
  EXPECT_GE(rig.clock.now - start, 6000);  // the first wait ran out first

  rig.desktop.RemoveWindow(plain);
  EXPECT_EQ(OpenChromatogramWindow(p), 0u);
}

TEST_F(HostWindows, CloseHostWindowWaitsUntilTheBridgeReportsNone) {
  CloseHostWindow(p, 2);
  EXPECT_EQ(rig.host->secondaryWindow, 0u);
  EXPECT_EQ(rig.Lines({"post", "peak list"}), (Lines{"post WM_CLOSE to 'Peak List - [SAMPLE01]'", "peak list closed"}));
  rig.journal.clear();
  CloseHostWindow(p, 2);  // none left: nothing posted, no wait
  EXPECT_TRUE(rig.Lines({"post"}).empty());
}

TEST_F(HostWindows, SetControlTextSendsTheTextThenLetsCancelAct) {
  const Hwnd dialog = rig.desktop.AddWindow("Combine Spectrum");
  const Hwnd edit = rig.desktop.AddControl(dialog, 308);
  EXPECT_EQ(SetControlText(p, edit, "49:51"), 1);
  EXPECT_EQ(rig.desktop.ControlText(edit), "49:51");
  EXPECT_EQ(SetControlText(p, 0, "x"), 0);  // a missing control: nothing set
  // A Cancel click that arrived meanwhile ends the run at the yield that follows the text.
  rig.status->cancelClicked = true;
  EXPECT_THROW(SetControlText(p, edit, "1"), CancelRequested);
  EXPECT_EQ(rig.desktop.ControlText(edit), "1");
}

}  // namespace
}  // namespace apexer
