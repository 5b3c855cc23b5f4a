#include "automation/host_windows.h"

#include <cassert>

#include "automation/window_lookup.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "host/current_file.h"

namespace apexer {

Hwnd GetHostWindow(platform::Platform& p, Integer kind) {
  BeforeHostRequest(p);
  return static_cast<Hwnd>(p.host.GetApplicationWnd(kind));
}

void CloseHostWindow(platform::Platform& p, Integer kind) {
  const Hwnd window = GetHostWindow(p, kind);
  if (window == 0) return;
  PostWindowMessage(p, window, platform::kWmClose, 0, 0);
  while (GetHostWindow(p, kind) != 0) YieldToMessageLoop(p, platform::Awaiting::WindowToGo);
}

std::string ChromatogramTitle(platform::Platform& p, Integer withFile) {
  std::string title = kChromatogramTitle;
  if (withFile) {
    BeforeHostRequest(p);
    title += " - [" + GetCurrentRawFileName(p.host, "RAW") + "]";
  }
  return title;
}

Hwnd OpenChromatogramWindow(platform::Platform& p) {
  if (GetHostWindow(p, 0) == 0) {
    p.record.Refused("the host is gone");
    return 0;
  }
  std::string command = kLaunchChromatogramCommand;
  BeforeHostRequest(p);
  p.host.IonvaneCommand(command, kLaunchCommandNumber);
  Hwnd window = WaitForWindowExact(p, ChromatogramTitle(p, kTrue), kChromatogramAppearLimit);
  if (window == 0) window = WaitForWindowExact(p, ChromatogramTitle(p, kFalse), kChromatogramAppearLimit);
  // A host on its way out closes its other windows before its main one.
  if (window == 0) p.record.Refused(GetHostWindow(p, 0) == 0 ? "the host is gone" : "no chromatogram window");
  return window;
}

Integer CloseChromatogramWindow(platform::Platform& p) {
  const std::string plain = ChromatogramTitle(p, kFalse);
  const std::string withFile = ChromatogramTitle(p, kTrue);
  if (FindWindowExact(p.desktop, plain) != 0) return CloseWindowByTitle(p, plain);
  if (FindWindowExact(p.desktop, withFile) != 0) return CloseWindowByTitle(p, withFile);
  return kTrue;
}

Integer CloseWindowByTitle(platform::Platform& p, const std::string& title) {
  const Hwnd window = p.desktop.FindWindowA(TrimSpaces(title));
  if (window == 0) return kFalse;
  PostWindowMessage(p, window, platform::kWmClose, 0, 0);
  WaitUntilWindowGone(p, title);
  return kTrue;
}

Hwnd OpenDialogByCommand(platform::Platform& p, Hwnd window, Long commandId, const std::string& title,
                         Integer limitSeconds, Integer ownedOnly) {
  if (!p.desktop.IsWindow(window)) return 0;
  const Hwnd open = ownedOnly ? FindOwnedWindowByTitle(p.desktop, window, title)
                              : FindWindowByTitle(p.desktop, title);
  if (open != 0) return open;
  PostWindowMessage(p, window, platform::kWmCommand, commandId, 0);
  // The limit counts from the post, whatever the program's own windows do in the yields that follow.
  const AfterRequest posted{p.clock.MonotonicMs()};
  return ownedOnly ? WaitForOwnedWindow(p, window, title, limitSeconds, posted)
                   : WaitForWindow(p, title, limitSeconds, posted);
}

Long PostWindowMessage(platform::Platform& p, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  BeforeHostRequest(p);
  return p.desktop.PostMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SendWindowMessage(platform::Platform& p, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  BeforeHostRequest(p);
  return p.desktop.SendMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SetControlText(platform::Platform& p, Hwnd control, const std::string& text) {
  BeforeHostRequest(p);
  const Long result = p.desktop.SendMessageA(control, platform::kWmSetText, 0, text);
  YieldToMessageLoop(p);
  return result;
}

void PrintSpectra(platform::Platform& p, Integer printMode) {
  const Hwnd spectrum = GetHostWindow(p, 1);
  const Long command = printMode == 0 ? kPrintCommand : kPrintCommandAlternate;
  if (spectrum == 0) return;
  PostWindowMessage(p, spectrum, platform::kWmCommand, command, 0);
  WaitForWindowExact(p, kPrintingTitle, kPrintingAppearLimit);
  WaitUntilWindowGone(p, kPrintingTitle);
}

}  // namespace apexer
