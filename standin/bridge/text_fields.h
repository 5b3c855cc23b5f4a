// Fixed-length ANSI text fields of the bridge and the host's records; trimming of the texts they carry.
// Case is folded by ivdata's one rule (ivdata/text.h).
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

// Removes white space (space, tab, CR, LF, VT, FF) from both ends.
std::string Trim(std::string_view s);

}  // namespace standin
