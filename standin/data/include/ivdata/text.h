// Text rules of the stand-in: one case-folding rule for the engine, the host application and its libraries.
#pragma once
#include <string>
#include <string_view>

namespace ivdata {

// Upper case in the Western ANSI code page (1252), the code page every text of the host and its client is
// in, by the rule the client compares with (shared/cp1252.h). Against texts of plain ASCII it agrees with
// folding a-z alone.
char UpperAnsi(char c);
std::string UpperAnsi(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

std::string_view TrimSpaces(std::string_view s);     // spaces (32) only
std::string_view TrimBlanks(std::string_view s);     // spaces, tabs, CR, LF
bool IsAsciiLetter(char c);
bool IsDigit(char c);
// Shortest text that reads back as the same double ("%.17g" would show binary noise).
std::string NumberText(double value);

}  // namespace ivdata
