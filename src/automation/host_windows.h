// Host windows by kind, the chromatogram window, dialogs opened by menu command, control texts, printing.
#pragma once
#include <string>

#include "platform/platform.h"

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
Hwnd GetHostWindow(platform::Platform& p, Integer kind);
// Posts a close and waits, without limit, until the host reports no window of the kind.
void CloseHostWindow(platform::Platform& p, Integer kind);
std::string ChromatogramTitle(platform::Platform& p, Integer withFile);
Hwnd OpenChromatogramWindow(platform::Platform& p);
Integer CloseChromatogramWindow(platform::Platform& p);
Integer CloseWindowByTitle(platform::Platform& p, const std::string& title);
Hwnd OpenDialogByCommand(platform::Platform& p, Hwnd window, Long commandId, const std::string& title,
                         Integer limitSeconds, Integer ownedOnly);
Long PostWindowMessage(platform::Platform& p, Hwnd window, Long message, Long wordParam, Long longParam);
Long SendWindowMessage(platform::Platform& p, Hwnd window, Long message, Long wordParam, Long longParam);
Long SetControlText(platform::Platform& p, Hwnd control, const std::string& text);
void PrintSpectra(platform::Platform& p, Integer printMode);

}  // namespace apexer
