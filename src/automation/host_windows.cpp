#include "automation/host_windows.h"

#include <cassert>

#include "automation/window_lookup.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "host/current_file.h"

namespace apexer {

Hwnd GetHostWindow(HostLibraries& host, Integer kind) { return static_cast<Hwnd>(host.GetApplicationWnd(kind)); }

void CloseHostWindow(platform::Platform& p, Integer kind) {
  const Hwnd window = GetHostWindow(p.host, kind);
  if (window == 0) return;
  PostWindowMessage(p.desktop, window, platform::kWmClose, 0, 0);
  while (GetHostWindow(p.host, kind) != 0) YieldToMessageLoop(p, platform::Awaiting::WindowToGo);
}

std::string ChromatogramTitle(HostLibraries& host, Integer withFile) {
  std::string title = kChromatogramTitle;
  if (withFile) title += " - [" + GetCurrentRawFileName(host, "RAW") + "]";
  return title;
}

Hwnd OpenChromatogramWindow(platform::Platform& p) {
  if (GetHostWindow(p.host, 0) == 0) {
    p.record.Refused("the host is gone");
    return 0;
  }
  std::string command = kLaunchChromatogramCommand;
  p.host.IonvaneCommand(command, kLaunchCommandNumber);
  Hwnd window = WaitForWindowExact(p, ChromatogramTitle(p.host, kTrue), kChromatogramAppearLimit);
  if (window == 0) window = WaitForWindowExact(p, ChromatogramTitle(p.host, kFalse), kChromatogramAppearLimit);
  // A host on its way out closes its other windows before its main one.
  if (window == 0) p.record.Refused(GetHostWindow(p.host, 0) == 0 ? "the host is gone" : "no chromatogram window");
  return window;
}

Integer CloseChromatogramWindow(platform::Platform& p) {
  const std::string plain = ChromatogramTitle(p.host, kFalse);
  const std::string withFile = ChromatogramTitle(p.host, kTrue);
  if (FindWindowExact(p.desktop, plain) != 0) return CloseWindowByTitle(p, plain);
  if (FindWindowExact(p.desktop, withFile) != 0) return CloseWindowByTitle(p, withFile);
  return kTrue;
}

Integer CloseWindowByTitle(platform::Platform& p, const std::string& title) {
  const Hwnd window = p.desktop.FindWindowA(TrimSpaces(title));
  if (window == 0) return kFalse;
  PostWindowMessage(p.desktop, window, platform::kWmClose, 0, 0);
  WaitUntilWindowGone(p, title);
  return kTrue;
}

Hwnd OpenDialogByCommand(platform::Platform& p, Hwnd window, Long commandId, const std::string& title,
                         Integer limitSeconds, Integer ownedOnly) {
  if (!p.desktop.IsWindow(window)) return 0;
  const Hwnd open = ownedOnly ? FindOwnedWindowByTitle(p.desktop, window, title)
                              : FindWindowByTitle(p.desktop, title);
  if (open != 0) return open;
  PostWindowMessage(p.desktop, window, platform::kWmCommand, commandId, 0);
  // The limit counts from the post, whatever the program's own windows do in the yields that follow.
  const AfterRequest posted{p.clock.MonotonicMs()};
  return ownedOnly ? WaitForOwnedWindow(p, window, title, limitSeconds, posted)
                   : WaitForWindow(p, title, limitSeconds, posted);
}

Long PostWindowMessage(platform::Desktop& desktop, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  return desktop.PostMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SendWindowMessage(platform::Desktop& desktop, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  return desktop.SendMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SetControlText(platform::Platform& p, Hwnd control, const std::string& text) {
  const Long result = p.desktop.SendMessageA(control, platform::kWmSetText, 0, text);
  YieldToMessageLoop(p);
  return result;
}

void PrintSpectra(platform::Platform& p, Integer printMode) {
  const Hwnd spectrum = GetHostWindow(p.host, 1);
  const Long command = printMode == 0 ? kPrintCommand : kPrintCommandAlternate;
  if (spectrum == 0) return;
  PostWindowMessage(p.desktop, spectrum, platform::kWmCommand, command, 0);
  WaitForWindowExact(p, kPrintingTitle, kPrintingAppearLimit);
  WaitUntilWindowGone(p, kPrintingTitle);
}

}  // namespace apexer
