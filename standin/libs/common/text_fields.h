// Fixed-length ANSI text fields of host records, and small text helpers shared by host and libraries.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace standin {

// Copies text into a fixed field, NUL-padded; text longer than the field is cut.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

// The field's text ends at its first NUL, or at its end when it holds none.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field, n);
}

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string Trim(std::string_view s);
std::string Upper(std::string_view s);

}  // namespace standin
