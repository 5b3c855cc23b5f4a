#include "ivdata/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "shared/cp1252.h"

namespace ivdata {

char UpperAnsi(char c) { return static_cast<char>(shared::UpperCp1252(static_cast<unsigned char>(c))); }

std::string UpperAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperAnsi(c);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return shared::EqualsNoCaseCp1252(a, b); }

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string NumberText(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
  for (int precision = 6; precision <= 17; ++precision) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    double back = 0;
    std::from_chars(buffer, buffer + std::char_traits<char>::length(buffer), back);
    if (back == value) return buffer;
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

}  // namespace ivdata
