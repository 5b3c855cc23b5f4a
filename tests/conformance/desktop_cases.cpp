#include <algorithm>
#include <cstring>
#include <vector>

#include "conformance/conformance.h"

namespace apexer::conformance {
namespace {

std::string Title(platform::Desktop& d, Hwnd w, int maxCount, int* returned = nullptr) {
  std::string buffer(80, ' ');
  const int n = d.GetWindowTextA(w, buffer.data(), maxCount);
  if (returned != nullptr) *returned = n;
  return buffer;
}

std::vector<Hwnd> WalkDown(platform::Desktop& d) { return d.ListTopLevel().zOrder; }

std::ptrdiff_t Position(const std::vector<Hwnd>& list, Hwnd w) {
  const auto it = std::find(list.begin(), list.end(), w);
  return it == list.end() ? -1 : it - list.begin();
}

void FindWindowIgnoresCase(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  EXPECT_EQ(world.Desk().FindWindowA("CONFORMANCE ALPHA"), a);
}

void FindWindowWantsTheWholeTitle(DesktopWorld& world) {
  world.Open("Conformance Alpha", 0);
  EXPECT_EQ(world.Desk().FindWindowA("Conformance"), Hwnd{0});
}

void FindWindowOfAnAbsentTitle(DesktopWorld& world) {
  world.Open("Conformance Alpha", 0);
  EXPECT_EQ(world.Desk().FindWindowA("No Such Window 7f3a"), Hwnd{0});
}

void FindWindowOfNoTitleFindsAnUntitledWindow(DesktopWorld& world) {
  const Hwnd blank = world.Desk().FindWindowA("");
  EXPECT_NE(blank, Hwnd{0}) << "FindWindowA(\"\") finds a window";
  int n = -1;
  Title(world.Desk(), blank, 80, &n);
  EXPECT_EQ(n, 0) << "the window FindWindowA(\"\") finds has an empty title";
}

void ListingStandsOnTheFirstUntitledWindow(DesktopWorld& world) {
  world.Open("Conformance Alpha", 0);
  const platform::TopLevelWindows look = world.Desk().ListTopLevel();
  EXPECT_EQ(look.firstUntitled, world.Desk().FindWindowA("")) << "the listing's first untitled window";
  EXPECT_GE(Position(look.zOrder, look.firstUntitled), 0) << "the first untitled window stands in its Z-order";
}

void ListingNamesEachWindowOnce(DesktopWorld& world) {
  world.Open("Conformance Alpha", 0);
  world.Open("Conformance Beta", 0);
  const std::vector<Hwnd> z = WalkDown(world.Desk());
  EXPECT_TRUE(std::all_of(z.begin(), z.end(), [&](Hwnd w) { return std::count(z.begin(), z.end(), w) == 1; }));
}

void NewerWindowsLieRightAboveTheOlder(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  const Hwnd b = world.Open("Conformance Beta", 0);
  const Hwnd c = world.Open("conformance gamma", 0);
  const std::vector<Hwnd> walk = WalkDown(world.Desk());
  EXPECT_GE(Position(walk, c), 0);
  EXPECT_EQ(Position(walk, b), Position(walk, c) + 1) << "beta right below gamma";
  EXPECT_EQ(Position(walk, a), Position(walk, b) + 1) << "alpha right below beta";
}

void TheNextListingSeesAWindowOpenedSince(DesktopWorld& world) {
  const Hwnd c = world.Open("conformance gamma", 0);
  WalkDown(world.Desk());
  const Hwnd delta = world.Open("Conformance Delta", 0);
  const std::vector<Hwnd> again = WalkDown(world.Desk());
  EXPECT_GE(Position(again, delta), 0);
  EXPECT_LT(Position(again, delta), Position(again, c)) << "delta above gamma";
}

void FindWindowOfASharedTitleGivesTheUpperWindow(DesktopWorld& world) {
  world.Open("Conformance Alpha", 0);
  const Hwnd twin = world.Open("Conformance Alpha", 0);
  EXPECT_EQ(world.Desk().FindWindowA("Conformance Alpha"), twin);
}

void GetWindowTextCopiesAtMost79Characters(DesktopWorld& world) {
  const std::string longTitle = "Conformance " + std::string(88, 'L');
  const Hwnd wide = world.Open(longTitle, 0);
  int n = -1;
  const std::string text = Title(world.Desk(), wide, 80, &n);
  EXPECT_EQ(n, 79);
  EXPECT_EQ(text.substr(0, 80), longTitle.substr(0, 79) + '\0') << "the text and its NUL";
}

void GetWindowTextOfAnEmptyTitle(DesktopWorld& world) {
  const Hwnd empty = world.Open("", 0);
  int n = -1;
  const std::string text = Title(world.Desk(), empty, 80, &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(text.substr(0, 2), std::string("\0 ", 2)) << "a NUL, and the rest left alone";
}

void GetWindowTextWithRoomForTheNulOnly(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  int n = -1;
  const std::string text = Title(world.Desk(), a, 1, &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(text[0], '\0') << "the NUL is written";
}

void GetParentOfOwnedUnownedAndControl(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  const Hwnd b = world.Open("Conformance Beta", 0);
  const Hwnd owned = world.Open("Conformance Owned", a);
  const Hwnd dialog = world.Open("Conformance Dialog", 0);
  const Hwnd field = world.AddControl(dialog, 308);
  platform::Desktop& d = world.Desk();
  EXPECT_EQ(d.GetParent(owned), a) << "an owned window's is its owner";
  EXPECT_EQ(d.GetParent(b), Hwnd{0}) << "an unowned window's is 0";
  EXPECT_EQ(d.GetParent(field), dialog) << "a control's is its dialog";
}

void TopLevelWindowsOwnedOrNotButNoControl(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  const Hwnd owned = world.Open("Conformance Owned", a);
  const Hwnd field = world.AddControl(world.Open("Conformance Dialog", 0), 308);
  platform::Desktop& d = world.Desk();
  EXPECT_TRUE(d.IsTopLevelWindow(a)) << "an unowned window";
  EXPECT_TRUE(d.IsTopLevelWindow(owned)) << "an owned window";
  EXPECT_FALSE(d.IsTopLevelWindow(field)) << "a control";
  EXPECT_FALSE(d.IsTopLevelWindow(0)) << "0";
}

void GetDlgItemFindsAControlByNumber(DesktopWorld& world) {
  const Hwnd dialog = world.Open("Conformance Dialog", 0);
  const Hwnd field = world.AddControl(dialog, 308);
  platform::Desktop& d = world.Desk();
  EXPECT_EQ(d.GetDlgItem(dialog, 308), field);
  EXPECT_EQ(d.GetDlgItem(dialog, 999), Hwnd{0}) << "an absent number";
  EXPECT_EQ(d.GetDlgItem(0, 308), Hwnd{0}) << "no dialog";
}

void WmSetTextToAControl(DesktopWorld& world) {
  const Hwnd field = world.AddControl(world.Open("Conformance Dialog", 0), 308);
  platform::Desktop& d = world.Desk();
  EXPECT_EQ(d.SendMessageA(field, platform::kWmSetText, 0, "12.5"), 1) << "returns 1";
  const std::string fieldText = Title(d, field, 80).substr(0, 5);
  if (!world.OtherProcess()) {
    EXPECT_EQ(fieldText, std::string("12.5\0", 5)) << "the control's text changes";
  } else {
    // Known difference: across processes GetWindowTextA reads a control's caption, which an edit control's
    // WM_SETTEXT leaves alone. The program writes the host's fields and never reads them.
    EXPECT_EQ(fieldText, std::string("\0    ", 5)) << "GetWindowTextA reads the caption, not the text";
    EXPECT_EQ(world.TextAsItsOwnerReadsIt(field), "12.5") << "the control's text changes";
  }
}

void WmSetTextRenamesAWindow(DesktopWorld& world) {
  const Hwnd b = world.Open("Conformance Beta", 0);
  platform::Desktop& d = world.Desk();
  EXPECT_EQ(d.SendMessageA(b, platform::kWmSetText, 0, "Conformance Renamed"), 1) << "returns 1";
  EXPECT_EQ(d.FindWindowA("conformance renamed"), b) << "found by its new title";
}

void MoveWindowAndGetWindowRect(DesktopWorld& world) {
  const Hwnd b = world.Open("Conformance Beta", 0);
  platform::Desktop& d = world.Desk();
  platform::PixelRect r;
  EXPECT_TRUE(d.MoveWindow(b, 100, 120, 200, 90, true)) << "MoveWindow succeeds";
  EXPECT_TRUE(d.GetWindowRect(b, r)) << "GetWindowRect succeeds";
  EXPECT_TRUE(r.left == 100 && r.top == 120 && r.right == 300 && r.bottom == 210)
      << "the moved rectangle: " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  EXPECT_FALSE(d.GetWindowRect(0, r)) << "GetWindowRect of no window fails";
}

void ATopMostWindowLiesAboveNewerWindows(DesktopWorld& world) {
  const Hwnd a = world.Open("Conformance Alpha", 0);
  const Hwnd newer = world.Open("Conformance Newer", 0);
  platform::Desktop& d = world.Desk();
  EXPECT_TRUE(d.SetWindowPos(a, platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize))
      << "SetWindowPos to the top-most band succeeds";
  const std::vector<Hwnd> after = WalkDown(d);
  EXPECT_GE(Position(after, a), 0);
  EXPECT_LT(Position(after, a), Position(after, newer));
}

void AWindowOpenedAfterATopMostOneGoesBelowIt(DesktopWorld& world) {
  // A window of its own: Wine 8 leaves an owner of popups out of the top-most band.
  const Hwnd top = world.Open("Conformance Top", 0);
  platform::Desktop& d = world.Desk();
  d.SetWindowPos(top, platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize);
  const Hwnd later = world.Open("Conformance Later", 0);
  const std::vector<Hwnd> band = WalkDown(d);
  EXPECT_GE(Position(band, later), 0);
  EXPECT_LT(Position(band, top), Position(band, later));
}

bool SameRect(const platform::PixelRect& a, const platform::PixelRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void WorkAreaOfTheNearestMonitor(DesktopWorld& world) {
  platform::Desktop& d = world.Desk();
  platform::PixelRect onScreen;
  platform::PixelRect farOff;
  EXPECT_TRUE(d.GetNearestMonitorWorkArea({10, 10, 50, 50}, onScreen) && onScreen.left <= 10 && onScreen.top <= 10 &&
              onScreen.right >= 50 && onScreen.bottom >= 50)
      << "a rectangle on the screen lies in its monitor's work area";
  EXPECT_TRUE(d.GetNearestMonitorWorkArea({-30000, 60000, -29800, 60100}, farOff) && SameRect(farOff, onScreen))
      << "a rectangle far off the screen has the screen's monitor as its nearest";
}

void APostedWmCloseClosesAWindow(DesktopWorld& world) {
  const Hwnd c = world.Open("conformance gamma", 0);
  platform::Desktop& d = world.Desk();
  EXPECT_NE(d.PostMessageA(c, platform::kWmClose, 0, 0), 0) << "PostMessageA to a live window succeeds";
  world.Deliver();
  EXPECT_FALSE(d.IsWindow(c)) << "the window is closed";
  EXPECT_FALSE(d.IsTopLevelWindow(c)) << "a closed window is no top-level window";
  EXPECT_LT(Position(WalkDown(d), c), 0) << "a closed window is not listed";
  EXPECT_EQ(d.PostMessageA(c, platform::kWmClose, 0, 0), 0) << "PostMessageA to a closed window fails";
}

void IsWindowOfNoneAndOfALiveWindow(DesktopWorld& world) {
  const Hwnd b = world.Open("Conformance Beta", 0);
  EXPECT_FALSE(world.Desk().IsWindow(0));
  EXPECT_TRUE(world.Desk().IsWindow(b));
}

}  // namespace

std::vector<Case<DesktopWorld>> DesktopCases() {
  return {
      {"find_window_ignores_case", FindWindowIgnoresCase},
      {"find_window_wants_the_whole_title", FindWindowWantsTheWholeTitle},
      {"find_window_of_an_absent_title", FindWindowOfAnAbsentTitle},
      {"find_window_of_no_title_finds_an_untitled_window", FindWindowOfNoTitleFindsAnUntitledWindow},
      {"listing_stands_on_the_first_untitled_window", ListingStandsOnTheFirstUntitledWindow},
      {"listing_names_each_window_once", ListingNamesEachWindowOnce},
      {"newer_windows_lie_right_above_the_older", NewerWindowsLieRightAboveTheOlder},
      {"the_next_listing_sees_a_window_opened_since", TheNextListingSeesAWindowOpenedSince},
      {"find_window_of_a_shared_title_gives_the_upper_window", FindWindowOfASharedTitleGivesTheUpperWindow},
      {"get_window_text_copies_at_most_79_characters", GetWindowTextCopiesAtMost79Characters},
      {"get_window_text_of_an_empty_title", GetWindowTextOfAnEmptyTitle},
      {"get_window_text_with_room_for_the_nul_only", GetWindowTextWithRoomForTheNulOnly},
      {"get_parent_of_owned_unowned_and_control", GetParentOfOwnedUnownedAndControl},
      {"top_level_windows_owned_or_not_but_no_control", TopLevelWindowsOwnedOrNotButNoControl},
      {"get_dlg_item_finds_a_control_by_number", GetDlgItemFindsAControlByNumber},
      {"wm_settext_to_a_control", WmSetTextToAControl},
      {"wm_settext_renames_a_window", WmSetTextRenamesAWindow},
      {"move_window_and_get_window_rect", MoveWindowAndGetWindowRect},
      {"a_top_most_window_lies_above_newer_windows", ATopMostWindowLiesAboveNewerWindows},
      {"a_window_opened_after_a_top_most_one_goes_below_it", AWindowOpenedAfterATopMostOneGoesBelowIt},
      {"work_area_of_the_nearest_monitor", WorkAreaOfTheNearestMonitor},
      {"a_posted_wm_close_closes_a_window", APostedWmCloseClosesAWindow},
      {"is_window_of_none_and_of_a_live_window", IsWindowOfNoneAndOfALiveWindow},
  };
}

}  // namespace apexer::conformance
