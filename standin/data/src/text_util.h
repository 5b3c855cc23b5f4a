// Small text helpers shared by the engine's parsers.
#pragma once
#include <string>
#include <string_view>

namespace ivdata::detail {

// Upper case in the Western ANSI code page, as the host compares names.
char UpperAnsi(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view TrimSpaces(std::string_view s);     // spaces (32) only
std::string_view TrimBlanks(std::string_view s);     // spaces, tabs, CR, LF
bool IsAsciiLetter(char c);
bool IsDigit(char c);
// Shortest text that reads back as the same double ("%.17g" would show binary noise).
std::string NumberText(double value);

}  // namespace ivdata::detail
