// Host windows by kind, the chromatogram window, dialogs opened by menu command, control texts, printing.
#pragma once
#include <string>

#include "common/platform.h"

namespace apexer {

inline constexpr const char* kChromatogramTitle = "Chromatogram";
inline constexpr const char* kPrintingTitle = "Printing...";
inline constexpr const char* kLaunchChromatogramCommand = "app.launch[default:Chro]()";
constexpr Long kLaunchCommandNumber = 5000;
constexpr Long kPrintCommand = 341;
constexpr Long kPrintCommandAlternate = 342;
constexpr Integer kPrintingAppearLimit = 120;
constexpr Integer kChromatogramAppearLimit = 5;

// Functions that need one platform service take that service; those that wait, or that ask the host for
// something (which waits first while a person holds a button on the program's windows), take the whole
// platform.
Hwnd GetHostWindow(Platform& p, Integer kind);
// Posts a close and waits, without limit, until the host reports no window of the kind.
void CloseHostWindow(Platform& p, Integer kind);
std::string ChromatogramTitle(Platform& p, Integer withFile);
// The chromatogram window the launch command opened, or none, and then whether the host was gone: a host on
// its way out closes its other windows before its main one.
struct ChromatogramWindow {
  Hwnd window = 0;
  bool hostGone = false;
};
ChromatogramWindow OpenChromatogram(Platform& p);
// The window of OpenChromatogram.
Hwnd OpenChromatogramWindow(Platform& p);
Integer CloseChromatogramWindow(Platform& p);
Integer CloseWindowByTitle(Platform& p, const std::string& title);
Hwnd OpenDialogByCommand(Platform& p, Hwnd window, Long commandId, const std::string& title,
                         Integer limitSeconds, Integer ownedOnly);
Long PostWindowMessage(Platform& p, Hwnd window, Long message, Long wordParam, Long longParam);
Long SendWindowMessage(Platform& p, Hwnd window, Long message, Long wordParam, Long longParam);
Long SetControlText(Platform& p, Hwnd control, const std::string& text);
// Whether a page was asked of the host: only when it had a spectrum window and the print command was posted.
enum class PageRequest { Posted, NoSpectrumWindow, NotPosted };
// Posts the print command for the mode to the host's spectrum window, without waiting.
PageRequest AskForPage(Platform& p, Integer printMode);
// Waits for "Printing..." to appear (within its limit) and then to go.
void WaitForPrinting(Platform& p);
// Has the host print its spectrum window and waits for the printing to end. True when a page was asked of
// the host: it had a spectrum window, and the print command was posted to it.
bool PrintPage(Platform& p, Integer printMode);
// PrintPage, its answer left aside.
void PrintSpectra(Platform& p, Integer printMode);

}  // namespace apexer
