#include "automation/window_lookup.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>

#include "common/message_loop.h"
#include "common/text.h"

namespace apexer {
namespace {

constexpr int kTitleBuffer = 80;
constexpr std::int64_t kDialogItemWaitMs = 5000;

std::string ReadTitle(platform::Desktop& desktop, Hwnd window) {
  std::string buffer(kTitleBuffer, ' ');
  desktop.GetWindowTextA(window, buffer.data(), kTitleBuffer);
  // Trimming the whole buffer drops the title's leading spaces; its trailing ones stand before the NUL.
  return TrimSpaces(buffer);
}

// The handle still names a top-level window whose title equals title, compared as the exact look-up
// compares. A handle value can come back on another window, a child with the same text among them, and the
// exact look-up sees top-level windows only.
bool StillFoundByTitle(platform::Desktop& desktop, Hwnd window, const std::string& title) {
  if (title.empty()) return false;  // an empty text cannot tell a live window from a dead one
  std::string buffer(title.size() + 2, '\0');
  const int n = desktop.GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return n == static_cast<int>(title.size()) &&
         EqualsNoCase(std::string_view(buffer.data(), static_cast<std::size_t>(n)), title) &&
         desktop.IsTopLevelWindow(window);
}

std::int64_t ElapsedWholeSeconds(platform::Clock& clock, std::int64_t startMs) {
  return (clock.MonotonicMs() - startMs) / 1000;
}

// The windows the listing's walk reaches: from the first window with an empty title up to the topmost,
// then down to the last. None when no title is empty. From any window of the Z-order that walk covers all
// of it, so the whole list is kept while the starting window lives, even where the enumeration leaves it
// out (Windows leaves out the windows of Store apps, which FindWindowA still finds). A starting window
// closed since the look has no neighbours, so the walk reaches it alone.
std::vector<Hwnd> WalkedWindows(platform::Desktop& desktop) {
  platform::TopLevelWindows look = desktop.ListTopLevel();
  if (look.firstUntitled == 0) return {};
  if (std::find(look.zOrder.begin(), look.zOrder.end(), look.firstUntitled) == look.zOrder.end() &&
      !desktop.IsWindow(look.firstUntitled)) {
    return {look.firstUntitled};
  }
  return std::move(look.zOrder);
}

// Visits the windows of the list from the top down, each with its title read by the listing's rule, until
// visit answers true (that window is the result) or the list is full (0).
template <typename Visit>
Hwnd WalkDown(platform::Desktop& desktop, Visit visit) {
  const std::vector<Hwnd> windows = WalkedWindows(desktop);
  const std::size_t most = std::min<std::size_t>(windows.size(), std::numeric_limits<Integer>::max());
  for (std::size_t i = 0; i < most; ++i) {
    if (visit(windows[i], ReadTitle(desktop, windows[i]))) return windows[i];
  }
  return 0;
}

// Each title and parent read is a round trip to the window server, so the look-up reads no more than its
// result depends on: the exact pass runs as the list is built and ends it at the first match (an exact
// title wins wherever it stands, so the windows below cannot change the result), and a parent is asked
// for only of a window whose title matches.
Hwnd FindInList(platform::Desktop& desktop, const std::string& title, const Hwnd* owner) {
  const auto ownerMatches = [&](Hwnd window) { return owner == nullptr || desktop.GetParent(window) == *owner; };
  const std::string wanted = UpperAnsi(title);
  std::vector<std::pair<Hwnd, std::string>> listed;
  const Hwnd exact = WalkDown(desktop, [&](Hwnd window, const std::string& read) {
    std::string cut = CutAtNull(read);
    if (UpperAnsi(cut) == wanted && ownerMatches(window)) return true;
    listed.emplace_back(window, std::move(cut));
    return false;
  });
  if (exact != 0) return exact;

  int best = std::numeric_limits<Integer>::max();
  Hwnd candidate = 0;
  for (const auto& [window, cut] : listed) {
    const int position = FindNoCase(cut, title);
    if (position > 0 && position < best && ownerMatches(window)) {
      best = position;
      candidate = window;
    }
  }
  return candidate;
}

// The limit counts from startMs. After a request the first look waits for one yield: the host cannot have
// answered before it has read the request, so a look at once would only repeat the one made before it.
Hwnd PollForWindow(Platform& p, Integer limitSeconds, const std::function<Hwnd()>& lookup,
                   std::int64_t startMs, bool yieldFirst,
                   platform::Awaiting awaiting = platform::Awaiting::WindowToAppear) {
  const std::int64_t start = startMs;
  if (yieldFirst) YieldToMessageLoop(p, awaiting);
  for (;;) {
    const std::int64_t elapsed = ElapsedWholeSeconds(p.clock, start);
    const Hwnd found = lookup();
    if (found != 0 || elapsed > limitSeconds) return found;
    YieldToMessageLoop(p, awaiting);
  }
}

}  // namespace

Integer ListTopLevelWindows(platform::Desktop& desktop, std::vector<WindowEntry>& list) {
  Integer count = 0;
  WalkDown(desktop, [&](Hwnd window, std::string read) {
    WindowEntry entry;
    entry.Handle = window;
    entry.Title = std::move(read);
    entry.Title.push_back('\0');
    entry.Parent = desktop.GetParent(window);
    list.push_back(std::move(entry));
    ++count;
    return false;
  });
  return count;
}

Hwnd FindWindowByTitle(platform::Desktop& desktop, const std::string& title) {
  return FindInList(desktop, title, nullptr);
}

Hwnd FindOwnedWindowByTitle(platform::Desktop& desktop, Hwnd owner, const std::string& title) {
  return FindInList(desktop, title, &owner);
}

Hwnd FindWindowExact(platform::Desktop& desktop, const std::string& title) {
  return desktop.FindWindowA(title);
}

Hwnd WaitForWindow(Platform& p, const std::string& title, Integer limitSeconds) {
  return PollForWindow(p, limitSeconds, [&] { return FindWindowByTitle(p.desktop, title); }, p.clock.MonotonicMs(),
                       false);
}

Hwnd WaitForWindow(Platform& p, const std::string& title, Integer limitSeconds, AfterRequest request) {
  return PollForWindow(p, limitSeconds, [&] { return FindWindowByTitle(p.desktop, title); }, request.atMs, true);
}

Hwnd WaitForOwnedWindow(Platform& p, Hwnd owner, const std::string& title, Integer limitSeconds) {
  return PollForWindow(p, limitSeconds, [&] { return FindOwnedWindowByTitle(p.desktop, owner, title); },
                       p.clock.MonotonicMs(), false);
}

Hwnd WaitForOwnedWindow(Platform& p, Hwnd owner, const std::string& title, Integer limitSeconds,
                        AfterRequest request) {
  return PollForWindow(p, limitSeconds, [&] { return FindOwnedWindowByTitle(p.desktop, owner, title); },
                       request.atMs, true);
}

Hwnd WaitForWindowExact(Platform& p, const std::string& title, Integer limitSeconds) {
  const Hwnd found = PollForWindow(p, limitSeconds, [&] { return FindWindowExact(p.desktop, title); },
                                   p.clock.MonotonicMs(), false);
  // A window the last poll found is the answer the further look-up would give: nothing has run since.
  return found != 0 ? found : FindWindowExact(p.desktop, title);
}

void WaitUntilWindowGone(Platform& p, const std::string& title) {
  Hwnd window = FindWindowExact(p.desktop, title);
  while (window != 0) {
    YieldToMessageLoop(p, platform::Awaiting::WindowToGo);
    // While the window found last still has the title, a full look (which reads every window's title)
    // would find a window too; only when it has not is the desktop searched again.
    if (!StillFoundByTitle(p.desktop, window, title)) window = FindWindowExact(p.desktop, title);
  }
}

Integer WaitUntilWindowClosed(Platform& p, Hwnd window, Integer limitSeconds) {
  // The poll "finds" the window's absence.
  const Hwnd gone = PollForWindow(
      p, limitSeconds, [&] { return p.desktop.IsWindow(window) ? Hwnd{0} : Hwnd{1}; }, p.clock.MonotonicMs(), false,
      platform::Awaiting::WindowToGo);
  return gone != 0 ? kTrue : kFalse;
}

Hwnd WaitForDialogItem(Platform& p, Hwnd dialog, Long id) {
  const std::int64_t start = p.clock.MonotonicMs();
  for (;;) {
    const Hwnd item = p.desktop.GetDlgItem(dialog, id);
    if (p.clock.MonotonicMs() - start > kDialogItemWaitMs || item != 0) return item;
    PauseWithoutEvents(p);
  }
}

}  // namespace apexer
