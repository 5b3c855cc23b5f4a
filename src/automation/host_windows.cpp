#include "automation/host_windows.h"

#include <cassert>

#include "automation/window_lookup.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "host/current_file.h"

namespace apexer {

Hwnd GetHostWindow(Platform& p, Integer kind) {
  BeforeHostRequest(p, kHostQuestion);
  return static_cast<Hwnd>(p.host.GetApplicationWnd(kind));
}

void CloseHostWindow(Platform& p, Integer kind) {
  const Hwnd window = GetHostWindow(p, kind);
  if (window == 0) return;
  PostWindowMessage(p, window, platform::kWmClose, 0, 0);
  while (GetHostWindow(p, kind) != 0) YieldToMessageLoop(p, platform::Awaiting::WindowToGo);
}

std::string ChromatogramTitle(Platform& p, Integer withFile) {
  std::string title = kChromatogramTitle;
  if (withFile) {
    BeforeHostRequest(p, kHostQuestion);
    title += " - [" + GetCurrentRawFileName(p.host, "RAW") + "]";
  }
  return title;
}

ChromatogramWindow OpenChromatogram(Platform& p) {
  if (GetHostWindow(p, 0) == 0) return {0, true};
  std::string command = kLaunchChromatogramCommand;
  BeforeHostRequest(p, {platform::HostRequest::Kind::Command});
  p.host.IonvaneCommand(command, kLaunchCommandNumber);
  Hwnd window = WaitForWindowExact(p, ChromatogramTitle(p, kTrue), kChromatogramAppearLimit);
  if (window == 0) window = WaitForWindowExact(p, ChromatogramTitle(p, kFalse), kChromatogramAppearLimit);
  if (window != 0) return {window, false};
  return {0, GetHostWindow(p, 0) == 0};
}

Hwnd OpenChromatogramWindow(Platform& p) { return OpenChromatogram(p).window; }

Integer CloseChromatogramWindow(Platform& p) {
  const std::string plain = ChromatogramTitle(p, kFalse);
  const std::string withFile = ChromatogramTitle(p, kTrue);
  if (FindWindowExact(p.desktop, plain) != 0) return CloseWindowByTitle(p, plain);
  if (FindWindowExact(p.desktop, withFile) != 0) return CloseWindowByTitle(p, withFile);
  return kTrue;
}

Integer CloseWindowByTitle(Platform& p, const std::string& title) {
  const Hwnd window = p.desktop.FindWindowA(TrimSpaces(title));
  if (window == 0) return kFalse;
  PostWindowMessage(p, window, platform::kWmClose, 0, 0);
  WaitUntilWindowGone(p, title);
  return kTrue;
}

Hwnd OpenDialogByCommand(Platform& p, Hwnd window, Long commandId, const std::string& title,
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

Long PostWindowMessage(Platform& p, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  BeforeHostRequest(p, {platform::HostRequest::Kind::Post, static_cast<std::uint32_t>(message), wordParam});
  return p.desktop.PostMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SendWindowMessage(Platform& p, Hwnd window, Long message, Long wordParam, Long longParam) {
  assert(message >= 0);
  BeforeHostRequest(p, {platform::HostRequest::Kind::Send, static_cast<std::uint32_t>(message), wordParam});
  return p.desktop.SendMessageA(window, static_cast<std::uint32_t>(message), wordParam, longParam);
}

Long SetControlText(Platform& p, Hwnd control, const std::string& text) {
  BeforeHostRequest(p, {platform::HostRequest::Kind::Send, platform::kWmSetText, 0});
  const Long result = p.desktop.SendMessageA(control, platform::kWmSetText, 0, text);
  YieldToMessageLoop(p);
  return result;
}

PageRequest AskForPage(Platform& p, Integer printMode) {
  const Hwnd spectrum = GetHostWindow(p, 1);
  const Long command = printMode == 0 ? kPrintCommand : kPrintCommandAlternate;
  if (spectrum == 0) return PageRequest::NoSpectrumWindow;
  return PostWindowMessage(p, spectrum, platform::kWmCommand, command, 0) != 0 ? PageRequest::Posted
                                                                               : PageRequest::NotPosted;
}

void WaitForPrinting(Platform& p) {
  WaitForWindowExact(p, kPrintingTitle, kPrintingAppearLimit);
  WaitUntilWindowGone(p, kPrintingTitle);
}

bool PrintPage(Platform& p, Integer printMode) {
  const PageRequest asked = AskForPage(p, printMode);
  if (asked == PageRequest::NoSpectrumWindow) return false;
  WaitForPrinting(p);
  return asked == PageRequest::Posted;
}

void PrintSpectra(Platform& p, Integer printMode) { PrintPage(p, printMode); }

}  // namespace apexer
