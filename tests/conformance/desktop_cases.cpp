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

}  // namespace

void RunDesktopCases(DesktopWorld& world, Failures& failures) {
  platform::Desktop& d = world.Desk();
  const Hwnd a = world.Open("Conformance Alpha", 0);
  const Hwnd b = world.Open("Conformance Beta", 0);
  const Hwnd c = world.Open("conformance gamma", 0);

  failures.Equal("FindWindowA ignores case", d.FindWindowA("CONFORMANCE ALPHA"), a);
  failures.Equal("FindWindowA wants the whole title", d.FindWindowA("Conformance"), Hwnd{0});
  failures.Equal("FindWindowA of an absent title", d.FindWindowA("No Such Window 7f3a"), Hwnd{0});
  const Hwnd blank = d.FindWindowA("");
  failures.True("FindWindowA(\"\") finds a window", blank != 0);
  int n = -1;
  Title(d, blank, 80, &n);
  failures.Equal("FindWindowA(\"\") finds a window whose title is empty", n, 0);

  const platform::TopLevelWindows look = d.ListTopLevel();
  failures.Equal("the listing's first untitled window is FindWindowA(\"\")'s", look.firstUntitled, blank);
  failures.True("the listing's first untitled window stands in its Z-order", Position(look.zOrder, blank) >= 0);
  failures.True("each window is listed once",
                std::all_of(look.zOrder.begin(), look.zOrder.end(), [&](Hwnd w) {
                  return std::count(look.zOrder.begin(), look.zOrder.end(), w) == 1;
                }));
  const std::vector<Hwnd>& walk = look.zOrder;
  failures.True("newer windows lie right above the older: gamma, beta, alpha one after another",
                Position(walk, c) >= 0 && Position(walk, b) == Position(walk, c) + 1 &&
                    Position(walk, a) == Position(walk, b) + 1);
  const Hwnd delta = world.Open("Conformance Delta", 0);
  const std::vector<Hwnd> again = WalkDown(d);
  failures.True("the next listing sees a window opened since, above gamma",
                Position(again, delta) >= 0 && Position(again, delta) < Position(again, c));

  const Hwnd twin = world.Open("Conformance Alpha", 0);
  failures.Equal("FindWindowA of a shared title gives the upper window", d.FindWindowA("Conformance Alpha"), twin);

  const std::string longTitle = "Conformance " + std::string(88, 'L');
  const Hwnd wide = world.Open(longTitle, 0);
  std::string text = Title(d, wide, 80, &n);
  failures.Equal("GetWindowTextA copies at most 79 characters", n, 79);
  failures.Equal("GetWindowTextA text and its NUL", text.substr(0, 80), longTitle.substr(0, 79) + '\0');
  const Hwnd empty = world.Open("", 0);
  text = Title(d, empty, 80, &n);
  failures.Equal("GetWindowTextA of an empty title returns 0", n, 0);
  failures.Equal("GetWindowTextA of an empty title writes a NUL and leaves the rest",
                 text.substr(0, 2), std::string("\0 ", 2));
  text = Title(d, a, 1, &n);
  failures.Equal("GetWindowTextA with room for the NUL only", n, 0);
  failures.Equal("GetWindowTextA with room for the NUL only writes it", text[0], '\0');

  const Hwnd owned = world.Open("Conformance Owned", a);
  failures.Equal("GetParent of an owned window is its owner", d.GetParent(owned), a);
  failures.Equal("GetParent of an unowned window is 0", d.GetParent(b), Hwnd{0});
  const Hwnd dialog = world.Open("Conformance Dialog", 0);
  const Hwnd field = world.AddControl(dialog, 308);
  failures.Equal("GetParent of a control is its dialog", d.GetParent(field), dialog);
  failures.True("an unowned window is top-level", d.IsTopLevelWindow(b));
  failures.True("an owned window is top-level", d.IsTopLevelWindow(owned));
  failures.True("a control is not top-level", !d.IsTopLevelWindow(field));
  failures.True("0 is not a top-level window", !d.IsTopLevelWindow(0));
  failures.Equal("GetDlgItem finds a control by number", d.GetDlgItem(dialog, 308), field);
  failures.Equal("GetDlgItem of an absent number", d.GetDlgItem(dialog, 999), Hwnd{0});
  failures.Equal("GetDlgItem of no dialog", d.GetDlgItem(0, 308), Hwnd{0});

  failures.Equal("WM_SETTEXT to a control returns 1", d.SendMessageA(field, platform::kWmSetText, 0, "12.5"), 1);
  const std::string fieldText = Title(d, field, 80).substr(0, 5);
  if (!world.OtherProcess()) {
    failures.Equal("WM_SETTEXT changes the control's text", fieldText, std::string("12.5\0", 5));
  } else {
    // Known difference: across processes GetWindowTextA reads a control's caption, which an edit control's
    // WM_SETTEXT leaves alone. The program writes the host's fields and never reads them.
    failures.Equal("GetWindowTextA of another process's control reads its caption, not its text", fieldText,
                   std::string("\0    ", 5));
    failures.Equal("WM_SETTEXT changes the control's text", world.TextAsItsOwnerReadsIt(field), std::string("12.5"));
  }
  failures.Equal("WM_SETTEXT to a window returns 1",
                 d.SendMessageA(b, platform::kWmSetText, 0, "Conformance Renamed"), 1);
  failures.Equal("a renamed window is found by its new title", d.FindWindowA("conformance renamed"), b);

  platform::PixelRect r;
  failures.True("MoveWindow succeeds", d.MoveWindow(b, 100, 120, 200, 90, true));
  failures.True("GetWindowRect succeeds", d.GetWindowRect(b, r));
  failures.True("GetWindowRect gives the moved rectangle",
                r.left == 100 && r.top == 120 && r.right == 300 && r.bottom == 210);
  failures.True("GetWindowRect of a destroyed-or-never window fails", !d.GetWindowRect(0, r));

  failures.True("SetWindowPos to the top-most band succeeds",
                d.SetWindowPos(a, platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize));
  const std::vector<Hwnd> after = WalkDown(d);
  failures.True("a top-most window lies above the newer windows",
                Position(after, a) >= 0 && Position(after, a) < Position(after, empty));
  // A window of its own: Wine 8 leaves an owner of popups out of the top-most band.
  const Hwnd top = world.Open("Conformance Top", 0);
  d.SetWindowPos(top, platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize);
  const Hwnd later = world.Open("Conformance Later", 0);
  const std::vector<Hwnd> band = WalkDown(d);
  failures.True("a window opened after a top-most one goes below it",
                Position(band, later) >= 0 && Position(band, top) < Position(band, later));

  platform::PixelRect onScreen;
  platform::PixelRect farOff;
  failures.True("the work area of the monitor nearest a window on the screen",
                d.GetNearestMonitorWorkArea({10, 10, 50, 50}, onScreen) && onScreen.left <= 10 && onScreen.top <= 10 &&
                    onScreen.right >= 50 && onScreen.bottom >= 50);
  failures.True("a rectangle far off the screen has the screen's monitor as its nearest",
                d.GetNearestMonitorWorkArea({-30000, 60000, -29800, 60100}, farOff) && farOff.left == onScreen.left &&
                    farOff.top == onScreen.top && farOff.right == onScreen.right && farOff.bottom == onScreen.bottom);

  failures.True("PostMessageA to a live window succeeds", d.PostMessageA(c, platform::kWmClose, 0, 0) != 0);
  world.Deliver();
  failures.True("a posted WM_CLOSE closes a window", !d.IsWindow(c));
  failures.True("a closed window is no top-level window", !d.IsTopLevelWindow(c));
  failures.True("a closed window is not listed", Position(WalkDown(d), c) < 0);
  failures.Equal("PostMessageA to a closed window fails", d.PostMessageA(c, platform::kWmClose, 0, 0), 0);
  failures.True("IsWindow of 0", !d.IsWindow(0));
  failures.True("IsWindow of a live window", d.IsWindow(b));
}

}  // namespace apexer::conformance
