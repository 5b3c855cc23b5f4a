#include "common/text.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>

#include "shared/cp1252.h"

namespace apexer {
namespace {

unsigned char UpperByte(unsigned char c) { return shared::UpperCp1252(c); }

template <typename T>
std::optional<T> RoundTo(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // default mode: to nearest, halves to even
  if (rounded < static_cast<double>(std::numeric_limits<T>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<T>::max())) {
    return std::nullopt;
  }
  return static_cast<T>(rounded);
}

}  // namespace

std::string UpperAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return shared::EqualsNoCaseCp1252(a, b); }

int FindNoCase(std::string_view haystack, std::string_view needle) {
  if (haystack.empty()) return 0;
  if (needle.empty()) return 1;
  if (needle.size() > haystack.size()) return 0;
  for (std::size_t start = 0; start + needle.size() <= haystack.size(); ++start) {
    if (EqualsNoCase(haystack.substr(start, needle.size()), needle)) {
      return static_cast<int>(start) + 1;
    }
  }
  return 0;
}

std::string TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string CutAtNull(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

std::string FieldText(const char* field, std::size_t size) {
  assert(field != nullptr || size == 0);
  return CutAtNull(std::string_view(field, size));
}

std::optional<Integer> RoundToInteger(double value) { return RoundTo<Integer>(value); }
std::optional<Long> RoundToLong(double value) { return RoundTo<Long>(value); }

std::string DecimalText(long long value) { return std::to_string(value); }

std::string GeneralNumberText(Single value, char decimalSeparator) {
  if (value == 0.0f) return "0";  // also for -0
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  std::string text(buffer);
  for (char& c : text) {
    if (c == '.') c = decimalSeparator;
  }
  return text;
}

}  // namespace apexer
