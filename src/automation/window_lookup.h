// Listing and finding top-level windows by title, and waiting for windows and dialog controls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/platform.h"

namespace apexer {

struct WindowEntry {
  Hwnd Handle = 0;
  Hwnd Parent = 0;
  std::string Title;  // as read, followed by one NUL
};

// The listing stops at 32,767 windows, the most its count can hold.
Integer ListTopLevelWindows(platform::Desktop& desktop, std::vector<WindowEntry>& list);

Hwnd FindWindowByTitle(platform::Desktop& desktop, const std::string& title);
Hwnd FindOwnedWindowByTitle(platform::Desktop& desktop, Hwnd owner, const std::string& title);
Hwnd FindWindowExact(platform::Desktop& desktop, const std::string& title);

Hwnd WaitForWindow(Platform& p, const std::string& title, Integer limitSeconds);
Hwnd WaitForOwnedWindow(Platform& p, Hwnd owner, const std::string& title, Integer limitSeconds);
// A wait that follows a message the program posted: its limit counts from the post (atMs, the clock's
// reading then), and its first look comes after one yield.
struct AfterRequest {
  std::int64_t atMs = 0;
};
Hwnd WaitForWindow(Platform& p, const std::string& title, Integer limitSeconds, AfterRequest request);
Hwnd WaitForOwnedWindow(Platform& p, Hwnd owner, const std::string& title, Integer limitSeconds,
                        AfterRequest request);
Hwnd WaitForWindowExact(Platform& p, const std::string& title, Integer limitSeconds);
void WaitUntilWindowGone(Platform& p, const std::string& title);
// Waits, yielding, until the handle names no window or more whole seconds than the limit have passed.
Integer WaitUntilWindowClosed(Platform& p, Hwnd window, Integer limitSeconds);
// Polls for about five seconds without servicing the program's own windows.
Hwnd WaitForDialogItem(Platform& p, Hwnd dialog, Long id);

}  // namespace apexer
