#include "automation/window_lookup.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/text.h"
#include "fakes/rig.h"

namespace apexer {
namespace {

fakes::HostScript NoHost() {
  fakes::HostScript s;
  s.mainWindowOpen = s.spectrumWindowOpen = s.secondaryWindowOpen = false;
  return s;
}

class WindowLookup : public ::testing::Test {
 protected:
  fakes::Rig rig{NoHost()};
  fakes::FakeDesktop& desktop = rig.desktop;
};

TEST_F(WindowLookup, ListingWalksUpFromTheFirstEmptyTitleThenDownTheWholeZOrder) {
  const Hwnd low = desktop.AddWindow("low");
  const Hwnd owned = desktop.AddWindow("  Printing...", low);
  const Hwnd longTitle = desktop.AddWindow(std::string(100, 'L'));
  std::vector<WindowEntry> list;
  const Integer n = ListTopLevelWindows(desktop, list);
  ASSERT_EQ(n, static_cast<Integer>(desktop.ZOrder().size()));
  for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].Handle, desktop.ZOrder()[i]);
  EXPECT_EQ(list[0].Handle, longTitle);
  EXPECT_EQ(CutAtNull(list[0].Title), std::string(79, 'L'));  // cut to 79
  EXPECT_EQ(list[1].Handle, owned);
  EXPECT_EQ(CutAtNull(list[1].Title), "Printing...");  // leading spaces trimmed
  EXPECT_EQ(list[1].Parent, low);
  EXPECT_EQ(list[2].Parent, 0u);
}

TEST_F(WindowLookup, TrailingSpacesOfATitleStay) {
  desktop.AddWindow("Chromatogram ");
  std::vector<WindowEntry> list;
  ListTopLevelWindows(desktop, list);
  EXPECT_EQ(CutAtNull(list[0].Title), "Chromatogram ");
  EXPECT_EQ(FindWindowByTitle(desktop, "Chromatogram "), list[0].Handle);
}

TEST_F(WindowLookup, NoEmptyTitleMeansAnEmptyList) {
  fakes::FakeDesktop bare;
  bare.AddWindow("only");
  std::vector<WindowEntry> list;
  EXPECT_EQ(ListTopLevelWindows(bare, list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(FindWindowByTitle(bare, "only"), 0u);
}

// The window with an empty title closed between the two halves of the look: the walk that starts at it
// finds no neighbours and lists it alone, with the empty title a closed window reads.
TEST(WindowListing, AStartingWindowClosedSinceTheLookIsListedAlone) {
  struct Racing : fakes::FakeDesktop {
    platform::TopLevelWindows ListTopLevel() override {
      platform::TopLevelWindows look = FakeDesktop::ListTopLevel();
      look.firstUntitled = 0xDEAD0;
      return look;
    }
  } desktop;
  desktop.AddWindow("Combine Spectrum");
  std::vector<WindowEntry> list;
  ASSERT_EQ(ListTopLevelWindows(desktop, list), 1);
  EXPECT_EQ(list[0].Handle, 0xDEAD0u);
  EXPECT_EQ(CutAtNull(list[0].Title), "");
  EXPECT_EQ(FindWindowByTitle(desktop, "Combine Spectrum"), 0u);
}

// Windows 8 and later leave the windows of Store apps out of the enumeration, while FindWindowA("") may
// still start the walk at one. The walk from a live window reaches the whole Z-order, so nothing is lost.
TEST(WindowListing, ALiveStartingWindowLeftOutOfTheEnumerationKeepsTheWholeList) {
  struct HidingStoreApps : fakes::FakeDesktop {
    platform::TopLevelWindows ListTopLevel() override {
      platform::TopLevelWindows look = FakeDesktop::ListTopLevel();
      look.zOrder.erase(std::find(look.zOrder.begin(), look.zOrder.end(), storeApp));
      look.firstUntitled = storeApp;
      return look;
    }
    Hwnd storeApp = 0;
  } desktop;
  desktop.AddWindowAtBottom("");
  const Hwnd dialog = desktop.AddWindow("Combine Spectrum");
  const Hwnd chromatogram = desktop.AddWindow("Chromatogram - [SAMPLE01]");
  desktop.storeApp = desktop.AddWindow("");
  std::vector<WindowEntry> list;
  EXPECT_EQ(ListTopLevelWindows(desktop, list), 3);
  EXPECT_EQ(FindWindowByTitle(desktop, "Combine Spectrum"), dialog);
  EXPECT_EQ(FindWindowByTitle(desktop, "Chromatogram"), chromatogram);
  EXPECT_EQ(FindOwnedWindowByTitle(desktop, 0, "Combine"), dialog);
}

// Windows stacked top first; when newestOnTop is false the upper windows are the older ones, so neither
// the handles' order nor the order of creation can stand in for the Z-order.
std::vector<Hwnd> Stack(fakes::FakeDesktop& desktop, const std::vector<std::string>& topFirst, bool newestOnTop) {
  std::vector<Hwnd> handles(topFirst.size());
  for (std::size_t k = 0; k < topFirst.size(); ++k) {
    const std::size_t i = newestOnTop ? topFirst.size() - 1 - k : k;
    handles[i] = desktop.AddWindow(topFirst[i]);
  }
  if (!newestOnTop) {
    for (std::size_t k = topFirst.size(); k-- > 0;) desktop.RaiseToTop(handles[k]);
  }
  return handles;
}

TEST(WindowLookupRules, ExactTitleFirstThenTheEarliestSubstringThenTheUpperWindow) {
  struct Row {
    std::vector<std::string> topFirst;
    const char* wanted;
    int expected;  // index into topFirst, -1 for none
  };
  const Row rows[] = {
      {{"Mass Chromatogram", "Chromatogram Data Browser"}, "Chromatogram", 1},  // position 1 beats 6
      {{"Chromatogram Data Browser", "Mass Chromatogram"}, "Chromatogram", 0},
      {{"XChromatogram", "Chromatogram X"}, "Chromatogram", 1},  // 1 beats 2
      {{"Chromatogram X", "XChromatogram"}, "Chromatogram", 0},
      {{"Chromatogram Data Browser", "Chromatogram - "}, "Chromatogram", 0},  // equal: the upper one
      {{"Chromatogram - ", "Chromatogram Data Browser"}, "Chromatogram", 0},
      {{"Combine Spectrum Options", "Combine Spectrum"}, "combine spectrum", 1},  // exact, wherever it stands
      {{"Mass Chromatogram"}, "chromatogram", 0},  // a match that ends the title
      {{"Chromatogra", "Mass Chromatogra"}, "Chromatogram", -1},
  };
  for (const Row& row : rows) {
    for (bool newestOnTop : {true, false}) {
      fakes::Rig rig{NoHost()};
      const std::vector<Hwnd> handles = Stack(rig.desktop, row.topFirst, newestOnTop);
      const Hwnd expected = row.expected < 0 ? 0 : handles[static_cast<std::size_t>(row.expected)];
      EXPECT_EQ(FindWindowByTitle(rig.desktop, row.wanted), expected)
          << row.topFirst[0] << " | " << row.wanted << (newestOnTop ? "" : " (oldest on top)");
    }
  }
}

TEST_F(WindowLookup, OwnedLookupIgnoresWindowsOfOtherOwners) {
  const Hwnd owner = desktop.AddWindow("Chromatogram - [S]");
  const Hwnd stranger = desktop.AddWindow("Other");
  desktop.AddWindow("Combine Spectrum", stranger);
  const Hwnd mine = desktop.AddWindow("Combine Spectrum (2)", owner);
  EXPECT_EQ(FindOwnedWindowByTitle(desktop, owner, "Combine Spectrum"), mine);
  EXPECT_EQ(FindOwnedWindowByTitle(desktop, desktop.AddWindow("nobody"), "Combine Spectrum"), 0u);
}

TEST_F(WindowLookup, TitlesBeyond79CharactersMatchOnlyAsSubstrings) {
  const std::string title = std::string(75, 'x') + "ABCDEFGH";
  const Hwnd w = desktop.AddWindow(title);
  EXPECT_EQ(FindWindowByTitle(desktop, title), 0u);
  EXPECT_EQ(FindWindowByTitle(desktop, "xABCD"), w);
  EXPECT_EQ(FindWindowByTitle(desktop, "ABCDE"), 0u);  // the fifth letter lies past the cut
}

TEST_F(WindowLookup, WaitsEndOnlyWhenMoreWholeSecondsThanTheLimitHavePassed) {
  for (Integer limit : {Integer{5}, Integer{120}}) {
    const std::int64_t start = rig.clock.now;
    EXPECT_EQ(WaitForWindow(*rig.p, "never", limit), 0u);
    const std::int64_t elapsed = rig.clock.now - start;
    EXPECT_GE(elapsed, (limit + 1) * 1000);
    EXPECT_LT(elapsed, (limit + 1) * 1000 + 50);
  }
}

TEST_F(WindowLookup, AWaitLooksAtLeastOnceAndYieldsBetweenPolls) {
  const Hwnd there = desktop.AddWindow("Here");
  EXPECT_EQ(WaitForWindow(*rig.p, "Here", -1), there);
  EXPECT_EQ(rig.loop.yields, 0);
  EXPECT_EQ(WaitForWindow(*rig.p, "Absent", -1), 0u);
  EXPECT_EQ(rig.loop.yields, 0);  // the limit was already exceeded at the first poll
}

TEST_F(WindowLookup, WaitForWindowExactReturnsAWindowThatOpensDuringTheWait) {
  Hwnd opened = 0;
  rig.world.After(2500, [&] { opened = desktop.AddWindow("Late"); });
  EXPECT_EQ(WaitForWindowExact(*rig.p, "Late", 5), opened);
  EXPECT_NE(opened, 0u);
  EXPECT_LT(rig.clock.now - 1'000'000, 2600);
  EXPECT_EQ(rig.loop.lastAwaiting, platform::Awaiting::WindowToAppear);  // the yield may sleep until it comes
}

TEST_F(WindowLookup, WaitForOwnedWindowWantsTheOwner) {
  const Hwnd owner = desktop.AddWindow("Owner");
  rig.world.After(100, [&] { desktop.AddWindow("Dialog"); });
  Hwnd mine = 0;
  rig.world.After(300, [&] { mine = desktop.AddWindow("Dialog", owner); });
  EXPECT_EQ(WaitForOwnedWindow(*rig.p, owner, "Dialog", 5), mine);
  EXPECT_NE(mine, 0u);
}

TEST_F(WindowLookup, WaitUntilGoneReturnsAtOnceWithoutTheWindowAndYieldsWhileItStays) {
  WaitUntilWindowGone(*rig.p, "nothing like this");
  EXPECT_EQ(rig.loop.yields, 0);
  const Hwnd w = desktop.AddWindow("Spectrum Combine");
  rig.world.After(1000, [&] { desktop.RemoveWindow(w); });
  WaitUntilWindowGone(*rig.p, "Spectrum Combine");
  EXPECT_GE(rig.loop.yields, 90);
  EXPECT_EQ(rig.loop.lastAwaiting, platform::Awaiting::WindowToGo);  // nothing announces it: poll
}

TEST_F(WindowLookup, WaitUntilGoneEndsOnlyWhenNoWindowHasTheTitle) {
  // The window found first loses its title, but another one carries it: the wait goes on.
  const Hwnd first = desktop.AddWindow("Printing...");
  const Hwnd second = desktop.AddWindowAtBottom("printing...");
  rig.world.After(100, [&] { desktop.SetTitle(first, "Done"); });
  rig.world.After(300, [&] { desktop.RemoveWindow(second); });
  WaitUntilWindowGone(*rig.p, "Printing...");
  EXPECT_GE(rig.clock.now - 1'000'000, 300);
  EXPECT_LT(rig.clock.now - 1'000'000, 320);
}

// A window that keeps the title, compared as the exact look-up compares, keeps the wait going; any other
// title ends it like a window that closes. Each row renames the window at 50 ms and closes it at 300 ms.
TEST(WindowGoneRules, ARenamedWindowEndsTheWaitUnlessItStillHasTheTitle) {
  const std::pair<const char*, std::int64_t> rows[] = {
      {"Spectrum", 50}, {"Spectrum Combine 2", 50}, {"Spectrum Combin", 50}, {" Spectrum Combine", 50},
      {"SPECTRUM COMBINE", 300}, {"Spectrum Combine", 300},
  };
  for (const auto& [renamed, endsAfter] : rows) {
    fakes::Rig rig{NoHost()};
    const Hwnd w = rig.desktop.AddWindow("Spectrum Combine");
    rig.world.After(50, [&, r = renamed] { rig.desktop.SetTitle(w, r); });
    rig.world.After(300, [&] { rig.desktop.RemoveWindow(w); });
    const std::int64_t start = rig.clock.now;
    const int lookups = rig.desktop.lookups;
    WaitUntilWindowGone(*rig.p, "Spectrum Combine");
    EXPECT_GE(rig.clock.now - start, endsAfter) << renamed;
    EXPECT_LT(rig.clock.now - start, endsAfter + 20) << renamed;
    // The cheap poll watches the window found first; the desktop is searched again only once it fails.
    EXPECT_LE(rig.desktop.lookups - lookups, 2) << renamed;
  }
}

// The window closes and its handle comes back at once on a control with the same text: the exact look-up
// sees top-level windows only, so the wait ends.
TEST_F(WindowLookup, WaitUntilGoneEndsWhenTheHandleComesBackOnAControl) {
  const Hwnd dialog = desktop.AddWindow("Combine Spectrum");
  const Hwnd printing = desktop.AddWindow("Printing...");
  rig.world.After(100, [&] {
    desktop.RemoveWindow(printing);
    desktop.ReuseHandle(printing);
    desktop.SetTitle(desktop.AddControl(dialog, 176), "Printing...");
  });
  const std::int64_t start = rig.clock.now;
  WaitUntilWindowGone(*rig.p, "Printing...");
  EXPECT_EQ(rig.clock.now - start, 100);
}

TEST_F(WindowLookup, DialogItemWaitDoesNotYieldAndGivesUpAfterFiveSeconds) {
  const std::int64_t start = rig.clock.now;
  rig.status->cancelClicked = true;  // not serviced: the program's windows wait until the poll is over
  EXPECT_EQ(WaitForDialogItem(*rig.p, 0, 308), 0u);
  EXPECT_GT(rig.clock.now - start, 5000);
  EXPECT_LT(rig.clock.now - start, 5010);
  EXPECT_GT(rig.loop.pauses, 0);
  rig.status->cancelClicked = false;

  const Hwnd dialog = desktop.AddWindow("Combine Spectrum");
  Hwnd control = 0;
  rig.world.After(30, [&] { control = desktop.AddControl(dialog, 308); });
  EXPECT_EQ(WaitForDialogItem(*rig.p, dialog, 308), control);
  EXPECT_NE(control, 0u);
}

TEST_F(WindowLookup, CancelDuringAWaitEndsTheWait) {
  rig.loop.onYield = [&](int n) {
    if (n == 3) rig.status->cancelClicked = true;
  };
  EXPECT_THROW(WaitForWindow(*rig.p, "never", 120), CancelRequested);
  EXPECT_EQ(rig.loop.yields, 3);
}

}  // namespace
}  // namespace apexer
