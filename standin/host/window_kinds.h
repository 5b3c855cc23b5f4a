// The host's kinds of window, as one table: class, title rule, role, how an open one comes forward, what a
// close does. One window procedure serves them all (HostApp::HandleWindowMessage).
#pragma once

#include <windows.h>

#include <array>

namespace standin {

enum class WindowKind { Main, Chromatogram, Spectrum, PeakList, Busy };
inline constexpr std::size_t kWindowKinds = 5;

enum class TitleRule {
  Given,          // the title the maker passes ("Spectrum Combine", "Printing...")
  DashFile,       // "<title> - <file>" with a current sample, "<title>" without
  BracketedFile,  // "<title> - [<file>]" with a current sample, "<title>" without
};
enum class RaiseRule {
  ToTop,        // shown on top of the others
  BelowDialog,  // the combine dialog on top and this window right below it, journalled as activated
};
enum class CloseRule {
  LikeUser,  // journalled, then destroyed after the Close delay
  Ignored,   // journalled; the window stays
};
enum class Backdrop { Window, White, ButtonFace };

struct WindowKindInfo {
  WindowKind kind;
  const char* className;
  const char* role;  // its name in the journal
  const char* title;
  TitleRule titleRule;
  int bridgeKind;  // what GetApplicationWnd calls it; -1: not published
  int menu;        // menu resource, 0 for none
  int left, top, width, height;
  int show;  // how it is shown when it opens
  RaiseRule raise;
  CloseRule close;
  bool endsHost;            // the host ends when it goes
  bool redrawOnSize;        // drawn to its size
  bool journalsCommands;    // "command.received" for every menu command
  const char* launchName;   // opened by the host command app.launch[default:<launchName>](), or nullptr
  int viewCommand;          // the main window's View menu command that opens it, or 0
  const char* startName;    // its name in [Standin] OpenAtStart, or nullptr
  LPCSTR cursor;
  Backdrop backdrop;
};

const std::array<WindowKindInfo, kWindowKinds>& WindowKinds();
const WindowKindInfo& KindInfo(WindowKind kind);

}  // namespace standin
