// Upper case in the Western ANSI code page (1252), the one rule by which Apexer and the stand-in host
// compare texts, as Windows compares names in that code page.
#pragma once

#include <cstddef>
#include <string_view>

namespace shared {

// The letters a-z and those of 0xE0-0xFE (but 0xF7, the division sign) and 0x9A, 0x9C, 0x9E, 0xFF fold to
// their capitals; every other byte stays.
constexpr unsigned char UpperCp1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
  }
}

// The same text but for case, by that rule.
constexpr bool EqualsNoCaseCp1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCp1252(static_cast<unsigned char>(a[i])) != UpperCp1252(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

}  // namespace shared
