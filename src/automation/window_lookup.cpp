#include "automation/window_lookup.h"

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

// The window still exists and its title equals title, compared as the exact look-up compares.
bool HasTitle(platform::Desktop& desktop, Hwnd window, const std::string& title) {
  if (title.empty()) return false;  // an empty text cannot tell a live window from a dead one
  std::string buffer(title.size() + 2, '\0');
  const int n = desktop.GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return n == static_cast<int>(title.size()) && EqualsNoCase(std::string_view(buffer.data(), static_cast<std::size_t>(n)), title);
}

std::int64_t ElapsedWholeSeconds(platform::Clock& clock, std::int64_t startMs) {
  return (clock.MonotonicMs() - startMs) / 1000;
}

Hwnd FindInList(platform::Desktop& desktop, const std::string& title, const Hwnd* owner) {
  std::vector<WindowEntry> list;
  if (ListTopLevelWindows(desktop, list) == 0) return 0;
  const auto ownerMatches = [owner](const WindowEntry& e) { return owner == nullptr || e.Parent == *owner; };

  const std::string wanted = UpperAnsi(title);
  for (const WindowEntry& e : list) {
    if (ownerMatches(e) && UpperAnsi(CutAtNull(e.Title)) == wanted) return e.Handle;
  }

  int best = std::numeric_limits<Integer>::max();
  Hwnd candidate = 0;
  for (const WindowEntry& e : list) {
    if (!ownerMatches(e)) continue;
    const int position = FindNoCase(CutAtNull(e.Title), title);
    if (position > 0 && position < best) {
      best = position;
      candidate = e.Handle;
    }
  }
  return candidate;
}

Hwnd PollForWindow(platform::Platform& p, Integer limitSeconds, const std::function<Hwnd()>& lookup) {
  const std::int64_t start = p.clock.MonotonicMs();
  for (;;) {
    const std::int64_t elapsed = ElapsedWholeSeconds(p.clock, start);
    const Hwnd found = lookup();
    if (found != 0 || elapsed > limitSeconds) return found;
    YieldToMessageLoop(p);
  }
}

}  // namespace

Integer ListTopLevelWindows(platform::Desktop& desktop, std::vector<WindowEntry>& list) {
  Hwnd window = desktop.FindWindowA("");
  if (window == 0) return 0;
  // Bounded like the downward walk, so a Z-order that changes under us cannot loop for ever.
  for (int steps = 0; steps < std::numeric_limits<Integer>::max(); ++steps) {
    const Hwnd above = desktop.GetWindow(window, platform::kGwHwndPrev);
    if (above == 0) break;
    window = above;
  }
  Integer count = 0;
  while (window != 0 && count < std::numeric_limits<Integer>::max()) {
    WindowEntry entry;
    entry.Handle = window;
    entry.Title = ReadTitle(desktop, window);
    entry.Title.push_back('\0');
    entry.Parent = desktop.GetParent(window);
    list.push_back(std::move(entry));
    ++count;
    window = desktop.GetWindow(window, platform::kGwHwndNext);
  }
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

Hwnd WaitForWindow(platform::Platform& p, const std::string& title, Integer limitSeconds) {
  return PollForWindow(p, limitSeconds, [&] { return FindWindowByTitle(p.desktop, title); });
}

Hwnd WaitForOwnedWindow(platform::Platform& p, Hwnd owner, const std::string& title, Integer limitSeconds) {
  return PollForWindow(p, limitSeconds, [&] { return FindOwnedWindowByTitle(p.desktop, owner, title); });
}

Hwnd WaitForWindowExact(platform::Platform& p, const std::string& title, Integer limitSeconds) {
  PollForWindow(p, limitSeconds, [&] { return FindWindowExact(p.desktop, title); });
  return FindWindowExact(p.desktop, title);
}

void WaitUntilWindowGone(platform::Platform& p, const std::string& title) {
  Hwnd window = FindWindowExact(p.desktop, title);
  while (window != 0) {
    YieldToMessageLoop(p);
    // While the window found last still has the title, a full look (which reads every window's title)
    // would find a window too; only when it has not is the desktop searched again.
    if (!HasTitle(p.desktop, window, title)) window = FindWindowExact(p.desktop, title);
  }
}

Integer WaitUntilWindowClosed(platform::Platform& p, Hwnd window, Integer limitSeconds) {
  // The poll "finds" the window's absence.
  const Hwnd gone = PollForWindow(p, limitSeconds, [&] { return p.desktop.IsWindow(window) ? Hwnd{0} : Hwnd{1}; });
  return gone != 0 ? kTrue : kFalse;
}

Hwnd WaitForDialogItem(platform::Platform& p, Hwnd dialog, Long id) {
  const std::int64_t start = p.clock.MonotonicMs();
  for (;;) {
    const Hwnd item = p.desktop.GetDlgItem(dialog, id);
    if (p.clock.MonotonicMs() - start > kDialogItemWaitMs || item != 0) return item;
    p.loop.PauseWithoutEvents();
  }
}

}  // namespace apexer
