// Text and number helpers with the host's rules (ANSI bytes, whole-number rounding, decimal texts).
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace apexer {

// Upper case in the Western ANSI code page (1252).
std::string UpperAnsi(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// 1-based position of needle in haystack, ignoring case; 0 when absent. As the classic string
// search does, an empty needle is found at 1 and nothing is found in an empty haystack.
int FindNoCase(std::string_view haystack, std::string_view needle);

// Removes only space characters (32) from both ends.
std::string TrimSpaces(std::string_view text);
// The text before the first NUL; the whole text when it holds none.
std::string CutAtNull(std::string_view text);
// Text of a fixed-length host field: up to its first NUL, or all of it when it holds none.
std::string FieldText(const char* field, std::size_t size);

// Rounds to the nearest whole number, halves to the even neighbour; nullopt when the result does not
// fit the target type (or the value is NaN or infinite).
std::optional<Integer> RoundToInteger(double value);
std::optional<Long> RoundToLong(double value);

std::string DecimalText(long long value);
// General form of a single-precision number: at most 7 significant digits, no trailing zeros.
std::string GeneralNumberText(Single value, char decimalSeparator = '.');

}  // namespace apexer
