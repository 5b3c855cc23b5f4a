// How long the yields block as the core drives them: what restarts the pacing (a request that has the host
// act, a window the host makes, a press on the program's windows), what leaves it alone (a question polled
// in a wait), what blocks up to the cap at once (a window awaited to appear), and the work between polls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/host_windows.h"
#include "common/message_loop.h"
#include "fakes/rig.h"
#include "shell/startup.h"

namespace apexer {
namespace {

using Lines = std::vector<std::string>;
using Kind = platform::HostRequest::Kind;
constexpr platform::HostRequest kPostClose{Kind::Post, platform::kWmClose, 0};

// The pacing log from its first entry that starts with `from`.
Lines From(const Lines& log, const std::string& from) {
  for (auto it = log.begin(); it != log.end(); ++it) {
    if (it->rfind(from, 0) == 0) return Lines(it, log.end());
  }
  return {};
}

Lines Yields(fakes::Rig& rig, int n, platform::Awaiting awaiting = platform::Awaiting::WindowToGo) {
  rig.loop.pacing.clear();
  for (int i = 0; i < n; ++i) YieldToMessageLoop(*rig.p, awaiting);
  return rig.loop.pacing;
}

TEST(YieldPacing, ARequestThatHasTheHostActRestartsTheBlocksAtNoneAndIsTold) {
  fakes::Rig rig;
  Yields(rig, 8);
  BeforeHostRequest(*rig.p, kPostClose);
  EXPECT_EQ(rig.loop.pacing.back(), "post 16");
  EXPECT_EQ(Yields(rig, 6), (Lines{"block 0", "block 1", "block 2", "block 4", "block 4", "block 4"}));
}

// A poll such as GetApplicationWnd, inside the wait for a window to close, is a question: were it taken
// for a request, the wait would never block and spin on the host.
TEST(YieldPacing, AQuestionPolledInAWaitLeavesThePacingAlone) {
  fakes::Rig rig;
  Yields(rig, 8);
  BeforeHostRequest(*rig.p, kHostQuestion);
  EXPECT_EQ(Yields(rig, 2), (Lines{"block 4", "block 4"}));

  fakes::HostScript slowClose;
  slowClose.closeMs = 60;
  fakes::Rig closing(slowClose);
  CloseHostWindow(*closing.p, 1);
  EXPECT_EQ(From(closing.loop.pacing, "post"), (Lines{"post 16", "block 0", "block 1", "block 2", "block 4",
                                                      "block 4", "block 4", "block 4"}));
}

TEST(YieldPacing, AWaitForAWindowToAppearBlocksUpToTheCapAtOnceWhereNewWindowsWakeIt) {
  fakes::HostScript open;
  open.chromatogramWindowOpen = true;
  open.openDialogMs = 35;
  fakes::Rig rig(open);
  OpenDialogByCommand(*rig.p, rig.host->chromatogramWindow, 354, "Combine Spectrum", 5, kFalse);
  EXPECT_EQ(From(rig.loop.pacing, "post"),
            (Lines{"post 273 354", "block 4", "block 4", "block 4", "block 4", "block 4"}));

  // Without a desktop hook nothing would end such a block early: the wait polls as for a window to go.
  fakes::Rig unhooked(open);
  unhooked.loop.newWindowsWake = false;
  OpenDialogByCommand(*unhooked.p, unhooked.host->chromatogramWindow, 354, "Combine Spectrum", 5, kFalse);
  EXPECT_EQ(From(unhooked.loop.pacing, "post"),
            (Lines{"post 273 354", "block 0", "block 1", "block 2", "block 4", "block 4"}));
}

TEST(YieldPacing, AWindowAnotherProgramMakesOrAPressOnTheProgramsWindowsRestartsIt) {
  fakes::Rig rig;
  Yields(rig, 8);
  rig.desktop.AddWindow("Printing...");
  EXPECT_EQ(Yields(rig, 3), (Lines{"block 0", "block 1", "block 2"}));

  rig.loop.press = fakes::FakeLoop::Press{rig.clock.now + 5, rig.clock.now + 25};
  EXPECT_EQ(Yields(rig, 4), (Lines{"block 0", "block 1", "block 0", "block 1"}));  // seen down, seen up
}

// The program's work between two yields is timed on its one clock: a poll that reads every window's
// title is spaced out to about a hundred times its cost, a cheap one to the least cap.
TEST(YieldPacing, ThePollsWorkSpacesTheBlocksOut) {
  fakes::Rig rig;
  BeforeHostRequest(*rig.p, kPostClose);
  rig.loop.pacing.clear();
  for (int i = 0; i < 11; ++i) {
    YieldToMessageLoop(*rig.p, platform::Awaiting::WindowToGo);
    rig.clock.now += 2;  // a look at every window's title
  }
  EXPECT_EQ(rig.loop.pacing, (Lines{"block 0", "block 1", "block 2", "block 4", "block 8", "block 16", "block 32",
                                    "block 64", "block 128", "block 200", "block 200"}));
}

// Every message posted or sent to the host and every host command is told to the platform before it is
// made, in the host's order, and nothing else is: the measuring build's stretches and the pacing both
// rest on it.
TEST(YieldPacing, AWholeRunTellsEveryRequestThatHasTheHostActAndNoQuestion) {
  fakes::HostScript s;
  s.apexScans = {10, 20, 30, 40, 50, 60, 70};
  fakes::Rig rig(s);
  rig.profiles.SetText(R"(D:\Tools\Apexer.INI)", "[Combine]\nChroDesc=TIC\n");
  ASSERT_EQ(Main(*rig.p, rig.record), kExitDone);

  Lines told;
  for (const std::string& entry : rig.loop.pacing) {
    if (entry.rfind("block", 0) != 0) told.push_back(entry);
  }
  Lines made;
  for (const std::string& line : rig.Lines({"post ", "send ", "IonvaneCommand"})) {
    if (line.rfind("IonvaneCommand", 0) == 0) {
      made.push_back("command");
    } else {
      const std::string how = line.substr(0, 4);
      const std::string what = line.substr(5, line.find(' ', 5) - 5);
      const std::string rest = line.substr(line.find(' ', 5) + 1);
      if (what == "WM_CLOSE") made.push_back(how + " 16");
      if (what == "WM_SETTEXT") made.push_back(how + " 12");
      if (what == "WM_COMMAND") made.push_back(how + " 273 " + rest.substr(0, rest.find(' ')));
    }
  }
  // Both windows closed; per peak the launch command, the dialog's command, four texts and OK; per print its
  // command and the spectrum window closed; the peak-list window closed.
  ASSERT_EQ(made.size(), 2u + 7 * 7 + 2 * 2 + 1u);
  EXPECT_EQ(told, made);
}

}  // namespace
}  // namespace apexer
